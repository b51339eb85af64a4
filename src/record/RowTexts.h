#pragma once

#include "CompactRow.h"
#include "SegmentRow.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace quelm
{

// The texts a row shows, the record number, the first three sub-items and
// the tag, read without allocating: views into the row, and the numbers of a
// compact row formatted into this object. Valid while both live and the row
// is unchanged.
class RowTexts
{
  public:
    explicit RowTexts(const SegmentRow& Row);
    // Whole: the table's whole row when Row is one (CompactRow::Whole).
    RowTexts(const CompactRow& Row, const SegmentRow* Whole);
    RowTexts(const RowTexts&) = delete;
    RowTexts& operator=(const RowTexts&) = delete;

    std::string_view Text() const { return m_text; }
    // Sub-item Index (1-based, up to 3), or the empty text when it has none.
    std::string_view SubItem(std::size_t Index) const
    {
        return Index >= 1 && Index <= m_subItems.size() ? m_subItems[Index - 1] : std::string_view();
    }
    std::string_view Tag() const
    {
        // Made when first asked for: the table does not show it.
        if (m_compact != nullptr) {
            MakeTag();
        }
        return m_tag;
    }

    // The row a compact row stands for, made whole.
    static SegmentRow Expand(const CompactRow& Row);

  private:
    void MakeTag() const;

    mutable const CompactRow* m_compact = nullptr; // whose tag is still to be made
    std::string_view m_text;
    std::array<std::string_view, 3> m_subItems{};
    mutable std::string_view m_tag;
    std::array<char, 24> m_number;
    std::array<char, 12> m_seconds;
    mutable std::array<char, 48> m_tagText;
};

} // namespace quelm
