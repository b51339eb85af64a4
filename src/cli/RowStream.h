#pragma once

#include "CliScanHost.h"
#include "RowSink.h"
#include "record/Scanner.h"
#include "record/SegmentTable.h"

#include <cstdint>

namespace quelm::cli
{

// The list command's side of a scan: hands the rows to their sink while the
// scan runs and frees them in the table, so that a list of any file needs
// the same small memory.
//
// A row can still change while it is the last one (a second end marker);
// with the filter on, a completed row that is too short is dropped, and the
// row before it is the last one again. A listing therefore holds back the
// rows that a run of such end markers could reach: the last row without
// the filter, the last kHeldRows with it, and writes every row at the end
// of the scan, so that it equals the table of a whole scan. When following
// a growing file a row is written at once when it has its end or a later
// row has started, and written again if a later marker changes it.
class RowStream : public CliScanHost
{
  public:
    static constexpr std::int32_t kHeldRows = 4096;

    RowStream(bool FilterOn, std::int32_t FilterSeconds, SegmentTable& Table, RowSink& Sink, bool Following);

    void Yield(std::uint64_t Done, std::uint64_t Total) override;
    void RowChanged(std::int32_t Position) override { Reopen(Position); }
    void BeginRemoveRow(std::int32_t Position) override;

    // Writes the rows that are ready; after the end of a scan that is not
    // followed, all of them.
    void Emit(bool ScanEnded);
    // The table was cleared for a scan anew: its rows are written anew.
    void Restart() { m_written = m_given = 0; }
    // A caught stop signal stops Scan at its next yield, so that a run told
    // to end does not first scan the rest of a large file.
    void StopOnSignal(Scanner& Scan) { m_scanner = &Scan; }

  private:
    void Reopen(std::int32_t Position);

    SegmentTable& m_table;
    RowSink& m_sink;
    bool m_following;
    std::int32_t m_held;
    std::int32_t m_written = 0;
    std::int32_t m_given = 0; // the rows the sink has had, changed or not since
    Scanner* m_scanner = nullptr;
};

} // namespace quelm::cli
