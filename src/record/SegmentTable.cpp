#include "SegmentTable.h"

#include "../mapped_file/Failure.h"
#include "MarkerFormat.h"
#include "NumberReading.h"
#include "RowTexts.h"
#include "TimeOfDay.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>

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

// Exact seconds as RoundToInt32 gives them: itself, or its overflow.
std::int32_t WholeSeconds(std::int64_t Value, std::string_view What)
{
    if (Value < std::numeric_limits<std::int32_t>::min() || Value > std::numeric_limits<std::int32_t>::max()) {
        return RoundToInt32(static_cast<double>(Value), What);
    }
    return static_cast<std::int32_t>(Value);
}

// The duration from the start stamp to the end stamp of an end marker whose
// last byte lies at Position. Stamps of whole numbers, nearly all of them,
// are read in integers; their double sums are exact, so the result is the
// one the full reading rule gives.
std::int32_t Duration(std::string_view StartStamp, std::string_view EndStamp, std::int64_t Position)
{
    const auto wholeStart = WholeTimeFields(StartStamp);
    const auto wholeEnd = wholeStart ? WholeTimeFields(EndStamp) : std::nullopt;
    if (wholeStart && wholeEnd) {
        const auto& s = *wholeStart;
        auto e = *wholeEnd;
        // No day in the stamps: an end hour below the start hour crossed midnight.
        if (s[0] > e[0]) {
            e[0] = 24;
        }
        const std::int32_t startSeconds = WholeSeconds(s[0] * 3600 + s[1] * 60 + s[2], "the start time in seconds");
        const std::int32_t endSeconds = WholeSeconds(e[0] * 3600 + e[1] * 60 + e[2], "the end time in seconds");
        return CheckedSub(endSeconds, startSeconds, "the duration");
    }
    const auto start = TimeFields(StartStamp, Position);
    auto end = TimeFields(EndStamp, Position);
    if (ReadNumber(start[0]) > ReadNumber(end[0])) {
        end[0] = "24";
    }
    const std::int32_t startSeconds = RoundToInt32(FieldSeconds(start), "the start time in seconds");
    const std::int32_t endSeconds = RoundToInt32(FieldSeconds(end), "the end time in seconds");
    return CheckedSub(endSeconds, startSeconds, "the duration");
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

const CompactRow& SegmentTable::Compact(std::int32_t Position) const
{
    if (Position < FirstHeldRow() || Position > RowCount()) {
        throw Failure("no row " + std::to_string(Position) + " in a list of " + std::to_string(RowCount()));
    }
    return m_rows[static_cast<std::size_t>(Position - FirstHeldRow())];
}

const SegmentRow* SegmentTable::Whole(const CompactRow& Row) const
{
    return Row.Whole() ? &m_whole.at(Row.seconds) : nullptr;
}

SegmentRow SegmentTable::Row(std::int32_t Position) const
{
    const CompactRow& row = Compact(Position);
    return row.Whole() ? *Whole(row) : RowTexts::Expand(row);
}

std::vector<SegmentRow> SegmentTable::Rows() const
{
    std::vector<SegmentRow> rows;
    rows.reserve(m_rows.Size());
    for (std::int32_t position = FirstHeldRow(); position <= RowCount(); ++position) {
        rows.push_back(Row(position));
    }
    return rows;
}

std::int64_t SegmentTable::StartOf(const CompactRow& Row) const
{
    return Row.Whole() ? Whole(Row)->StartPosition() : Row.start;
}

CompactRow& SegmentTable::RowAt(std::int32_t Position, std::int64_t MarkerPosition)
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

SegmentRow& SegmentTable::HoldWhole(CompactRow& Row, SegmentRow Whole)
{
    if (!Row.Whole()) {
        Row.end = CompactRow::kWhole;
        Row.seconds = m_nextWhole++;
    }
    return m_whole[Row.seconds] = std::move(Whole);
}

void SegmentTable::DropWhole(const CompactRow& Row)
{
    if (Row.Whole()) {
        m_whole.erase(Row.seconds);
    }
}

void SegmentTable::Clear(ScanHost& Host)
{
    Host.BeginClearRows();
    m_rows.Clear();
    m_whole.clear();
    m_nextWhole = 0;
    m_forgotten = 0;
    m_highest = 0;
    m_scannedFile.reset();
    Host.EndClearRows();
}

std::int32_t SegmentTable::PositionAfter(std::int64_t StartOffset) const
{
    // The first row whose start lies past StartOffset, by halves.
    std::size_t low = 0;
    std::size_t high = m_rows.Size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (StartOffset < StartOf(m_rows[middle])) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low == m_rows.Size() ? 0 : FirstHeldRow() + static_cast<std::int32_t>(low);
}

void SegmentTable::ForgetRowsBefore(std::int32_t Position)
{
    const auto count = std::clamp<std::int32_t>(Position - FirstHeldRow(), 0, RowCount() - m_forgotten);
    for (std::size_t i = 0; !m_whole.empty() && i < static_cast<std::size_t>(count); ++i) {
        DropWhole(m_rows[i]);
    }
    m_rows.EraseFront(static_cast<std::size_t>(count));
    m_forgotten += count;
}

void SegmentTable::ReadMarker(std::string_view Text, std::int64_t Position, ScanHost& Host)
{
    const std::string_view keyword = Text.substr(0, kStartKeyword.size());
    if (keyword == kStartKeyword) {
        m_recordCount = CheckedAdd(m_recordCount, 1, "the record counter");
        m_highest = std::max(m_highest, m_recordCount);
        Host.RecordPanelChanged(m_recordCount);
        if (m_recordCount > RowCount() + 1) {
            throw Failure("no row position " + std::to_string(m_recordCount) + " in a list of " +
                          std::to_string(RowCount()));
        }
        const std::string_view stamp = Text.substr(kStartKeyword.size());
        CompactRow row{};
        row.end = CompactRow::kOpen;
        row.record = m_recordCount;
        row.start = Position;
        if (stamp.size() == kStampSize && CompactRow::Holds(Position)) {
            std::memcpy(row.startStamp.data(), stamp.data(), kStampSize);
        } else {
            SegmentRow whole;
            whole.text = FormatRecordNumber(m_recordCount);
            whole.subItems.emplace_back(stamp);
            whole.tag.assign(1, ' ');
            AppendNumber(whole.tag, Position);
            HoldWhole(row, std::move(whole));
        }
        Host.BeginInsertRow(m_recordCount);
        const std::size_t at = static_cast<std::size_t>(m_recordCount - FirstHeldRow());
        if (at == m_rows.Size()) {
            m_rows.PushBack(row);
        } else {
            m_rows.Insert(at, row);
        }
        Host.EndInsertRow();
        Host.ShowRow(m_recordCount);
    } else if (keyword == kEndKeyword) {
        ReadEndMarker(Text, Position, Host);
    }
}

void SegmentTable::ReadEndMarker(std::string_view Text, std::int64_t Position, ScanHost& Host)
{
    const std::int32_t position = m_recordCount;
    CompactRow& row = RowAt(position, Position);
    const std::string_view stamp = Text.substr(kEndKeyword.size());

    std::int32_t duration = 0;
    if (row.Open() && stamp.size() == kStampSize && CompactRow::Holds(Position)) {
        try {
            duration = Duration(CompactRow::Stamp(row.startStamp), stamp, Position);
        } catch (const Failure&) {
            // The row keeps what it got: its end stamp and position.
            SegmentRow whole = RowTexts::Expand(row);
            whole.subItems.emplace_back(stamp);
            TrimBlanks(whole.tag);
            whole.tag += '/';
            AppendNumber(whole.tag, Position);
            HoldWhole(row, std::move(whole));
            Host.RowChanged(position);
            throw;
        }
        std::memcpy(row.endStamp.data(), stamp.data(), kStampSize);
        row.end = Position;
        row.seconds = duration;
        // The host hears what it heard of a row whose texts were set one by
        // one: the end stamp and tag, then the duration.
        Host.RowChanged(position);
        Host.RowChanged(position);
        Host.ShowRow(position);
    } else {
        duration = EndWholeRow(row, position, stamp, Position, Host);
    }

    if (Host.FilterOn() && Host.FilterLength() >= duration) {
        Host.BeginRemoveRow(position);
        const auto at = static_cast<std::size_t>(position - FirstHeldRow());
        DropWhole(m_rows[at]);
        m_rows.Erase(at);
        Host.EndRemoveRow();
        m_recordCount = CheckedSub(m_recordCount, 1, "the record counter");
        Host.RecordPanelChanged(m_recordCount);
    }
}

std::int32_t SegmentTable::EndWholeRow(CompactRow& Row, std::int32_t Position, std::string_view Stamp,
                                       std::int64_t MarkerPosition, ScanHost& Host)
{
    SegmentRow& row = Row.Whole() ? m_whole.at(Row.seconds) : HoldWhole(Row, RowTexts::Expand(Row));
    // A second end marker goes in front of the first one's sub-items.
    auto at = row.subItems.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(1, row.subItems.size()));
    row.subItems.emplace(at, Stamp);
    TrimBlanks(row.tag);
    row.tag += '/';
    AppendNumber(row.tag, MarkerPosition);
    Host.RowChanged(Position);

    const std::int32_t duration = Duration(row.SubItem(1), row.SubItem(2), MarkerPosition);
    auto third = row.subItems.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(2, row.subItems.size()));
    row.subItems.emplace(third, std::to_string(duration));
    Host.RowChanged(Position);
    Host.ShowRow(Position);
    return duration;
}

} // namespace quelm
