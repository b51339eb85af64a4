#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quelm
{

// A segment's positions P1 and P2: the offsets of the last bytes of its
// start and end markers.
struct SegmentOffsets {
    std::int64_t p1 = 0;
    std::int64_t p2 = 0;
};

// "P1/P2[/...]" from a row's tag; nothing for a row without an end yet
// (no "/") or with an empty piece. Throws Failure when a position is out of
// range.
std::optional<SegmentOffsets> ParseOffsets(const std::string& Tag);

// A segment's start and end markers, all 30 bytes of each, as the scan
// read them.
struct SegmentMarkers {
    std::string start;
    std::string end;
};

// One segment of the list. Its position (1-based) is its record number.
// Sub-item 1 is the start time stamp, 2 the end time stamp, 3 the duration
// in seconds; the tag holds " P1" while the row is open and "P1/P2" once
// its end marker has been read. The texts are what the list shows; the
// accessors read the numbers back from them, so that a row has one truth.
struct SegmentRow {
    std::string text;
    std::vector<std::string> subItems;
    std::string tag;

    // Sub-item Index (1-based), or the empty text when the row has none.
    const std::string& SubItem(std::size_t Index) const
    {
        static const std::string kEmpty;
        return Index >= 1 && Index <= subItems.size() ? subItems[Index - 1] : kEmpty;
    }
    bool Complete() const { return subItems.size() == 3; }

    // The record number the row's text shows. Throws Failure on overflow.
    std::int32_t RecordNumber() const;
    // P1, the offset of the start marker's last byte; open rows have it too.
    std::int64_t StartPosition() const;
    // P1 and P2, once the end marker has been read.
    std::optional<SegmentOffsets> Offsets() const { return ParseOffsets(tag); }
    // True when the row can be saved: it has its end marker's position and
    // an end time stamp for the file name.
    bool HasEnd() const { return subItems.size() >= 2 && Offsets().has_value(); }
    // The markers at P1 and P2, once the end marker has been read. The end
    // marker at P2 is the first one read, whose stamp is the last sub-item
    // that is a stamp (a later end marker goes in front of it).
    std::optional<SegmentMarkers> Markers() const;
};

} // namespace quelm
