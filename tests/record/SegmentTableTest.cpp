#include "record/SegmentTable.h"
#include "mapped_file/Failure.h"
#include "record/RowTexts.h"
#include "support/RecordBytes.h"
#include "support/ReferenceTable.h"

#include <gtest/gtest.h>
#include <optional>
#include <tuple>

using namespace quelm;
using quelm::test::RecordingHost;

namespace
{

std::string Text(const std::string& Keyword, const std::string& Stamp)
{
    std::string stamp = Stamp;
    stamp.resize(20, ' ');
    return Keyword + stamp;
}

class SegmentTableTest : public ::testing::Test
{
  protected:
    SegmentTable table;
    RecordingHost host;

    void Start(const std::string& Time, std::int64_t Position = 129)
    {
        table.ReadMarker(Text("STIME ", "06/12/2026 " + Time), Position, host);
    }
    void End(const std::string& Time, std::int64_t Position = 829)
    {
        table.ReadMarker(Text("ETIME ", "06/12/2026 " + Time), Position, host);
    }
    std::string Duration(const std::string& From, const std::string& To)
    {
        table.Clear(host);
        table.SetRecordCount(0);
        Start(From);
        End(To);
        return table.Row(1).SubItem(3);
    }
};

} // namespace

TEST_F(SegmentTableTest, StartOpensARowAndEndCompletesIt)
{
    Start("14:05:33", 987);
    ASSERT_EQ(table.RowCount(), 1);
    EXPECT_EQ(table.Row(1).text, "00000001");
    EXPECT_EQ(table.Row(1).subItems, std::vector<std::string>{"06/12/2026 14:05:33 "});
    EXPECT_EQ(table.Row(1).tag, " 987");
    EXPECT_EQ(host.panel.back(), "00000001");

    End("14:07:10", 2000);
    EXPECT_EQ(table.Row(1).subItems, (std::vector<std::string>{"06/12/2026 14:05:33 ", "06/12/2026 14:07:10 ", "97"}));
    EXPECT_EQ(table.Row(1).tag, "987/2000");
    EXPECT_TRUE(table.Row(1).Complete());
}

TEST_F(SegmentTableTest, DurationsAcrossTheDayAndMidnight)
{
    EXPECT_EQ(Duration("12:00:00", "12:01:05"), "65");
    EXPECT_EQ(Duration("23:59:50", "00:00:10"), "20");
    // The end hour is replaced by 24, not increased by it.
    EXPECT_EQ(Duration("23:50:00", "01:05:00"), "900");
    // Same hour, earlier minute: no midnight, a negative duration.
    EXPECT_EQ(Duration("12:30:00", "12:10:00"), "-1200");
    EXPECT_EQ(Duration("23:59:58\x00", "23:59:59"), "1");
}

TEST_F(SegmentTableTest, TimeFieldsAreReadLikeNumbers)
{
    // Fractions round halves to even; extra fields are ignored.
    EXPECT_EQ(Duration("10:00:0.5", "10:00:03"), "3");
    EXPECT_EQ(Duration("10:00:1.5", "10:00:03"), "1");
    EXPECT_EQ(Duration("10:00:2.5", "10:00:05"), "3");
    EXPECT_EQ(Duration("10:00:00", "10:00:02:99"), "2");
    // Fields without digits count as 0.
    EXPECT_EQ(Duration("xx:00:00", "01:aa:05"), "3605");
    // A time stamp without a blank is taken whole.
    table.Clear(host);
    table.SetRecordCount(0);
    table.ReadMarker("STIME 10:00:00.........xxx", 1, host);
    table.ReadMarker("ETIME 10:00:07-06/12/2026x", 2, host);
    EXPECT_EQ(table.Row(1).SubItem(3), "7");
    // With the blank at the end, nothing is left of the time of day.
    table.ReadMarker("STIME 10:00:00          xx", 3, host);
    EXPECT_THROW(table.ReadMarker("ETIME 10:00:07          xx", 4, host), Failure);
}

