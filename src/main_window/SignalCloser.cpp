#include "SignalCloser.h"

#include "segment_output/TemporaryFile.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace quelm
{

namespace
{

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_pending = 0;

extern "C" void OnSignal(int Signal)
{
    if (g_pending != 0) {
        // Ends at once: a save in progress leaves no hidden file behind.
        RemoveTemporaryFiles();
        ::signal(Signal, SIG_DFL);
        ::raise(Signal);
        return;
    }
    g_pending = 1;
    const int saved = errno;
    const char number = static_cast<char>(Signal);
    (void)!::write(g_pipe[1], &number, 1);
    errno = saved;
}

} // namespace

SignalCloser::SignalCloser(QWidget& Window) : m_window(Window)
{
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("cannot watch for signals");
    }
    g_pending = 0;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalCloser::Readable);
    struct sigaction action {
    };
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], nullptr, &m_previous[i]);
        if (m_previous[i].sa_handler != SIG_IGN) {
            m_installed[i] = ::sigaction(kSignals[i], &action, nullptr) == 0;
        }
    }
}

SignalCloser::~SignalCloser()
{
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (m_installed[i]) {
            ::sigaction(kSignals[i], &m_previous[i], nullptr);
        }
    }
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void SignalCloser::Readable()
{
    char number = 0;
    while (::read(g_pipe[0], &number, 1) == 1) {
        m_received = number;
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
    g_pending = 0;
}

} // namespace quelm
