#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quelm
{

// A marker pseudo-frame: FF E9 09 CC, a 6-byte keyword, a 20-byte time
// stamp. The keyword and the stamp together are the marker's text. This is
// the one place that knows the layout.
inline constexpr std::uint8_t kMarkerSignature[4] = {0xFF, 0xE9, 0x09, 0xCC};
inline constexpr std::string_view kMarkerSignatureText{"\xFF\xE9\x09\xCC", 4};
inline constexpr std::uint64_t kMarkerSize = 30;
inline constexpr std::uint64_t kMarkerTextOffset = 4; // the keyword follows the signature
inline constexpr std::uint64_t kMarkerTextSize = 26;
inline constexpr std::uint64_t kKeywordSize = 6;
inline constexpr std::uint64_t kStampSize = 20;
// A marker is known by the offset of its last byte (P1, P2): its first
// byte lies this many bytes before.
inline constexpr std::int64_t kMarkerLastByte = static_cast<std::int64_t>(kMarkerSize) - 1;
inline constexpr std::string_view kStartKeyword = "STIME ";
inline constexpr std::string_view kEndKeyword = "ETIME ";
static_assert(kMarkerTextOffset + kMarkerTextSize == kMarkerSize && kKeywordSize + kStampSize == kMarkerTextSize);

// The 30 bytes of a marker with Keyword (6 bytes) and Stamp, padded with
// blanks or cut to 20 bytes: what the recorder writes.
inline std::string MakeMarker(std::string_view Keyword, std::string_view Stamp)
{
    std::string marker(kMarkerSignatureText);
    marker.append(Keyword.substr(0, kKeywordSize));
    marker.resize(kMarkerTextOffset + kKeywordSize, ' ');
    marker.append(Stamp.substr(0, kStampSize));
    marker.resize(kMarkerSize, ' ');
    return marker;
}

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
