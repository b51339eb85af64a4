#pragma once

#include <string>
#include <vector>

namespace quelm
{

// One segment of the list. Its position (1-based) is its record number.
// Sub-item 1 is the start time stamp, 2 the end time stamp, 3 the duration
// in seconds; the tag holds " P1" while the row is open and "P1/P2" once
// its end marker has been read.
struct SegmentRow {
    std::string text;
    std::vector<std::string> subItems;
    std::string tag;

    // Sub-item Index (1-based), or the empty text when the row has none.
    const std::string& SubItem(std::size_t Index) const
    {
        static const std::string empty;
        return Index >= 1 && Index <= subItems.size() ? subItems[Index - 1] : empty;
    }
    bool Complete() const { return subItems.size() == 3; }
};

} // namespace quelm
