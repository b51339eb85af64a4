#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

namespace quelm
{

using Id3Tag = std::array<std::uint8_t, 128>;

// "dd/MM/yyyy HH:mm:ss", or the date alone at exactly midnight.
std::string DateTimeText(const std::tm& Local);

// The 128-byte ID3v1 tag of a saved segment, stamped with Local.
Id3Tag MakeID3(const std::tm& Local);

// Appends the tag, stamped with the current local date and time, at the
// write position of the open file Desc (named Path in messages). Throws
// Failure when it cannot.
void WriteID3(int Desc, const std::string& Path);

} // namespace quelm
