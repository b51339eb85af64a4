#include "record/FollowedFile.h"
#include "RecordWriter.h"
#include "mapped_file/Failure.h"
#include "record/Scanner.h"
#include "support/RecordBytes.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace quelm;
using namespace quelm::test;
using Change = FollowedFile::Change;
using ReadEnd = FollowedFile::ReadEnd;

namespace
{

// A file followed as the command line follows it (what Check says is to be
// read anew is read anew), with the filter on.
struct Following {
    explicit Following(const std::string& Path) : file(scanner, Path) { host.filterOn = true; }

    FollowedFile::Step Check()
    {
        const FollowedFile::Step step = file.Check();
        if (step.ReadAnew()) {
            EXPECT_EQ(file.ReadAnew().end, ReadEnd::Read);
        }
        return step;
    }
    // The rows and the record counter, as one text.
    std::string Rows() const
    {
        std::string text = std::to_string(table.RecordCount()) + "\n";
        for (const auto& row : table.Rows()) {
            text += row.text + " " + row.tag;
            for (const auto& item : row.subItems) {
                text += " |" + item;
            }
            text += "\n";
        }
        return text;
    }

    SegmentTable table;
    RecordingHost host;
    Scanner scanner{table, host};
    FollowedFile file;
};

std::string FullScan(const std::string& Path)
{
    Following full(Path);
    try {
        full.scanner.Look4Frame(Path);
    } catch (const Failure&) { // a marker cut off by the end
    }
    return full.Rows();
}

std::string Segment(const std::string& From, const std::string& To)
{
    return Start(From) + Filler(40) + End(To);
}

} // namespace

TEST(FollowedFile, EveryChangeGivesWhatAFullScanOfTheFileAsItThenIsGives)
{
    TempDir dir;
    const std::string path = dir.Path("live.mp3");
    Following follow(path);
    // Growth in steps that end anywhere, inside markers too.
    tools::RecordPlan plan;
    plan.segments = 40;
    plan.bytes = 300000;
    plan.oddCases = true;
    plan.growth.stepBytes = 2500;
    plan.growth.onStep = [&](std::uint64_t Written) {
        if (!follow.scanner.CanResume()) {
            follow.file.ReadAnew(); // the first step
        } else {
            const Change change = follow.Check().change;
            ASSERT_TRUE(change == Change::Grown || change == Change::Unchanged) << Written;
        }
        ASSERT_EQ(follow.Rows(), FullScan(path)) << Written << " bytes";
    };
    tools::WriteRecordFile(path, plan);
    ASSERT_GT(follow.table.RowCount(), 20);

    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
    EXPECT_EQ(follow.Check().change, Change::Shrank);
    EXPECT_EQ(follow.Rows(), FullScan(path));

    // The recorder starts a new file at the path.
    std::filesystem::rename(dir.Write("new.mp3", Segment("09:00:00", "09:00:30")), path);
    FollowedFile::Step step = follow.Check();
    EXPECT_TRUE(step.change == Change::Replaced && step.otherFile && !step.back);
    EXPECT_EQ(follow.Rows(), FullScan(path));

    std::filesystem::remove(path);
    EXPECT_EQ(follow.Check().change, Change::Gone);
    EXPECT_EQ(follow.Check().change, Change::Unchanged); // said once
    dir.Write("live.mp3", Segment("11:00:00", "11:00:09") + Segment("11:01:00", "11:01:05"));
    step = follow.Check();
    EXPECT_TRUE(step.back && step.ReadAnew());
    AppendFile(path, Segment("11:02:00", "11:02:07"));
    EXPECT_EQ(follow.Check().change, Change::Grown);
    EXPECT_EQ(follow.Rows(), FullScan(path));
    EXPECT_EQ(follow.table.RowCount(), 3);
}

TEST(FollowedFile, AFileCutShortWhileItIsReadIsReadAgainARefusedMarkerIsThrownOnce)
{
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 3000; ++i) {
        bytes += Segment("10:00:00", "10:00:05") + Filler(2000);
    }
    const std::string path = dir.Write("cut.mp3", bytes);
    Following follow(path);
    follow.host.insertDelay = std::chrono::microseconds(100);
    bool cut = false;
    follow.host.onYield = [&] {
        if (!std::exchange(cut, true)) {
            ASSERT_EQ(::truncate(path.c_str(), 100000), 0);
        }
    };
    EXPECT_EQ(follow.file.ReadAnew().end, ReadEnd::ChangedWhileRead);
    EXPECT_EQ(follow.file.ReadAnew().end, ReadEnd::Read);
    EXPECT_EQ(follow.Rows(), FullScan(path));

    // Thrown by the Check that meets it, not again while the file only
    // grows; a shorter file is read anew.
    AppendFile(path, End("no time"));
    EXPECT_THROW(follow.Check(), Failure);
    AppendFile(path, Segment("12:00:00", "12:00:05"));
    EXPECT_EQ(follow.Check().change, Change::Unchanged);
    std::filesystem::resize_file(path, 50000);
    EXPECT_EQ(follow.Check().change, Change::Shrank);
    EXPECT_EQ(follow.Rows(), FullScan(path));
}