TEST_F(SegmentTableTest, FilterDropsSegmentsUpToTheLengthAndReusesTheNumber)
{
    host.filterOn = true;
    host.filterLength = 2;
    const std::vector<std::pair<std::string, bool>> cases = {
        {"10:00:00", false}, {"10:00:01", false}, {"10:00:02", false}, {"10:00:03", true}};
    for (const auto& [end, kept] : cases) {
        Start("10:00:00", 29);
        End(end, 100);
        EXPECT_EQ(table.RowCount(), kept ? 1 : 0) << end;
    }
    EXPECT_EQ(table.RecordCount(), 1);
    EXPECT_EQ(table.Row(1).text, "00000001");
    EXPECT_EQ(table.Row(1).SubItem(3), "3");

    // Start, end (dropped), start: the next start gets the dropped number again.
    table.Clear(host);
    table.SetRecordCount(0);
    host.panel.clear();
    Start("10:00:00");
    End("10:00:01");
    Start("11:00:00");
    EXPECT_EQ(host.panel, (std::vector<std::string>{"00000001", "00000000", "00000001"}));
    EXPECT_EQ(table.Row(1).SubItem(1), "06/12/2026 11:00:00 ");
}

TEST_F(SegmentTableTest, FilterOffKeepsEverythingAndNegativeDurationsAreShortWhenOn)
{
    Start("10:00:00");
    End("10:00:00");
    EXPECT_EQ(table.RowCount(), 1);

    host.filterOn = true;
    Start("12:30:00");
    End("12:10:00");
    EXPECT_EQ(table.RowCount(), 1);
}

TEST_F(SegmentTableTest, TwoStartsLeaveTheFirstOpenAndUnfiltered)
{
    host.filterOn = true;
    Start("10:00:00", 100);
    Start("10:00:05", 200);
    End("10:00:06", 300);
    EXPECT_EQ(table.RecordCount(), 1);
    ASSERT_EQ(table.RowCount(), 1);
    EXPECT_EQ(table.Row(1).subItems.size(), 1U);
    EXPECT_EQ(table.Row(1).tag, " 100");
    EXPECT_FALSE(table.Row(1).Complete());
}

TEST_F(SegmentTableTest, SecondEndGoesInFrontOfTheFirst)
{
    Start("10:00:00", 129);
    End("10:00:10", 829);
    End("10:00:20", 900);
    const auto& row = table.Row(1);
    EXPECT_EQ(row.subItems, (std::vector<std::string>{"06/12/2026 10:00:00 ", "06/12/2026 10:00:20 ", "20",
                                                      "06/12/2026 10:00:10 ", "10"}));
    EXPECT_EQ(row.tag, "129/829/900");
}

TEST_F(SegmentTableTest, EndWithoutARowFailsAndChangesNothing)
{
    EXPECT_THROW(End("10:00:00"), Failure);
    EXPECT_EQ(table.RowCount(), 0);

    // After a dropped first row the counter is 0 again.
    host.filterOn = true;
    Start("10:00:00");
    End("10:00:01");
    EXPECT_THROW(End("10:00:05"), Failure);
}

TEST_F(SegmentTableTest, BadTimeOfDayFailsLeavingTheRowAsFarAsItGot)
{
    Start("10:00:00", 129);
    try {
        End("10:00", 829);
        FAIL() << "a time of day with two fields was accepted";
    } catch (const Failure& failure) {
        EXPECT_NE(std::string(failure.what()).find("time stamp"), std::string::npos) << failure.what();
    }
    const auto& row = table.Row(1);
    EXPECT_EQ(row.subItems.size(), 2U);
    EXPECT_EQ(row.tag, "129/829");
    EXPECT_FALSE(row.Complete());
}

TEST_F(SegmentTableTest, OverflowingTimesFail)
{
    Start("99999999999:00:00");
    EXPECT_THROW(End("99999999999:00:01"), Failure);
}

TEST_F(SegmentTableTest, OtherKeywordsChangeNothing)
{
    for (const char* keyword : {"stime ", "STIMEX", "ETIME.", "XTIME "}) {
        table.ReadMarker(Text(keyword, "06/12/2026 10:00:00"), 5, host);
    }
    EXPECT_EQ(table.RowCount(), 0);
    EXPECT_TRUE(host.panel.empty());
    EXPECT_TRUE(host.events.empty());
}

