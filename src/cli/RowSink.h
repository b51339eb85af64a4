#pragma once

#include "mapped_file/FileId.h"
#include "record/SegmentRow.h"
#include "record/SegmentTable.h"

#include <optional>

namespace quelm::cli
{

// Where a listing's rows go once they are ready: the output, or the saves
// of a followed split.
class RowSink
{
  public:
    virtual ~RowSink() = default;
    virtual void Take(const SegmentRow& Row) = 0;
    // The row at Position of Table, as the table holds it: a sink that can
    // write a row from its compact form (RowTexts) takes it here without
    // the row being made; by default it is made and taken.
    virtual void TakeFrom(const SegmentTable& Table, std::int32_t Position) { Take(Table.Row(Position)); }
    // The rows that follow were scanned from File (none: unknown).
    virtual void ScannedFrom(const std::optional<FileId>& /*File*/) {}
    // A row taken before is no longer a row (followed, with the filter on: a
    // later end marker made it too short).
    virtual void Withdrawn(std::int32_t /*Record*/) {}
};

} // namespace quelm::cli
