#include "WindowMenus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace quelm
{

namespace
{

QAction* AddAction(QMenu& Menu, const char* Name, const QString& Text, const QList<QKeySequence>& Keys = {})
{
    auto* action = Menu.addAction(Text);
    action->setObjectName(Name);
    action->setShortcuts(Keys);
    return action;
}

} // namespace

WindowMenus::WindowMenus(QWidget& Window, QWidget& List) : QObject(&Window)
{
    bar = new QMenuBar(&Window);
    bar->setObjectName("MenuBar");
    bar->setAccessibleName("Menu");

    QMenu* file = bar->addMenu("&File");
    file->setObjectName("FileMenu");
    open = AddAction(*file, "OpenAction", "&Open…", {QKeySequence::Open});
    recent = file->addMenu("Open &Recent");
    recent->setObjectName("RecentMenu");
    saveMessage = AddAction(*file, "SaveMessageAction", "&Save message…", {QKeySequence::Save});
    saveMessages = AddAction(*file, "SaveMessagesAction", "Save &messages as one file…",
                             {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)});
    file->addSeparator();
    exportLabels = AddAction(*file, "ExportLabelsAction", "Export &labels (Audacity)…");
    exportChapters = AddAction(*file, "ExportChaptersAction", "Export &chapters (FFmpeg)…");
    exportCue = AddAction(*file, "ExportCueAction", "Export C&UE sheet…");
    file->addSeparator();
    quit = AddAction(*file, "QuitAction", "&Quit", {QKeySequence(Qt::CTRL | Qt::Key_Q)});

    QMenu* playback = bar->addMenu("&Playback");
    playback->setObjectName("PlaybackMenu");
    playPause = AddAction(*playback, "PlayPauseAction", "&Play / Pause",
                          {QKeySequence(Qt::Key_Space), QKeySequence(Qt::Key_MediaTogglePlayPause),
                           QKeySequence(Qt::Key_MediaPlay), QKeySequence(Qt::Key_MediaPause)});
    stop = AddAction(*playback, "StopAction", "&Stop", {QKeySequence(Qt::Key_S), QKeySequence(Qt::Key_MediaStop)});
    replay = AddAction(*playback, "ReplayAction", "&Replay from the start", {QKeySequence(Qt::Key_R)});
    previous = AddAction(*playback, "PreviousAction", "P&revious message",
                         {QKeySequence(Qt::Key_P), QKeySequence(Qt::Key_MediaPrevious)});
    next =
        AddAction(*playback, "NextAction", "&Next message", {QKeySequence(Qt::Key_N), QKeySequence(Qt::Key_MediaNext)});
    playback->addSeparator();
    back = AddAction(*playback, "BackAction", "&Back 5 s", {QKeySequence(Qt::Key_Left)});
    forward = AddAction(*playback, "ForwardAction", "&Forward 5 s", {QKeySequence(Qt::Key_Right)});
    playback->addSeparator();
    slower = AddAction(*playback, "SlowerAction", "S&lower", {QKeySequence(Qt::Key_BracketLeft)});
    faster = AddAction(*playback, "FasterAction", "F&aster", {QKeySequence(Qt::Key_BracketRight)});
    normalSpeed = AddAction(*playback, "NormalSpeedAction", "N&ormal speed", {QKeySequence(Qt::Key_Equal)});
    playback->addSeparator();
    autoRead =
        AddAction(*playback, "AutoReadAction", "&AutoRead (two seconds each)", {QKeySequence(Qt::CTRL | Qt::Key_P)});
    autoRead->setCheckable(true);
    readAll = AddAction(*playback, "ReadAllAction", "Read a&ll to their ends", {QKeySequence(Qt::CTRL | Qt::Key_R)});
    readAll->setCheckable(true);
    playback->addSeparator();
    levelLoudness = AddAction(*playback, "LevelLoudnessAction", "Le&vel loudness");
    levelLoudness->setCheckable(true);
    levelLoudness->setChecked(true);

    QMenu* go = bar->addMenu("&Go");
    go->setObjectName("GoMenu");
    goToTime = AddAction(*go, "GoToTimeAction", "Go to &time…", {QKeySequence(Qt::CTRL | Qt::Key_G)});
    lastPlayed = AddAction(*go, "LastPlayedAction", "&Last played", {QKeySequence(Qt::CTRL | Qt::Key_L)});
    go->addSeparator();
    nextFile = AddAction(*go, "NextFileAction", "&Next file", {QKeySequence(Qt::CTRL | Qt::Key_PageDown)});
    previousFile = AddAction(*go, "PreviousFileAction", "&Previous file", {QKeySequence(Qt::CTRL | Qt::Key_PageUp)});

    QMenu* marks = bar->addMenu("&Marks");
    marks->setObjectName("MarksMenu");
    star = AddAction(*marks, "StarAction", "&Star", {QKeySequence(Qt::CTRL | Qt::Key_B)});
    star->setCheckable(true);
    heard = AddAction(*marks, "HeardAction", "&Heard", {QKeySequence(Qt::Key_H)});
    heard->setCheckable(true);
    note = AddAction(*marks, "NoteAction", "&Note…", {QKeySequence(Qt::CTRL | Qt::Key_E)});

    QMenu* help = bar->addMenu("&Help");
    help->setObjectName("HelpMenu");
    shortcuts = AddAction(*help, "ShortcutsAction", "&Keyboard shortcuts", {QKeySequence::HelpContents});
    about = AddAction(*help, "AboutAction", "&About QuelmRdr");

    // Keys that the list uses while a message plays: there only, so that
    // Space still presses a focused button and the arrows still move in
    // the other controls. The menu shows them all the same.
    for (QAction* listOnly : {playPause, back, forward}) {
        listOnly->setShortcutContext(Qt::WidgetShortcut);
        List.addAction(listOnly);
    }
    for (QAction* windowWide :
         {open,         saveMessage, saveMessages, quit,     stop,      replay,   previous,   next,
          slower,       faster,      normalSpeed,  autoRead, readAll,   goToTime, lastPlayed, nextFile,
          previousFile, star,        heard,        note,     shortcuts, about}) {
        windowWide->setShortcutContext(Qt::WindowShortcut);
        Window.addAction(windowWide);
    }
}

QString WindowMenus::ShortcutList() const
{
    QString rows;
    for (const QMenu* menu : bar->findChildren<QMenu*>()) {
        for (const QAction* action : menu->actions()) {
            if (action->isSeparator() || action->shortcut().isEmpty()) {
                continue;
            }
            QStringList keys;
            for (const QKeySequence& key : action->shortcuts()) {
                keys << key.toString(QKeySequence::NativeText);
            }
            rows += QString("<tr><td>%1</td><td>%2</td></tr>")
                        .arg(keys.join(", ").toHtmlEscaped(), action->text().remove('&').toHtmlEscaped());
        }
    }
    return "<table cellspacing=\"4\">" + rows + "</table>";
}

} // namespace quelm
