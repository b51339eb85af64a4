#include "Signals.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <stdexcept>
#include <unistd.h>
#include <utility>

// THE SIGNAL MAP: every handler of the program is here.
//
// SIGINT, SIGTERM, SIGHUP, the stop signals: OnStopSignal, installed by
//   HandleStop (called by RemoveTemporaryFilesOnSignals: the command line
//   program at start-up, the window's SignalCloser) for each signal but one
//   ignored at that moment (nohup, a background job): that one stays
//   ignored, caught or not. The stop signals block each other while it
//   runs. In this order:
//   1. The catcher takes the signal, when one is set (CatchStop: the
//      command line's --follow for SIGINT and SIGTERM, the window's
//      SignalCloser for all three), the signal is one it catches and no
//      caught signal is pending: the signal is noted (CaughtStop, polled by
//      the follow loop) and its number written into the catcher's pipe (the
//      window's event loop reads it and closes the window). Nothing else:
//      the program ends on its own, and saves in progress finish or remove
//      their temporaries themselves.
//   2. Otherwise (no catcher, a signal it does not catch, or a second stop
//      signal before the program dealt with the first, RearmStop): the
//      cleanups run in the order added (TemporaryFile's
//      RemoveTemporaryFiles: the hidden temporaries of saves in progress),
//      then the default action is put back and the signal raised again: the
//      process ends as the signal would have ended it.
// SIGBUS: OnBusError, installed by the first RunGuarded (FaultGuard). Its
//   FaultJump jumps out of a guarded read of a mapped file that another
//   program cut short (siglongjmp back into RunGuarded). A fault it does
//   not take goes to the handler that was there before, or ends the process
//   by the default action.
// SIGPIPE: ignored by the command line program (IgnoreBrokenPipe): a reader
//   that went away is a failed write.
// Every other signal keeps its default action. Threads the program starts
// for its own work (StartWithoutStops: the timeline's walk ahead) block the
// stop signals, so that a stop reaches the thread that looks for it.
//
// Async-signal-safety: the handlers only load and compare-exchange
// lock-free atomics, read g_previousBus (written before the SIGBUS handler
// is installed), call write, unlinkat (in the cleanup), sigaction, raise
// and siglongjmp, and keep errno. Nothing they reach is ever freed.

namespace quelm
{

namespace
{

constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};
constexpr std::size_t kMaxCleanups = 4;

std::mutex g_setup; // the installing functions, never the handlers
bool g_stopInstalled = false;
bool g_busInstalled = false;

std::array<std::atomic<Signals::Cleanup>, kMaxCleanups> g_cleanups{};
std::atomic<bool> g_catcherSet{false};
std::atomic<unsigned> g_caughtSignals{0}; // bit N: signal N is caught
std::atomic<int> g_notifyFd{-1};
std::atomic<int> g_caught{0};

struct sigaction g_previousBus {
};
std::atomic<Signals::FaultJump> g_faultJump{nullptr};

static_assert(std::atomic<Signals::Cleanup>::is_always_lock_free &&
              std::atomic<Signals::FaultJump>::is_always_lock_free && std::atomic<unsigned>::is_always_lock_free &&
              std::atomic<int>::is_always_lock_free);

unsigned Bit(int Signal)
{
    return 1U << static_cast<unsigned>(Signal);
}

extern "C" void OnStopSignal(int Signal)
{
    const int saved = errno;
    int none = 0;
    if ((g_caughtSignals.load() & Bit(Signal)) != 0 && g_caught.compare_exchange_strong(none, Signal)) {
        const int fd = g_notifyFd.load();
        const char number = static_cast<char>(Signal);
        if (fd >= 0) {
            (void)!::write(fd, &number, 1);
        }
        errno = saved;
        return;
    }
    for (const std::atomic<Signals::Cleanup>& cleanup : g_cleanups) {
        if (const Signals::Cleanup work = cleanup.load(); work != nullptr) {
            work();
        }
    }
    Signals::EndBy(Signal);
    errno = saved;
}

extern "C" void OnBusError(int Signal, siginfo_t* Info, void* Context)
{
    if (const Signals::FaultJump jump = g_faultJump.load(); jump != nullptr) {
        jump(Info->si_addr);
    }
    if ((g_previousBus.sa_flags & SA_SIGINFO) != 0 && g_previousBus.sa_sigaction != nullptr) {
        g_previousBus.sa_sigaction(Signal, Info, Context);
        return;
    }
    if (g_previousBus.sa_handler != SIG_DFL && g_previousBus.sa_handler != SIG_IGN &&
        g_previousBus.sa_handler != nullptr) {
        g_previousBus.sa_handler(Signal);
        return;
    }
    Signals::EndBy(Signal);
}

} // namespace

