#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quelm
{

// Throws Failure "<What> <Path>: <system message for Error>".
[[noreturn]] void SystemFailure(const std::string& What, const std::string& Path, int Error);

// Writes all Size bytes to Fd, retrying short writes; throws Failure
// naming Path when the system refuses (a full disk, say).
void WriteAll(int Fd, const void* Data, std::size_t Size, const std::string& Path);

// Writes Text as the file Target, whole or not at all: a temporary beside
// it, synced, then renamed over it. Never over Protected (the record file
// the text was made from). Throws Failure.
void SaveTextFile(const std::string& Target, std::string_view Text, const std::string& Protected);

} // namespace quelm
