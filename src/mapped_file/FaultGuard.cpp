#include "FaultGuard.h"

#include <csetjmp>
#include <csignal>
#include <cstdint>
#include <mutex>

namespace quelm
{

namespace
{

struct Guard {
    sigjmp_buf jump;
    std::uintptr_t begin;
    std::uintptr_t end;
};

thread_local Guard* t_guard = nullptr;
struct sigaction g_previous {
};

void OnBusError(int signal, siginfo_t* info, void* context)
{
    Guard* guard = t_guard;
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    if (guard != nullptr && address >= guard->begin && address < guard->end) {
        siglongjmp(guard->jump, 1);
    }
    // Not ours: hand it to whoever was there before, or let it kill us as
    // it would have without this handler.
    if ((g_previous.sa_flags & SA_SIGINFO) != 0 && g_previous.sa_sigaction != nullptr) {
        g_previous.sa_sigaction(signal, info, context);
        return;
    }
    if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN && g_previous.sa_handler != nullptr) {
        g_previous.sa_handler(signal);
        return;
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void InstallHandler()
{
    struct sigaction action {
    };
    action.sa_sigaction = OnBusError;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    ::sigaction(SIGBUS, &action, &g_previous);
}

} // namespace

bool RunGuarded(const void* Base, std::size_t Size, void (*Work)(void*), void* Context)
{
    static std::once_flag installed;
    std::call_once(installed, InstallHandler);

    Guard guard{};
    guard.begin = reinterpret_cast<std::uintptr_t>(Base);
    guard.end = guard.begin + Size;
    Guard* const outer = t_guard;
    if (sigsetjmp(guard.jump, 1) != 0) {
        t_guard = outer;
        return false;
    }
    t_guard = &guard;
    Work(Context);
    t_guard = outer;
    return true;
}

} // namespace quelm
