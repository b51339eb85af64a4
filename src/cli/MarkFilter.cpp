#include "MarkFilter.h"

namespace quelm::cli
{

void MarkFilter::TakeFrom(const SegmentTable& Table, std::int32_t Position)
{
    // The marks are looked up only when they choose the rows.
    if (m_starredOnly || m_unheardOnly) {
        RowSink::TakeFrom(Table, Position);
    } else {
        m_next.TakeFrom(Table, Position);
    }
}

void MarkFilter::Take(const SegmentRow& Row)
{
    if (m_starredOnly || m_unheardOnly) {
        Mark marks;
        if (m_marks != nullptr && !m_marks->empty()) {
            const auto found = m_marks->find(MarkStore::KeyOf(Row));
            if (found != m_marks->end()) {
                marks = found->second;
            }
        }
        if ((m_starredOnly && !marks.star) || (m_unheardOnly && marks.heard)) {
            return;
        }
    }
    m_next.Take(Row);
}

} // namespace quelm::cli
