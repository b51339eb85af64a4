#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace quelm
{

// A marker pseudo-frame: FF E9 09 CC, a 6-byte keyword, a 20-byte time stamp.
inline constexpr std::uint8_t kMarkerSignature[4] = {0xFF, 0xE9, 0x09, 0xCC};
inline constexpr std::uint64_t kMarkerSize = 30;
inline constexpr std::uint64_t kMarkerTextSize = 26;
inline constexpr std::string_view kStartKeyword = "STIME ";
inline constexpr std::string_view kEndKeyword = "ETIME ";

// The ways of searching for the signature: one byte at a time, or with the
// vector instructions of SSE2 (every x86-64), AVX2 or AVX-512BW. All give
// the same results.
enum class SearchPath { Bytes, Sse2, Avx2, Avx512 };

// The paths this processor can run, Bytes first, the fastest last.
std::vector<SearchPath> SupportedSearchPaths();

// Makes FindSignature use Path from now on (the fastest supported one is
// used from the start) and returns the one used before; for tests and
// benchmarks. Path must be supported.
SearchPath UseSearchPath(SearchPath Path);

// The first offset q in [From, Last] where the four signature bytes stand,
// or UINT64_MAX when there is none. Last + 3 must lie inside Data.
std::uint64_t FindSignature(const std::uint8_t* Data, std::uint64_t From, std::uint64_t Last);

} // namespace quelm
