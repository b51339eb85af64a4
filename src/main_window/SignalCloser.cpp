#include "SignalCloser.h"

#include "mapped_file/Signals.h"
#include "segment_output/TemporaryFile.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace quelm
{

SignalCloser::SignalCloser(QWidget& Window) : m_window(Window)
{
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("cannot watch for signals");
    }
    m_readEnd.Reset(ends[0]);
    m_writeEnd.Reset(ends[1]);
    RemoveTemporaryFilesOnSignals();
    if (!Signals::CatchStop({SIGTERM, SIGINT, SIGHUP}, m_writeEnd.Get())) {
        throw std::runtime_error("cannot watch for signals");
    }
    m_notifier = new QSocketNotifier(m_readEnd.Get(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalCloser::Readable);
}

SignalCloser::~SignalCloser()
{
    Signals::ReleaseStop();
    delete m_notifier; // before its descriptor closes
}

void SignalCloser::Readable()
{
    char number = 0;
    while (::read(m_readEnd.Get(), &number, 1) == 1) {
        m_received = static_cast<unsigned char>(number);
    }
    // A dialog's answer is a cancel; its caller goes on as after one,
    // then the window closes as by its close box.
    for (int i = 0; i < 8 && QApplication::activeModalWidget() != nullptr; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
    }
    m_window.close();
    Signals::RearmStop();
}

} // namespace quelm
