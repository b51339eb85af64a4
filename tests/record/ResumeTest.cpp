#include "RecordWriter.h"
#include "mapped_file/Failure.h"
#include "record/Scanner.h"
#include "support/RecordBytes.h"
#include "support/TempDir.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <set>

using namespace quelm;
using namespace quelm::test;

namespace
{

bool CutOff(const Failure& F)
{
    return std::string(F.what()).find("cut off") != std::string::npos;
}

// What a scan leaves for the user to see, as one text: the rows, the record
// counter, the "Record" panel and a refused marker (a marker cut off by the
// end of the file is no failure here).
std::string Snapshot(const SegmentTable& Table, const RecordingHost& Host, const std::string& Failure)
{
    std::string text = std::to_string(Table.RecordCount()) + " [" + (Host.panel.empty() ? "" : Host.panel.back()) +
                       "] " + Failure + "\n";
    for (const auto& row : Table.Rows()) {
        text += row.text + " " + row.tag;
        for (const auto& item : row.subItems) {
            text += " |" + item;
        }
        text += "\n";
    }
    return text;
}

std::string FullScan(const std::string& Path, bool FilterOn)
{
    SegmentTable table;
    RecordingHost host;
    host.filterOn = FilterOn;
    Scanner scanner(table, host);
    std::string failure;
    try {
        scanner.Look4Frame(Path);
    } catch (const Failure& f) {
        failure = CutOff(f) ? "" : f.what();
    }
    return Snapshot(table, host, failure);
}

// A record file of starts and ends in an order the recorder might write
// (with starts whose end never came, second ends, short segments for the
// filter, partial signatures and FF runs between them); now and then an
// end marker before any start, which the table refuses.
std::string RandomRecord(std::mt19937& Random, std::vector<std::size_t>& MarkerOffsets, bool BigGaps)
{
    std::string bytes;
    int second = static_cast<int>(Random() % 86000);
    auto stamp = [&] {
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", second / 3600 % 24, second / 60 % 60, second % 60);
        return std::string(text);
    };
    auto gap = [&] {
        const std::size_t length = Random() % (BigGaps ? 120000 : 300);
        for (std::size_t i = 0; i < length; ++i) {
            const auto r = Random() % 64;
            bytes += r == 0 ? std::string("\xFF\xE9\x09", 3) : std::string(1, r < 8 ? '\xFF' : char(r + 32));
        }
    };
    auto marker = [&](const std::string& Bytes) {
        MarkerOffsets.push_back(bytes.size());
        bytes += Bytes;
    };
    if (Random() % 20 == 0) {
        marker(End(stamp()));
    }
    const int segments = 1 + static_cast<int>(Random() % 12);
    for (int i = 0; i < segments; ++i) {
        gap();
        marker(Start(stamp()));
        gap();
        second += static_cast<int>(Random() % 6);
        if (Random() % 8 != 0) {
            marker(End(stamp()));
        }
        if (Random() % 8 == 0) {
            second += 1;
            marker(End(stamp()));
        }
        if (Random() % 10 == 0) {
            marker(Marker("XTIME ", stamp()));
        }
    }
    gap();
    return bytes;
}

} // namespace

TEST(Resume, EveryStepListsWhatAFullScanOfTheFileThenLists)
{
    std::mt19937 random(12);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::size_t> markers;
        const bool bigGaps = round % 50 == 0; // some steps cross the scan's chunks
        const std::string bytes = RandomRecord(random, markers, bigGaps);
        const bool filterOn = round % 2 == 0;
        // Cut points inside markers, inside segments and anywhere else.
        std::set<std::size_t> cuts;
        for (int i = 0; i < 6; ++i) {
            cuts.insert(markers[random() % markers.size()] + random() % 31);
            cuts.insert(random() % (bytes.size() + 1));
        }
        cuts.insert(bytes.size());

        TempDir dir;
        const std::string path = dir.Write("growing.mp3", "");
        SegmentTable table;
        RecordingHost host;
        host.filterOn = filterOn;
        Scanner scanner(table, host);
        std::string failure;
        std::size_t written = 0;
        for (const std::size_t cut : cuts) {
            if (cut > bytes.size()) {
                continue;
            }
            AppendFile(path, std::string_view(bytes).substr(written, cut - written));
            const bool first = written == 0 && !scanner.CanResume();
            written = cut;
            try {
                if (first) {
                    scanner.Look4Frame(path);
                } else {
                    EXPECT_NE(scanner.Resume(path), ResumeResult::Restart) << "round " << round << " at " << cut;
                }
            } catch (const Failure& f) {
                failure = CutOff(f) ? failure : f.what();
            }
            ASSERT_EQ(Snapshot(table, host, failure), FullScan(path, filterOn))
                << "round " << round << ", " << cut << " of " << bytes.size() << " bytes";
        }
    }
}

