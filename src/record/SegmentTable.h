#pragma once

#include "ScanHost.h"
#include "SegmentRow.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace quelm
{

// The segment list and the record counter, built one marker at a time.
class SegmentTable
{
  public:
    const std::vector<SegmentRow>& Rows() const { return m_rows; }
    std::int32_t RowCount() const { return static_cast<std::int32_t>(m_rows.size()); }

    // The row at a 1-based position; a missing position is a failure.
    const SegmentRow& Row(std::int32_t Position) const;

    std::int32_t RecordCount() const { return m_recordCount; }
    void SetRecordCount(std::int32_t Value) { m_recordCount = Value; }

    void Clear(ScanHost& Host);

    // Interprets one 26-byte marker text whose last byte lies at Position.
    // Throws Failure for an end marker without a row, a time of day with
    // fewer than three fields, or an overflow; the row keeps what it got.
    void ReadMarker(std::string_view Text, std::int64_t Position, ScanHost& Host);

  private:
    SegmentRow& RowAt(std::int32_t Position, std::int64_t MarkerPosition);
    void ReadEndMarker(std::string_view Text, std::int64_t Position, ScanHost& Host);

    std::vector<SegmentRow> m_rows;
    std::int32_t m_recordCount = 0;
};

} // namespace quelm
