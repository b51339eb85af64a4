#pragma once

#include "../mapped_file/FileId.h"

#include "CompactRow.h"
#include "RowStore.h"
#include "ScanHost.h"
#include "SegmentRow.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quelm
{

// The segment list and the record counter, built one marker at a time.
// Rows are held compact (CompactRow); the few of another shape whole, to
// the side.
class SegmentTable
{
  public:
    std::int32_t RowCount() const { return m_forgotten + static_cast<std::int32_t>(m_rows.Size()); }
    std::int32_t FirstHeldRow() const { return m_forgotten + 1; }

    // The row at a 1-based position, made with its texts; a missing or
    // freed position is a failure.
    SegmentRow Row(std::int32_t Position) const;
    // The rows held in memory, made: all of them, unless ForgetRowsBefore
    // freed the first ones (Rows()[0] is then row FirstHeldRow()). For small
    // tables: each row is made anew.
    std::vector<SegmentRow> Rows() const;

    // The row at a position as it is held, for reading it without making it
    // (RowTexts); a missing or freed position is a failure.
    const CompactRow& Compact(std::int32_t Position) const;
    // The whole row a compact row names (CompactRow::Whole), else null.
    const SegmentRow* Whole(const CompactRow& Row) const;
    // P1 of the row at a held position, as SegmentRow::StartPosition reads it.
    std::int64_t StartPosition(std::int32_t Position) const { return StartOf(Compact(Position)); }

    // The first held row whose start marker lies past StartOffset (rows
    // lie in the file's order), 0 when none does.
    std::int32_t PositionAfter(std::int64_t StartOffset) const;

    // Frees the rows before Position for a caller that has taken them and
    // needs the table to stay small on any file; they stay counted, so later
    // rows keep their numbers. A marker that would change a freed row fails.
    void ForgetRowsBefore(std::int32_t Position);

    std::int32_t RecordCount() const { return m_recordCount; }
    void SetRecordCount(std::int32_t Value) { m_recordCount = Value; }

    void Clear(ScanHost& Host);

    // Makes an end marker that reaches back to a row more than Rows rows
    // before the last row found so far fail as one that reaches a freed row
    // does, whether or not that row was freed yet: a listing that frees rows
    // as the scan yields then fails, or not, the same way whenever the scan
    // yielded. 0: no limit.
    void LimitReach(std::int32_t Rows) { m_reach = Rows; }

    // The file the rows were scanned from (set by the scanner), so that a
    // save can tell it from another file put at the same path since.
    const std::optional<FileId>& ScannedFile() const { return m_scannedFile; }
    void SetScannedFile(const FileId& File) { m_scannedFile = File; }

    // Interprets one 26-byte marker text whose last byte lies at Position.
    // Throws Failure for an end marker without a row, a time of day with
    // fewer than three fields, or an overflow; the row keeps what it got.
    void ReadMarker(std::string_view Text, std::int64_t Position, ScanHost& Host);

  private:
    CompactRow& RowAt(std::int32_t Position, std::int64_t MarkerPosition);
    void ReadEndMarker(std::string_view Text, std::int64_t Position, ScanHost& Host);
    // Completes a row of any shape but open, held whole; its duration.
    std::int32_t EndWholeRow(CompactRow& Row, std::int32_t Position, std::string_view Text, std::int64_t MarkerPosition,
                             ScanHost& Host);
    // Holds Whole to the side, named by Row.
    SegmentRow& HoldWhole(CompactRow& Row, SegmentRow Whole);
    void DropWhole(const CompactRow& Row);
    std::int64_t StartOf(const CompactRow& Row) const;

    RowStore m_rows;
    std::unordered_map<std::int32_t, SegmentRow> m_whole; // by the key in their compact rows
    std::int32_t m_nextWhole = 0;
    std::int32_t m_forgotten = 0;
    std::int32_t m_recordCount = 0;
    std::int32_t m_reach = 0;
    std::int32_t m_highest = 0; // the highest record count since Clear
    std::optional<FileId> m_scannedFile;
};

} // namespace quelm
