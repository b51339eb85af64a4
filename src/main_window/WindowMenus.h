#pragma once

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace quelm
{

// The window's menu bar and its actions, each named and with its shortcut,
// so that everything the window does can be found and reached from the
// keyboard. Builds only; the window wires what the actions do and when
// they are enabled.
class WindowMenus : public QObject
{
    Q_OBJECT
  public:
    // Window: where the shortcuts work. List: the keys that act on the
    // list only (Space, Left, Right) are the list's own, so that a focused
    // button still takes Space as a press.
    WindowMenus(QWidget& Window, QWidget& List);

    QMenuBar* bar = nullptr;

    QAction* open = nullptr;
    QMenu* recent = nullptr; // filled by the window as it opens
    QAction* saveMessage = nullptr;
    QAction* saveMessages = nullptr;
    QAction* exportLabels = nullptr;
    QAction* exportChapters = nullptr;
    QAction* exportCue = nullptr;
    QAction* quit = nullptr;

    QAction* playPause = nullptr;
    QAction* stop = nullptr;
    QAction* replay = nullptr;
    QAction* previous = nullptr;
    QAction* next = nullptr;
    QAction* back = nullptr;
    QAction* forward = nullptr;
    QAction* slower = nullptr;
    QAction* faster = nullptr;
    QAction* normalSpeed = nullptr;
    QAction* autoRead = nullptr;
    QAction* readAll = nullptr;
    QAction* levelLoudness = nullptr;

    QAction* goToTime = nullptr;
    QAction* nextFile = nullptr;
    QAction* previousFile = nullptr;
    QAction* lastPlayed = nullptr;

    QAction* star = nullptr;
    QAction* heard = nullptr;
    QAction* note = nullptr;

    QAction* shortcuts = nullptr;
    QAction* about = nullptr;

    // Every action's text and shortcut, a line each, for the help.
    QString ShortcutList() const;
};

} // namespace quelm
