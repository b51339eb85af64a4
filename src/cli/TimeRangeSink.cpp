#include "TimeRangeSink.h"

namespace quelm::cli
{

void TimeRangeSink::Take(const SegmentRow& Row)
{
    if (m_range.KeepsStamp(Row.SubItem(1))) {
        m_next.Take(Row);
    }
}

} // namespace quelm::cli
