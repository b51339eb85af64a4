#include "SegmentTable.h"

#include "../mapped_file/Failure.h"
#include "MarkerFormat.h"
#include "NumberReading.h"
#include "TimeOfDay.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace quelm
{

namespace
{

// The first three ":"-separated fields of a time of day.
std::array<std::string_view, 3> TimeFields(std::string_view Stamp, std::int64_t Position)
{
    const auto fields = quelm::TimeFields(Stamp);
    if (!fields) {
        throw Failure("bad time stamp \"" + std::string(Stamp) + "\" (end marker at offset " +
                      std::to_string(Position - kMarkerLastByte) +
                      "): the time of day needs hours, minutes and seconds");
    }
    return *fields;
}

// Leading and trailing blanks removed in place.
void TrimBlanks(std::string& Text)
{
    const auto last = Text.find_last_not_of(' ');
    Text.erase(last == std::string::npos ? 0 : last + 1);
    Text.erase(0, Text.find_first_not_of(' '));
}

// Position in decimal at the end of Text, without a temporary string.
void AppendNumber(std::string& Text, std::int64_t Position)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, Position);
    Text.append(digits, result.ptr);
}

} // namespace

const SegmentRow& SegmentTable::Row(std::int32_t Position) const
{
    if (Position < FirstHeldRow() || Position > RowCount()) {
        throw Failure("no row " + std::to_string(Position) + " in a list of " + std::to_string(RowCount()));
    }
    return m_rows[static_cast<std::size_t>(Position - FirstHeldRow())];
}

SegmentRow& SegmentTable::RowAt(std::int32_t Position, std::int64_t MarkerPosition)
{
    if (Position < 1 || Position > RowCount()) {
        throw Failure("end marker at offset " + std::to_string(MarkerPosition - kMarkerLastByte) +
                      " has no segment to end (no start marker before it)");
    }
    if (Position < FirstHeldRow() || (m_reach > 0 && Position <= m_highest - m_reach)) {
        throw Failure("end marker at offset " + std::to_string(MarkerPosition - kMarkerLastByte) +
                      " would change segment " + std::to_string(Position) + ", which was already given out");
    }
    return m_rows[static_cast<std::size_t>(Position - FirstHeldRow())];
}

void SegmentTable::Clear(ScanHost& Host)
{
    Host.BeginClearRows();
    m_rows.clear();
    m_forgotten = 0;
    m_highest = 0;
    m_scannedFile.reset();
    Host.EndClearRows();
}

std::int32_t SegmentTable::PositionAfter(std::int64_t StartOffset) const
{
    const auto after =
        std::upper_bound(m_rows.begin(), m_rows.end(), StartOffset,
                         [](std::int64_t Offset, const SegmentRow& Row) { return Offset < Row.StartPosition(); });
    return after == m_rows.end() ? 0 : FirstHeldRow() + static_cast<std::int32_t>(after - m_rows.begin());
}

void SegmentTable::ForgetRowsBefore(std::int32_t Position)
{
    const auto count = std::clamp<std::int32_t>(Position - FirstHeldRow(), 0, RowCount() - m_forgotten);
    m_rows.erase(m_rows.begin(), m_rows.begin() + count);
    m_forgotten += count;
}

void SegmentTable::ReadMarker(std::string_view Text, std::int64_t Position, ScanHost& Host)
{
    const std::string_view keyword = Text.substr(0, kStartKeyword.size());
    if (keyword == kStartKeyword) {
        m_recordCount = CheckedAdd(m_recordCount, 1, "the record counter");
        m_highest = std::max(m_highest, m_recordCount);
        const std::string number = FormatRecordNumber(m_recordCount);
        Host.RecordPanelChanged(number);
        if (m_recordCount > RowCount() + 1) {
            throw Failure("no row position " + std::to_string(m_recordCount) + " in a list of " +
                          std::to_string(RowCount()));
        }
        SegmentRow row;
        row.text = number;
        // Room for the end time stamp and the duration to come.
        row.subItems.reserve(3);
        row.subItems.emplace_back(Text.substr(kStartKeyword.size()));
        row.tag.reserve(24);
        row.tag.assign(1, ' ');
        AppendNumber(row.tag, Position);
        Host.BeginInsertRow(m_recordCount);
        m_rows.insert(m_rows.begin() + (m_recordCount - FirstHeldRow()), std::move(row));
        Host.EndInsertRow();
        Host.ShowRow(m_recordCount);
    } else if (keyword == kEndKeyword) {
        ReadEndMarker(Text, Position, Host);
    }
}

void SegmentTable::ReadEndMarker(std::string_view Text, std::int64_t Position, ScanHost& Host)
{
    const std::int32_t position = m_recordCount;
    SegmentRow& row = RowAt(position, Position);

    // A second end marker goes in front of the first one's sub-items.
    auto at = row.subItems.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(1, row.subItems.size()));
    row.subItems.emplace(at, Text.substr(kEndKeyword.size()));
    TrimBlanks(row.tag);
    row.tag += '/';
    AppendNumber(row.tag, Position);
    Host.RowChanged(position);

    const auto start = TimeFields(row.SubItem(1), Position);
    auto end = TimeFields(row.SubItem(2), Position);
    // No day in the stamps: an end hour below the start hour crossed midnight.
    if (ReadNumber(start[0]) > ReadNumber(end[0])) {
        end[0] = "24";
    }
    const std::int32_t startSeconds = RoundToInt32(FieldSeconds(start), "the start time in seconds");
    const std::int32_t endSeconds = RoundToInt32(FieldSeconds(end), "the end time in seconds");
    const std::int32_t duration = CheckedSub(endSeconds, startSeconds, "the duration");

    auto third = row.subItems.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(2, row.subItems.size()));
    row.subItems.emplace(third, std::to_string(duration));
    Host.RowChanged(position);
    Host.ShowRow(position);

    if (Host.FilterOn() && Host.FilterLength() >= duration) {
        Host.BeginRemoveRow(position);
        m_rows.erase(m_rows.begin() + (position - FirstHeldRow()));
        Host.EndRemoveRow();
        m_recordCount = CheckedSub(m_recordCount, 1, "the record counter");
        Host.RecordPanelChanged(FormatRecordNumber(m_recordCount));
    }
}

} // namespace quelm
