#pragma once

#include <QObject>
#include <array>
#include <csignal>

class QSocketNotifier;
class QWidget;

namespace quelm
{

// Closes a window on SIGTERM, SIGINT and SIGHUP as its close box does, so
// that the window's own end (sound closed, playback files removed) runs. The
// handler only writes the signal's number into a pipe; the event loop reads
// it. A second signal before the first one was handled ends the process
// at once, so that a window that no longer answers can still be stopped. A
// signal that the process ignored at start stays ignored. One at a time.
class SignalCloser : public QObject
{
    Q_OBJECT
  public:
    explicit SignalCloser(QWidget& Window);
    ~SignalCloser() override; // puts the earlier handlers back

    // The signal that closed the window; 0 while none has.
    int Received() const { return m_received; }

  private:
    void Readable();

    QWidget& m_window;
    QSocketNotifier* m_notifier = nullptr;
    int m_received = 0;
    std::array<struct sigaction, 3> m_previous{};
    std::array<bool, 3> m_installed{};
};

} // namespace quelm
