#include "RecentFiles.h"

#include "WindowPlacement.h"

#include <QSettings>

namespace quelm
{

namespace
{

const char* const kKey = "recentFiles";

} // namespace

void RecentFiles::Add(const QString& Path)
{
    auto settings = WindowPlacement::UserSettings();
    QStringList files = settings->value(kKey).toStringList();
    files.removeAll(Path);
    files.prepend(Path);
    while (files.size() > kKept) {
        files.removeLast();
    }
    settings->setValue(kKey, files);
}

QStringList RecentFiles::List()
{
    return WindowPlacement::UserSettings()->value(kKey).toStringList();
}

} // namespace quelm
