#include "WindowScanHost.h"

#include "SegmentTableModel.h"
#include "record/NumberReading.h"

#include <QApplication>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>

namespace quelm
{

namespace
{

// The list and the "Record" panel follow a scan ten times a second: the scan
// yields more often, to handle input and timers within a frame, and a
// repaint of the list at every yield would slow the load down.
constexpr std::chrono::milliseconds kScanFrame{100};

} // namespace

WindowScanHost::WindowScanHost(SegmentTableModel& Model, QTableView& List, QLabel& RecordPanel, const QCheckBox& Filter,
                               const QScrollBar& Length, std::function<bool()> Resuming)
    : m_model(Model), m_list(List), m_recordPanel(RecordPanel), m_filter(Filter), m_length(Length),
      m_resuming(std::move(Resuming))
{
}

void WindowScanHost::BeginFullScan()
{
    m_rowToShow = 0;
    m_rowShown = 0;
    m_scanFilter = {m_filter.isChecked(), m_length.value()};
    m_recordTextPending = false;
    m_lastShown = {}; // the first yield shows what was found
}

void WindowScanHost::ShowProgress()
{
    m_lastShown = std::chrono::steady_clock::now();
    if (m_recordTextPending) {
        m_recordPanel.setText(QString::fromStdString(FormatRecordNumber(m_recordCount)));
        m_recordTextPending = false;
    }
    m_model.Sync();
    // The row to show may have been dropped by the filter since: the last
    // row is then the newest.
    const int row = std::min(m_rowToShow, m_model.rowCount());
    m_rowToShow = 0;
    if (row > 0) {
        // The view lays out the new rows later by itself; the scroll needs
        // them now.
        m_list.doItemsLayout();
        m_list.scrollTo(m_model.index(row - 1, 0));
        m_rowShown = row;
    }
}

void WindowScanHost::EndFullScan()
{
    ShowProgress();
    const int row = std::min(m_rowShown, m_model.rowCount());
    if (row > 0) {
        // Selects nothing: a row is played only by the user.
        m_list.selectionModel()->setCurrentIndex(m_model.index(row - 1, 0), QItemSelectionModel::NoUpdate);
    }
}

void WindowScanHost::ClearRecordPanel()
{
    m_recordTextPending = false;
    m_recordPanel.setText(QString());
}

void WindowScanHost::BeginClearRows()
{
    m_model.BeginClear();
}

void WindowScanHost::EndClearRows()
{
    m_model.EndClear();
}

void WindowScanHost::BeginRemoveRow(std::int32_t Position)
{
    m_model.BeginRemove(Position);
}

void WindowScanHost::EndRemoveRow()
{
    m_model.EndRemove();
}

void WindowScanHost::RowChanged(std::int32_t Position)
{
    m_model.Changed(Position);
}

void WindowScanHost::ShowRow(std::int32_t Position)
{
    m_rowToShow = m_resuming() ? 0 : Position;
}

void WindowScanHost::RecordPanelChanged(std::int32_t RecordCount)
{
    m_recordCount = RecordCount;
    m_recordTextPending = true;
}

void WindowScanHost::BusyPointer(bool Busy)
{
    if (Busy) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void WindowScanHost::Yield(std::uint64_t, std::uint64_t)
{
    // Now and then new rows appear and the last one found is scrolled to;
    // at every yield the user gets a turn: Stop, clicks, auto-read and the
    // timers work meanwhile.
    if (std::chrono::steady_clock::now() - m_lastShown >= kScanFrame) {
        ShowProgress();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool WindowScanHost::FilterOn() const
{
    return m_resuming() ? m_scanFilter.first : m_filter.isChecked();
}

std::int32_t WindowScanHost::FilterLength() const
{
    return m_resuming() ? m_scanFilter.second : m_length.value();
}

} // namespace quelm