// A caller that has taken the first rows frees them; numbering goes on, and
// a marker that would change a freed row fails instead of changing another.
TEST_F(SegmentTableTest, FreedRowsStayCounted)
{
    host.filterOn = true;
    Start("10:00:00");
    End("10:00:30");
    Start("11:00:00");
    End("11:00:30");
    table.ForgetRowsBefore(2);
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.FirstHeldRow(), 2);
    EXPECT_EQ(table.Rows().size(), 1U);
    EXPECT_THROW(table.Row(1), Failure);
    Start("12:00:00");
    EXPECT_EQ(table.Row(3).text, "00000003");
    End("12:00:01"); // dropped
    End("11:00:50"); // a second end for row 2, still held
    EXPECT_EQ(table.Row(2).SubItem(3), "50");
    End("11:00:01"); // drops row 2
    EXPECT_THROW(End("10:00:40"), Failure);
    table.Clear(host);
    EXPECT_EQ(table.FirstHeldRow(), 1);
}

namespace
{

// Every row the same as the plain way's, through every accessor, and the
// texts the list and the listing show of each equal to the row's.
void ExpectSameRows(const SegmentTable& Table, const quelm::test::ReferenceTable& Plain, const std::string& Where)
{
    ASSERT_EQ(Table.RowCount(), static_cast<std::int32_t>(Plain.rows.size())) << Where;
    ASSERT_EQ(Table.RecordCount(), Plain.recordCount) << Where;
    for (std::int32_t position = 1; position <= Table.RowCount(); ++position) {
        const SegmentRow& want = Plain.rows[static_cast<std::size_t>(position - 1)];
        const SegmentRow got = Table.Row(position);
        ASSERT_EQ(std::tie(got.text, got.subItems, got.tag), std::tie(want.text, want.subItems, want.tag))
            << Where << ", row " << position;
        const CompactRow& compact = Table.Compact(position);
        const RowTexts texts(compact, Table.Whole(compact));
        EXPECT_EQ(texts.Text(), want.text);
        for (std::size_t item = 1; item <= 4; ++item) {
            EXPECT_EQ(texts.SubItem(item), item <= 3 ? want.SubItem(item) : "") << Where << ", sub-item " << item;
        }
        EXPECT_EQ(texts.Tag(), want.tag) << Where;
        const auto start = [](const auto& Row) {
            try {
                return std::optional<std::int64_t>(Row.StartPosition());
            } catch (const Failure&) {
                return std::optional<std::int64_t>();
            }
        };
        if (const auto wanted = start(want)) {
            EXPECT_EQ(Table.StartPosition(position), *wanted) << Where;
        }
    }
}

} // namespace

TEST(SegmentTableAgainstPlainRows, HostileMarkersGiveTheRowsThePlainWayGives)
{
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        quelm::test::MarkerMaker make(seed);
        SegmentTable table;
        RecordingHost host;
        quelm::test::ReferenceTable plain;
        host.filterOn = plain.filterOn = seed % 2 == 0;
        host.filterLength = plain.filterLength = make.Pick(6) - 1;
        for (int marker = 0; marker < 80; ++marker) {
            const std::string text = make.Text();
            const std::int64_t position = make.Position();
            const std::string where = "seed " + std::to_string(seed) + ", marker " + std::to_string(marker);
            bool plainFailed = false;
            bool tableFailed = false;
            try {
                plain.ReadMarker(text, position);
            } catch (const Failure&) {
                plainFailed = true;
            }
            try {
                table.ReadMarker(text, position, host);
            } catch (const Failure&) {
                tableFailed = true;
            }
            ASSERT_EQ(tableFailed, plainFailed) << where;
            ExpectSameRows(table, plain, where);
            if (make.Pick(40) == 0) {
                // As Stop leaves it: later rows are put in front of the ones shown.
                const std::int32_t count = make.Pick(plain.recordCount + 1);
                table.SetRecordCount(count);
                plain.recordCount = count;
            }
        }
    }
}
