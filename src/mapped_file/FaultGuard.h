#pragma once

#include <cstddef>

namespace quelm
{

// Runs Work(Context) and returns true, or returns false when a bus error
// (SIGBUS: the mapped file was cut short by another program) hits an
// address inside [Base, Base + Size) while it runs. Work must be plain code
// that owns no resources, since a fault abandons it midway.
bool RunGuarded(const void* Base, std::size_t Size, void (*Work)(void*), void* Context);

} // namespace quelm
