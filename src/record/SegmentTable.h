#pragma once

#include "../mapped_file/FileId.h"

#include "ScanHost.h"
#include "SegmentRow.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quelm
{

// The segment list and the record counter, built one marker at a time.
class SegmentTable
{
  public:
    // The rows held in memory: all of them, unless ForgetRowsBefore freed
    // the first ones (Rows()[0] is then row FirstHeldRow()).
    const std::vector<SegmentRow>& Rows() const { return m_rows; }
    std::int32_t RowCount() const { return m_forgotten + static_cast<std::int32_t>(m_rows.size()); }
    std::int32_t FirstHeldRow() const { return m_forgotten + 1; }

    // The row at a 1-based position; a missing or freed position is a failure.
    const SegmentRow& Row(std::int32_t Position) const;

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
    SegmentRow& RowAt(std::int32_t Position, std::int64_t MarkerPosition);
    void ReadEndMarker(std::string_view Text, std::int64_t Position, ScanHost& Host);

    std::vector<SegmentRow> m_rows;
    std::int32_t m_forgotten = 0;
    std::int32_t m_recordCount = 0;
    std::int32_t m_reach = 0;
    std::int32_t m_highest = 0; // the highest record count since Clear
    std::optional<FileId> m_scannedFile;
};

} // namespace quelm
