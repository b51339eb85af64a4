#pragma once

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
};

} // namespace quelm
