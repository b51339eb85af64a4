// The list's model under Qt's model checker while the window's scan host
// feeds it: a full scan, growth read with the filter of that scan, rows
// changed and dropped after they were shown, and a full scan again.
#include "SegmentTableModel.h"
#include "DisplayForm.h"
#include "WindowScanHost.h"
#include "record/Scanner.h"
#include "support/RecordBytes.h"
#include "support/ReferenceTable.h"
#include "support/TempDir.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QScrollBar>
#include <gtest/gtest.h>

using namespace quelm;
using namespace quelm::test;

namespace
{

QStringList complaints;

void Complain(QtMsgType Type, const QMessageLogContext&, const QString& Message)
{
    if (Type != QtDebugMsg && Type != QtInfoMsg) {
        complaints << Message;
    }
}

} // namespace

TEST(SegmentTableModel, StaysConsistentThroughScansGrowthChangesAndRemovals)
{
    TempDir dir;
    const std::string path = dir.Path("record.mp3");
    QWidget window;
    SegmentTable table;
    SegmentTableModel model(table);
    const DisplayForm form(window, model); // Filter on, Length 3
    bool resuming = false;
    WindowScanHost host(model, *form.listView, *form.record, *form.filter, *form.length, [&] { return resuming; });
    Scanner scanner(table, host);
    complaints.clear();
    const QtMessageHandler previous = qInstallMessageHandler(Complain);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);

    auto full = [&] {
        host.BeginFullScan();
        scanner.Look4Frame(path);
        host.ShowProgress();
    };
    auto grow = [&](const std::string& Bytes) {
        std::ofstream(path, std::ios::binary | std::ios::app) << Bytes;
        resuming = true;
        EXPECT_EQ(scanner.Resume(path), ResumeResult::Grown);
        resuming = false;
        host.ShowProgress();
    };
    auto shown = [&] {
        std::vector<std::string> seconds;
        for (int row = 0; row < model.rowCount(); ++row) {
            seconds.push_back(model.index(row, 3).data().toString().toStdString());
        }
        return seconds;
    };

    dir.Write("record.mp3", Start("10:00:00") + End("10:00:05") + Start("11:00:00") + Filler(10));
    full();
    EXPECT_EQ(shown(), (std::vector<std::string>{"5", ""}));
    EXPECT_EQ(form.record->text(), "00000002");
    form.length->setValue(20); // not for the appended bytes: they follow the scan's 3 s
    grow(End("11:00:02"));     // drops the open row
    EXPECT_EQ(shown(), (std::vector<std::string>{"5"}));
    grow(Start("12:00:00") + Filler(5));
    grow(End("12:00:09")); // ends the open row
    EXPECT_EQ(shown(), (std::vector<std::string>{"5", "9"}));
    full(); // now with 20 s
    EXPECT_EQ(shown(), (std::vector<std::string>{}));
    host.ClearRecordPanel();
    EXPECT_EQ(form.record->text(), "");

    qInstallMessageHandler(previous);
    EXPECT_TRUE(complaints.isEmpty()) << complaints.join('\n').toStdString();
    EXPECT_EQ(model.rowCount(), table.RowCount());
}

TEST(SegmentTableModel, ShowsWhatTheRowsHoldOfAnyShape)
{
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        MarkerMaker make(seed);
        SegmentTable table;
        RecordingHost host;
        host.filterOn = seed % 2 == 0;
        for (int marker = 0; marker < 300; ++marker) {
            try {
                table.ReadMarker(make.Text(), make.Position(), host);
            } catch (const Failure&) {
            }
        }
        SegmentTableModel model(table);
        model.Sync();
        ASSERT_EQ(model.rowCount(), table.RowCount());
        for (int row = 0; row < model.rowCount(); ++row) {
            const SegmentRow whole = table.Row(row + 1);
            for (int column = 0; column < 4; ++column) {
                const std::string& text = column == 0 ? whole.text : whole.SubItem(static_cast<std::size_t>(column));
                ASSERT_EQ(model.data(model.index(row, column)).toString(),
                          QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())))
                    << "seed " << seed << ", row " << row << ", column " << column;
            }
        }
    }
}
