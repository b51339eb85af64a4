#pragma once

#include <cstddef>
#include <string>

namespace quelm
{

// Throws Failure "<What> <Path>: <system message for Error>".
[[noreturn]] void SystemFailure(const std::string& What, const std::string& Path, int Error);

// Writes all Size bytes to Fd, retrying short writes; throws Failure
// naming Path when the system refuses (a full disk, say).
void WriteAll(int Fd, const void* Data, std::size_t Size, const std::string& Path);

} // namespace quelm