TEST(Resume, AnotherFileAShorterOneOrAStoppedScanAsksForAFullScan)
{
    TempDir dir;
    const std::string segment = Start("10:00:00") + Filler(50) + End("10:00:09");
    const std::string path = dir.Write("r.mp3", segment);
    SegmentTable table;
    RecordingHost host;
    Scanner scanner(table, host);
    EXPECT_FALSE(scanner.CanResume());
    EXPECT_EQ(scanner.Resume(path), ResumeResult::Restart);

    scanner.Look4Frame(path);
    EXPECT_TRUE(scanner.CanResume());
    EXPECT_EQ(scanner.Resume(path), ResumeResult::Unchanged);
    AppendFile(path, segment);
    EXPECT_EQ(scanner.Resume(path), ResumeResult::Grown);
    EXPECT_EQ(table.RowCount(), 2);
    EXPECT_EQ(host.busy, 0);

    // The recorder started a new file at the path: another inode.
    const std::string replacement = dir.Write("new.mp3", segment + segment + segment);
    std::filesystem::rename(replacement, path);
    EXPECT_EQ(scanner.Resume(path), ResumeResult::Restart);

    scanner.Look4Frame(path);
    std::filesystem::resize_file(path, segment.size());
    EXPECT_EQ(scanner.Resume(path), ResumeResult::Restart);

    // Rewritten in place, same inode, and longer than before.
    scanner.Look4Frame(path);
    dir.Write("r.mp3", Filler(7) + segment + segment);
    EXPECT_EQ(scanner.Resume(path), ResumeResult::Restart);

    // Stop resets the record counter: the rows no longer continue.
    scanner.Look4Frame(path);
    table.SetRecordCount(0);
    EXPECT_EQ(scanner.Resume(path), ResumeResult::Restart);

    std::string big;
    for (int i = 0; i < 3000; ++i) {
        big += segment;
    }
    const std::string stopped = dir.Write("stopped.mp3", big);
    host.insertDelay = std::chrono::microseconds(100);
    host.onYield = [&] { scanner.Stop(); };
    scanner.Look4Frame(stopped);
    EXPECT_FALSE(scanner.CanResume());
}

TEST(Resume, FollowsTheGeneratorStepByStep)
{
    TempDir dir;
    const std::string path = dir.Path("live.mp3");
    tools::RecordPlan plan;
    plan.segments = 60;
    plan.bytes = 600000;
    plan.oddCases = true;
    plan.truncateEnd = true;
    plan.growth.stepBytes = 3000;
    SegmentTable table;
    RecordingHost host;
    host.filterOn = true;
    Scanner scanner(table, host);
    int steps = 0;
    plan.growth.onStep = [&](std::uint64_t Written) {
        ++steps;
        ASSERT_EQ(std::filesystem::file_size(path), Written);
        try {
            if (!scanner.CanResume() || scanner.Resume(path) == ResumeResult::Restart) {
                scanner.Look4Frame(path);
            }
        } catch (const Failure& f) {
            ASSERT_TRUE(CutOff(f)) << f.what();
        }
        ASSERT_EQ(Snapshot(table, host, ""), FullScan(path, true)) << Written << " bytes";
    };
    tools::WriteRecordFile(path, plan);
    EXPECT_GT(steps, 100);
    EXPECT_GT(table.RowCount(), 40);
}
