#include "TimeRangeSink.h"

#include "record/RowTexts.h"

namespace quelm::cli
{

bool TimeRangeSink::Keeps(const TimeRange& Range, const SegmentRow& Row)
{
    return Range.KeepsStamp(Row.SubItem(1));
}

void TimeRangeSink::TakeFrom(const SegmentTable& Table, std::int32_t Position)
{
    const CompactRow& row = Table.Compact(Position);
    if (m_range.Open() || m_range.KeepsStamp(RowTexts(row, Table.Whole(row)).SubItem(1))) {
        m_next.TakeFrom(Table, Position);
    }
}

void TimeRangeSink::Take(const SegmentRow& Row)
{
    if (Keeps(m_range, Row)) {
        m_next.Take(Row);
    }
}

} // namespace quelm::cli
