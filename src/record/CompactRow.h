#pragma once

#include "MarkerFormat.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace quelm
{

// A segment row in one of the two shapes nearly every row has, held in 64
// bytes: open (its start marker only) or complete (one end marker read),
// with numbers instead of the texts they are shown as and the stamps as the
// markers hold them. A row of any other shape (a second end marker, an end
// marker that failed, a position out of the range below) is held whole by
// its table, and its compact row only names it.
struct CompactRow {
    static constexpr std::int64_t kOpen = -1;  // in end: no end marker yet
    static constexpr std::int64_t kWhole = -2; // in end: the table holds the row whole; seconds is its key
    // Positions up to this one read back from their text through a double
    // exactly, as SegmentRow reads them; larger ones make a row whole.
    static constexpr std::int64_t kMaxPosition = 9'000'000'000'000'000;

    // No initial values: a block of rows is allocated without touching
    // its pages; a row is made with {} and kOpen.
    std::int64_t start; // P1
    std::int64_t end;
    std::int32_t record;  // the record number its text shows
    std::int32_t seconds; // the duration, once complete
    std::array<char, kStampSize> startStamp;
    std::array<char, kStampSize> endStamp;

    bool Open() const { return end == kOpen; }
    bool Whole() const { return end == kWhole; }
    static bool Holds(std::int64_t Position) { return Position >= 0 && Position <= kMaxPosition; }
    static std::string_view Stamp(const std::array<char, kStampSize>& Stamp) { return {Stamp.data(), Stamp.size()}; }
};

static_assert(sizeof(CompactRow) == 64, "a row in one cache line");

} // namespace quelm
