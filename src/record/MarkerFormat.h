#pragma once

#include <cstdint>
#include <string_view>

namespace quelm
{

// A marker pseudo-frame: FF E9 09 CC, a 6-byte keyword, a 20-byte time stamp.
inline constexpr std::uint8_t kMarkerSignature[4] = {0xFF, 0xE9, 0x09, 0xCC};
inline constexpr std::uint64_t kMarkerSize = 30;
inline constexpr std::uint64_t kMarkerTextSize = 26;
inline constexpr std::string_view kStartKeyword = "STIME ";
inline constexpr std::string_view kEndKeyword = "ETIME ";

// The first offset q in [From, Last] where the four signature bytes stand,
// or UINT64_MAX when there is none. Last + 3 must lie inside Data.
std::uint64_t FindSignature(const std::uint8_t* Data, std::uint64_t From, std::uint64_t Last);

} // namespace quelm
