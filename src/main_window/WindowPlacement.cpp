#include "WindowPlacement.h"

#include <QSettings>
#include <QWidget>

namespace quelm
{

namespace
{

const char* const kGeometryKey = "window/geometry";

} // namespace

void WindowPlacement::Restore(QWidget& Window, const QSettings& Settings)
{
    const QByteArray geometry = Settings.value(kGeometryKey).toByteArray();
    if (!geometry.isEmpty()) {
        // Qt keeps the window on a screen that is still there.
        Window.restoreGeometry(geometry);
    }
}

void WindowPlacement::Save(const QWidget& Window, QSettings& Settings)
{
    Settings.setValue(kGeometryKey, Window.saveGeometry());
}

std::unique_ptr<QSettings> WindowPlacement::UserSettings()
{
    return std::make_unique<QSettings>("QuelmRdr", "quelmrdr");
}

} // namespace quelm
