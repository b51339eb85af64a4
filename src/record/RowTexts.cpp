#include "RowTexts.h"

#include "NumberReading.h"

#include <charconv>

namespace quelm
{

RowTexts::RowTexts(const SegmentRow& Row) : m_text(Row.text), m_tag(Row.tag)
{
    for (std::size_t i = 0; i < m_subItems.size(); ++i) {
        m_subItems[i] = Row.SubItem(i + 1);
    }
}

RowTexts::RowTexts(const CompactRow& Row, const SegmentRow* Whole)
{
    if (Row.Whole()) {
        m_text = Whole->text;
        m_tag = Whole->tag;
        for (std::size_t i = 0; i < m_subItems.size(); ++i) {
            m_subItems[i] = Whole->SubItem(i + 1);
        }
        return;
    }
    m_compact = &Row;
    m_text = FormatRecordNumber(Row.record, m_number);
    m_subItems[0] = CompactRow::Stamp(Row.startStamp);
    if (!Row.Open()) {
        m_subItems[1] = CompactRow::Stamp(Row.endStamp);
        const auto seconds = std::to_chars(m_seconds.data(), m_seconds.data() + m_seconds.size(), Row.seconds);
        m_subItems[2] = std::string_view(m_seconds.data(), static_cast<std::size_t>(seconds.ptr - m_seconds.data()));
    }
}

void RowTexts::MakeTag() const
{
    // " P1" while open, "P1/P2" once complete, as the table writes tags.
    const CompactRow& row = *m_compact;
    char* at = m_tagText.data();
    char* const last = m_tagText.data() + m_tagText.size();
    if (row.Open()) {
        *at++ = ' ';
        at = std::to_chars(at, last, row.start).ptr;
    } else {
        at = std::to_chars(at, last, row.start).ptr;
        *at++ = '/';
        at = std::to_chars(at, last, row.end).ptr;
    }
    m_tag = std::string_view(m_tagText.data(), static_cast<std::size_t>(at - m_tagText.data()));
    m_compact = nullptr;
}

SegmentRow RowTexts::Expand(const CompactRow& Row)
{
    const RowTexts texts(Row, nullptr);
    SegmentRow whole;
    whole.text = texts.Text();
    whole.subItems.reserve(3);
    for (std::size_t i = 1; i <= 3 && !texts.SubItem(i).empty(); ++i) {
        whole.subItems.emplace_back(texts.SubItem(i));
    }
    whole.tag = texts.Tag();
    return whole;
}

} // namespace quelm
