#pragma once

#include <memory>

class QSettings;
class QWidget;

namespace quelm
{

// The window's size and place, kept in the desktop's settings store between
// runs. A size below the window's smallest (a larger font since) grows to it.
class WindowPlacement
{
  public:
    static void Restore(QWidget& Window, const QSettings& Settings);
    static void Save(const QWidget& Window, QSettings& Settings);
    // The user's settings store of the window (~/.config/QuelmRdr/quelmrdr.conf).
    static std::unique_ptr<QSettings> UserSettings();
};

} // namespace quelm