void Signals::AddCleanup(Cleanup Work)
{
    const std::lock_guard lock(g_setup);
    for (std::atomic<Signals::Cleanup>& cleanup : g_cleanups) {
        const Cleanup there = cleanup.load();
        if (there == Work) {
            return;
        }
        if (there == nullptr) {
            cleanup.store(Work);
            return;
        }
    }
    throw std::logic_error("too many clean-ups for the stop signals");
}

void Signals::HandleStop()
{
    const std::lock_guard lock(g_setup);
    if (g_stopInstalled) {
        return;
    }
    g_stopInstalled = true;
    struct sigaction action {
    };
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : kStopSignals) {
        sigaddset(&action.sa_mask, signal);
    }
    action.sa_flags = SA_RESTART;
    for (const int signal : kStopSignals) {
        struct sigaction old {
        };
        if (::sigaction(signal, nullptr, &old) == 0 && (old.sa_flags & SA_SIGINFO) == 0 && old.sa_handler == SIG_IGN) {
            continue;
        }
        ::sigaction(signal, &action, nullptr);
    }
}

bool Signals::CatchStop(std::initializer_list<int> Caught, int NotifyFd)
{
    HandleStop();
    if (g_catcherSet.exchange(true)) {
        return false;
    }
    unsigned bits = 0;
    for (const int signal : Caught) {
        for (const int stop : kStopSignals) {
            bits |= signal == stop ? Bit(signal) : 0;
        }
    }
    g_caught.store(0);
    g_notifyFd.store(NotifyFd);
    g_caughtSignals.store(bits);
    return true;
}

void Signals::ReleaseStop()
{
    g_caughtSignals.store(0);
    g_notifyFd.store(-1);
    g_caught.store(0);
    g_catcherSet.store(false);
}

int Signals::CaughtStop()
{
    return g_caught.load();
}

void Signals::RearmStop()
{
    g_caught.store(0);
}

std::thread Signals::StartWithoutStops(std::function<void()> Work)
{
    sigset_t stops;
    sigemptyset(&stops);
    for (const int signal : kStopSignals) {
        sigaddset(&stops, signal);
    }
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &stops, &previous);
    try {
        std::thread started(std::move(Work));
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return started;
    } catch (...) {
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        throw;
    }
}

void Signals::EndBy(int Signal)
{
    struct sigaction action {
    };
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(Signal, &action, nullptr);
    ::raise(Signal);
}

void Signals::IgnoreBrokenPipe()
{
    struct sigaction action {
    };
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGPIPE, &action, nullptr);
}

void Signals::HandleBusErrors(FaultJump Jump)
{
    const std::lock_guard lock(g_setup);
    if (g_busInstalled) {
        return;
    }
    g_busInstalled = true;
    g_faultJump.store(Jump);
    struct sigaction action {
    };
    action.sa_sigaction = OnBusError;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    ::sigaction(SIGBUS, nullptr, &g_previousBus);
    ::sigaction(SIGBUS, &action, nullptr);
}

} // namespace quelm
