#include "CliCommand.h"
#include "RecordWriter.h"
#include "record/AudioTimeline.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace quelm::test;

namespace
{

std::vector<std::string> Lines(const std::string& Text)
{
    std::vector<std::string> lines;
    std::istringstream in(Text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string Day(const TempDir& Dir, std::int32_t Segments)
{
    quelm::tools::RecordPlan plan;
    plan.segments = Segments;
    plan.oddCases = true;
    quelm::tools::WriteRecordFile(Dir.Path("day.mp3"), plan);
    return Dir.Path("day.mp3");
}

} // namespace

TEST(ExportCommand, LabelsChaptersAndCueAgreeWithTheTimeline)
{
    TempDir dir;
    const std::string day = Day(dir, 40);
    const auto json = Cli("list --json --timeline " + Quote(day));
    ASSERT_EQ(json.status, 0) << json.err;
    const auto labels = Cli("list --labels " + Quote(day));
    ASSERT_EQ(labels.status, 0) << labels.err;
    const auto chapters = Cli("list --chapters " + Quote(day));
    const auto cue = Cli("list --cue " + Quote(day));
    ASSERT_EQ(cue.status, 0) << cue.err;

    // Every message with an end, in each format, at its timeline place.
    std::vector<double> starts;
    for (const std::string& line : Lines(labels.out)) {
        std::istringstream fields(line);
        double start = 0;
        double end = 0;
        char tab = 0;
        fields >> start >> end;
        fields.get(tab);
        std::string title;
        std::getline(fields, title);
        EXPECT_EQ(tab, '\t');
        EXPECT_LE(start, end);
        EXPECT_EQ(title.size(), 8U + 1 + 19) << title; // record number, blank, stamp
        starts.push_back(start);
    }
    ASSERT_GT(starts.size(), 30U);
    std::size_t row = 0;
    for (const std::string& line : Lines(json.out)) {
        const auto at = line.find("\"audio_start\":\"");
        ASSERT_NE(at, std::string::npos);
        if (line.find("\"audio_start\":\"\"") == std::string::npos) {
            ASSERT_LT(row, starts.size());
            EXPECT_NEAR(std::stod(line.substr(at + 15)), starts[row++], 1e-6);
        }
    }
    EXPECT_EQ(row, starts.size());

    const auto metadata = Lines(chapters.out);
    ASSERT_EQ(metadata.front(), ";FFMETADATA1");
    ASSERT_EQ(metadata.size(), 1 + 5 * starts.size());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        EXPECT_EQ(metadata[1 + 5 * i], "[CHAPTER]");
        EXPECT_EQ(metadata[2 + 5 * i], "TIMEBASE=1/1000");
        EXPECT_EQ(metadata[3 + 5 * i], "START=" + std::to_string(std::llround(starts[i] * 1000)));
        EXPECT_EQ(metadata[5 + 5 * i].rfind("title=0000", 0), 0U);
    }

    const auto sheet = Lines(cue.out);
    EXPECT_EQ(sheet.front(), "FILE \"day.mp3\" MP3");
    ASSERT_EQ(sheet.size(), 1 + 3 * starts.size());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "  TRACK %02zu AUDIO", i + 1);
        EXPECT_EQ(sheet[1 + 3 * i], expected);
        const auto frames = std::llround(starts[i] * 75);
        std::snprintf(expected, sizeof expected, "    INDEX 01 %02lld:%02lld:%02lld", frames / 4500, frames / 75 % 60,
                      frames % 75);
        EXPECT_EQ(sheet[3 + 3 * i], expected);
    }
}

TEST(ExportCommand, ACueSheetStopsAtItsNinetyNinthTrackAndSaysSo)
{
    TempDir dir;
    const std::string day = Day(dir, 120);
    const auto cue = Cli("list --no-filter --cue " + Quote(day));
    EXPECT_EQ(cue.status, 1);
    EXPECT_NE(cue.out.find("  TRACK 99 AUDIO"), std::string::npos);
    EXPECT_EQ(cue.out.find("  TRACK 100"), std::string::npos);
    EXPECT_NE(cue.err.find("a CUE sheet holds at most 99 tracks"), std::string::npos) << cue.err;

    EXPECT_EQ(Cli("list --cue --follow " + Quote(day)).status, 2);
    EXPECT_EQ(Cli("list --labels --json " + Quote(day)).status, 2);
    EXPECT_EQ(Cli("list --timeline " + Quote(day)).status, 2);
    EXPECT_EQ(Cli("list --loudness --cue " + Quote(day)).status, 2);

    // Each message's loudness, in the last column; none for a message
    // with no end.
    const auto measured = Lines(Cli("list --csv --loudness " + Quote(day)).out);
    ASSERT_GT(measured.size(), 100U);
    EXPECT_TRUE(measured.front().ends_with(",note,loudness\r"));
    const std::string& first = measured[1];
    const double lufs = std::stod(first.substr(first.rfind(',') + 1));
    EXPECT_GT(lufs, -40.0);
    EXPECT_LT(lufs, -5.0);
}
