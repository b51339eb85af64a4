#include "TimeRangeSink.h"

namespace quelm::cli
{

bool TimeRangeSink::Keeps(const TimeRange& Range, const SegmentRow& Row)
{
    return Range.KeepsStamp(Row.SubItem(1));
}

void TimeRangeSink::Take(const SegmentRow& Row)
{
    if (Keeps(m_range, Row)) {
        m_next.Take(Row);
    }
}

} // namespace quelm::cli
