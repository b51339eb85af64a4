#include "FaultGuard.h"

#include "Signals.h"

#include <csetjmp>
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

thread_local Guard* g_guard = nullptr;

// Asked first by the bus-error handler (see the signal map in Signals.cpp):
// a fault inside the mapping this thread is reading jumps back into
// RunGuarded; any other fault returns, to be handled as without us.
void JumpIfGuarded(void* Address)
{
    Guard* guard = g_guard;
    const auto address = reinterpret_cast<std::uintptr_t>(Address);
    if (guard != nullptr && address >= guard->begin && address < guard->end) {
        siglongjmp(guard->jump, 1);
    }
}

} // namespace

bool RunGuarded(const void* Base, std::size_t Size, void (*Work)(void*), void* Context)
{
    static std::once_flag installed;
    std::call_once(installed, [] { Signals::HandleBusErrors(JumpIfGuarded); });

    Guard guard{};
    guard.begin = reinterpret_cast<std::uintptr_t>(Base);
    guard.end = guard.begin + Size;
    Guard* const outer = g_guard;
    // The mask is not saved (a system call each time): the bus-error handler
    // blocks nothing (SA_NODEFER, an empty mask), so at the jump the mask
    // is still the one in force here.
    if (sigsetjmp(guard.jump, 0) != 0) {
        g_guard = outer;
        return false;
    }
    g_guard = &guard;
    Work(Context);
    g_guard = outer;
    return true;
}

} // namespace quelm
