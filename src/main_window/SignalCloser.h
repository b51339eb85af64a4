#pragma once

#include "mapped_file/UniqueFd.h"

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace quelm
{

// Closes a window on SIGTERM, SIGINT and SIGHUP as its close box does, so
// that the window's own end (sound closed, playback files removed) runs. The
// signal is caught into a pipe (mapped_file/Signals.h); the event loop reads
// it. A second signal before the first one was handled removes the
// temporaries of saves in progress and ends the process at once, so that a
// window that no longer answers can still be stopped. A signal that the
// process ignored at start stays ignored. One at a time.
class SignalCloser : public QObject
{
    Q_OBJECT
  public:
    explicit SignalCloser(QWidget& Window);
    ~SignalCloser() override; // the signals end the process again

    // The signal that closed the window; 0 while none has.
    int Received() const { return m_received; }

  private:
    void Readable();

    QWidget& m_window;
    UniqueFd m_readEnd;
    UniqueFd m_writeEnd;
    QSocketNotifier* m_notifier = nullptr;
    int m_received = 0;
};

} // namespace quelm
