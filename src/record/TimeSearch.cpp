#include "TimeSearch.h"

#include "TimeOfDay.h"

namespace quelm
{

std::int32_t FindTimeOfDay(const SegmentTable& Table, std::int32_t Current, std::int32_t Seconds)
{
    const std::int32_t first = Table.FirstHeldRow();
    const std::int32_t last = Table.RowCount();
    if (first > last) {
        return 0;
    }
    const auto timeAt = [&Table](std::int32_t Position) { return SecondsOfDay(Table.Row(Position).SubItem(1)); };
    const std::int32_t start = Current >= first && Current < last ? Current + 1 : first;
    // The readable row before the start, looked for once; later it is the
    // row the search passed last.
    bool hasBefore = false;
    std::int32_t before = 0;
    for (std::int32_t p = start - 1; p >= first && !hasBefore; --p) {
        if (const auto time = timeAt(p)) {
            hasBefore = true;
            before = *time;
        }
    }
    std::int32_t position = start;
    for (std::int32_t step = 0; step < last - first + 1; ++step) {
        if (const auto time = timeAt(position)) {
            if (*time >= Seconds && (!hasBefore || before < Seconds || before > *time)) {
                return position;
            }
            hasBefore = true;
            before = *time;
        }
        if (++position > last) {
            position = first; // wrapped: the first row has none before it
            hasBefore = false;
        }
    }
    return 0;
}

} // namespace quelm
