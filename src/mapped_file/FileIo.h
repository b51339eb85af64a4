#pragma once

#include <cstddef>
#include <string_view>
#include <sys/types.h>

namespace quelm
{

// The one loop that writes a whole buffer: short writes go on, a signal's
// interruption is retried. Returns 0 when all was written, otherwise the
// errno that stopped it (ENOSPC for a write that took nothing).
[[nodiscard]] int WriteFully(int Fd, std::string_view Data) noexcept;

// The one loop that reads a whole range at Offset: short reads go on, a
// signal's interruption is retried, the end of the file ends it early.
// Returns the bytes read, or -errno when a read failed.
[[nodiscard]] ssize_t ReadFullyAt(int Fd, char* Data, std::size_t Size, off_t Offset) noexcept;

} // namespace quelm
