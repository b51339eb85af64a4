#pragma once

#include "record/ScanHost.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

class QCheckBox;
class QLabel;
class QScrollBar;
class QTableView;

namespace quelm
{

class SegmentTableModel;

// What a scan asks of the window: the list follows the table ten times a
// second and scrolls to the newest row, the "Record" panel counts, the
// pointer is busy, and the user gets a turn at every yield. The filter is
// the one the Filter box and Length set, except while the follower reads
// appended bytes: those are read with the filter of the last full scan, so
// that the list stays what one scan gives.
class WindowScanHost : public ScanHost
{
  public:
    // Resuming: true while the follower scans appended bytes.
    WindowScanHost(SegmentTableModel& Model, QTableView& List, QLabel& RecordPanel, const QCheckBox& Filter,
                   const QScrollBar& Length, std::function<bool()> Resuming);

    // Before a full scan (load, filter): takes its filter, and has the
    // first yield show what was found.
    void BeginFullScan();
    // Shows the rows found so far and the counter, and scrolls to the row
    // the scan asked for.
    void ShowProgress();
    // After a full scan: shows what it found, and the row it scrolled to
    // last becomes the list's current row, so that the keys move from the
    // row in view.
    void EndFullScan();
    // Empties the counter: Stop leaves the list without one.
    void ClearRecordPanel();

    void BeginClearRows() override;
    void EndClearRows() override;
    void BeginRemoveRow(std::int32_t Position) override;
    void EndRemoveRow() override;
    void RowChanged(std::int32_t Position) override;
    void ShowRow(std::int32_t Position) override;
    void RecordPanelChanged(std::int32_t RecordCount) override;
    void BusyPointer(bool Busy) override;
    void Yield(std::uint64_t Done, std::uint64_t Total) override;
    bool FilterOn() const override;
    std::int32_t FilterLength() const override;

  private:
    SegmentTableModel& m_model;
    QTableView& m_list;
    QLabel& m_recordPanel;
    const QCheckBox& m_filter;
    const QScrollBar& m_length;
    std::function<bool()> m_resuming;

    std::pair<bool, std::int32_t> m_scanFilter{false, 0}; // Filter and Length at the last full scan
    int m_rowToShow = 0;
    int m_rowShown = 0; // the row the full scan scrolled to last
    // The "Record" panel's number as the scan has it, shown now and then.
    std::int32_t m_recordCount = 0;
    bool m_recordTextPending = false;
    std::chrono::steady_clock::time_point m_lastShown;
};

} // namespace quelm
