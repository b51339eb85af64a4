#pragma once

#include <functional>
#include <initializer_list>
#include <thread>

namespace quelm
{

// Every signal handler of the program, in one place: no other file calls
// sigaction or signal. Signals.cpp holds the signal map, the handlers and
// the rules they keep. Not an object: the process has one set of handlers.
class Signals
{
  public:
    Signals() = delete;

    // Work a stop signal does before it ends the process (removing the hidden
    // temporaries of saves in progress). Runs inside a signal handler: it must be
    // async-signal-safe and keep errno.
    using Cleanup = void (*)() noexcept;

    // Adds Cleanup to those run, in the order added, before a stop signal ends the
    // process; adding one twice keeps it once.
    static void AddCleanup(Cleanup Work);

    // Installs the one handler for the stop signals SIGINT, SIGTERM and SIGHUP,
    // each but those ignored at the first call (nohup and friends: they stay
    // ignored). Until a catcher is set, a stop signal runs the cleanups and then
    // ends the process as it would have without the handler. Later calls do
    // nothing.
    static void HandleStop();

    // Sets the catcher: the first of Caught (stop signals) that comes no longer
    // ends the process but is noted for CaughtStop, and its number is written as
    // one byte into NotifyFd (a self-pipe, or -1). The program then ends on its
    // own, cleanly; saves in progress finish or remove their temporaries
    // themselves. Any other stop signal, or a second one before RearmStop, runs
    // the cleanups and ends the process at once, so that a program that no longer
    // answers can still be stopped. Installs the handler as HandleStop does. False
    // when a catcher is set already.
    static bool CatchStop(std::initializer_list<int> Caught, int NotifyFd = -1);

    // Takes the catcher away: stop signals end the process again.
    static void ReleaseStop();

    // The stop signal caught, 0 while none has been.
    static int CaughtStop();

    // The caught signal has been dealt with: the next one is caught again.
    static void RearmStop();

    // Puts back the default action of Signal and raises it: the process ends as
    // the signal ends it, at once, or when the handler that calls this returns.
    // Async-signal-safe.
    static void EndBy(int Signal);

    // SIGPIPE is ignored: a reader that went away is a failed write, not a silent
    // end.
    static void IgnoreBrokenPipe();

    // Called by the SIGBUS handler with the faulting address. Jumps out
    // (siglongjmp) when the fault hit a read it guards; returns otherwise.
    using FaultJump = void (*)(void* Address);

    // Installs the SIGBUS handler with Jump as the first thing it asks; a fault
    // Jump does not take goes to the handler there before, or ends the process.
    // One Jump for the process: later calls do nothing.
    static void HandleBusErrors(FaultJump Jump);

    // Starts Work on a thread of its own with the stop signals blocked there,
    // so that they keep going to the threads that look for them. Throws
    // std::system_error when no thread can be started.
    static std::thread StartWithoutStops(std::function<void()> Work);
};

} // namespace quelm
