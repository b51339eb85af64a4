// Finding a message by the time of day it started, and the next day's file.
#include "record/TimeSearch.h"
#include "record/RecordFolder.h"
#include "support/RecordBytes.h"
#include "support/TempDir.h"

#include "record/Scanner.h"

#include <gtest/gtest.h>

using namespace quelm;
using namespace quelm::test;

namespace
{

SegmentTable TableOf(const std::vector<std::string>& Starts)
{
    std::string bytes;
    for (const auto& start : Starts) {
        // "DD/12 HH:MM:SS"; a stamp without a time of day has no end: its
        // length could not be read.
        const bool timed = start.find(':') != std::string::npos;
        const std::string date = timed ? start.substr(0, 2) + "/12/2026" : start;
        const std::string time = timed ? start.substr(6) : "";
        bytes += Start(time, date) + Filler(10) + (timed ? End(time, date) : "") + Filler(10);
    }
    TempDir dir;
    SegmentTable table;
    ScanHost host;
    Scanner(table, host).Look4Frame(dir.Write("r.mp3", bytes));
    return table;
}

} // namespace

TEST(TimeSearch, FindsTheFirstRowThatReachesTheTimeAndTheSameTimeNextDayWhenAskedAgain)
{
    const auto table = TableOf({"01/12 10:00:00", "01/12 14:00:00", "01/12 14:20:00", "01/12 23:00:00", "xx",
                                "02/12 09:00:00", "02/12 14:30:00", "02/12 15:00:00"});
    const int at = 14 * 3600;
    EXPECT_EQ(FindTimeOfDay(table, 0, at), 2);
    EXPECT_EQ(FindTimeOfDay(table, 2, at), 7) << "the next day, not the next row";
    EXPECT_EQ(FindTimeOfDay(table, 7, at), 2) << "wraps once";
    EXPECT_EQ(FindTimeOfDay(table, 3, 14 * 3600 + 10 * 60), 7);
    EXPECT_EQ(FindTimeOfDay(table, 0, 23 * 3600 + 30 * 60), 0);
    EXPECT_EQ(FindTimeOfDay(table, 0, 0), 1);
    EXPECT_EQ(FindTimeOfDay(table, 1, 0), 6) << "the next day starts at its first readable row";
    EXPECT_EQ(FindTimeOfDay(SegmentTable(), 0, at), 0);
}

TEST(RecordFolder, StepsThroughTheMp3FilesOfTheFolderInNameOrder)
{
    TempDir dir;
    for (const char* name : {"day-02.mp3", "day-01.MP3", "day-03.mp3", "notes.txt", "day-04.mp3.part"}) {
        dir.Write(name, "x");
    }
    std::filesystem::create_directory(dir.Path("day-05.mp3"));
    EXPECT_EQ(NeighbourRecordFile(dir.Path("day-02.mp3"), 1), dir.Path("day-03.mp3"));
    EXPECT_EQ(NeighbourRecordFile(dir.Path("day-02.mp3"), -1), dir.Path("day-01.MP3"));
    EXPECT_EQ(NeighbourRecordFile(dir.Path("day-03.mp3"), 1), std::nullopt) << "a folder is no record file";
    EXPECT_EQ(NeighbourRecordFile(dir.Path("day-01.MP3"), -1), std::nullopt);
    EXPECT_EQ(NeighbourRecordFile(dir.Path("day-02b.mp3"), -1), dir.Path("day-02.mp3")) << "a file gone since";
    EXPECT_EQ(NeighbourRecordFile(dir.Path("missing/day.mp3"), 1), std::nullopt);
}
