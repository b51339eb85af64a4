#pragma once

#include <QString>
#include <QStringList>

namespace quelm
{

// The record files loaded last, newest first, kept in the desktop's
// settings store so that the next run offers them.
class RecentFiles
{
  public:
    static constexpr int kKept = 10;

    // Puts Path first, once.
    static void Add(const QString& Path);
    static QStringList List();
};

} // namespace quelm
