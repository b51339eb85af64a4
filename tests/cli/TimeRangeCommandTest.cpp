#include "CliCommand.h"
#include "support/RecordBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace quelm::test;

namespace
{

// Messages of ten seconds over two days, one every two hours from 08:00,
// a short one at 10:30 that the filter drops, and last a message still
// open whose start has no readable time of day.
std::string TwoDays()
{
    std::string bytes;
    for (const char* date : {"06/12/2026", "07/12/2026"}) {
        for (int hour = 8; hour < 24; hour += 2) {
            char h[3] = {static_cast<char>('0' + hour / 10), static_cast<char>('0' + hour % 10), '\0'};
            bytes +=
                Filler(50) + Start(std::string(h) + ":00:00", date) + Filler(50) + End(std::string(h) + ":00:10", date);
            if (hour == 10) {
                bytes += Start("10:30:00", date) + End("10:30:01", date);
            }
        }
    }
    bytes += Marker("STIME ", "07/12/2026 1030") + Filler(20);
    return bytes;
}

// The record numbers and start stamps of a CSV listing, without quotes
// and trailing blanks.
std::vector<std::string> Records(const std::string& Csv)
{
    std::vector<std::string> rows;
    std::size_t at = Csv.find("\r\n") + 2; // past the header
    while (at < Csv.size()) {
        const auto end = Csv.find("\r\n", at);
        const std::string line = Csv.substr(at, end - at);
        const auto first = line.find(',');
        const auto third = line.find(',', line.find(',', first + 1) + 1);
        std::string row = line.substr(first + 1, third - first - 1);
        std::erase(row, '"'); // a stamp ends in a blank, so it is quoted
        rows.push_back(row.substr(0, row.find_last_not_of(' ') + 1));
        at = end + 2;
    }
    return rows;
}

} // namespace

TEST(TimeRangeCommand, ListKeepsTheRowsOfTheRangeWithTheirRecordNumbers)
{
    TempDir dir;
    const std::string file = Quote(dir.Write("day.mp3", TwoDays()));
    const auto all = Cli("list --csv " + file);
    ASSERT_EQ(all.status, 0) << all.err;
    const auto every = Records(all.out);
    ASSERT_EQ(every.size(), 17U); // the short ones dropped, the unreadable one kept by a plain list

    const auto range = Cli("list --csv --from 10:00 --to 14:30 " + file);
    ASSERT_EQ(range.status, 0) << range.err;
    EXPECT_EQ(Records(range.out),
              (std::vector<std::string>{"00000002,06/12/2026 10:00:00", "00000003,06/12/2026 12:00:00",
                                        "00000004,06/12/2026 14:00:00", "00000010,07/12/2026 10:00:00",
                                        "00000011,07/12/2026 12:00:00", "00000012,07/12/2026 14:00:00"}));

    // From 22:00 to before 09:00 spans midnight; --from alone is open-ended.
    EXPECT_EQ(Records(Cli("list --csv --from 22:00 --to 9:00 " + file).out),
              (std::vector<std::string>{"00000001,06/12/2026 08:00:00", "00000008,06/12/2026 22:00:00",
                                        "00000009,07/12/2026 08:00:00", "00000016,07/12/2026 22:00:00"}));
    EXPECT_EQ(Records(Cli("list --csv --from 22:00:01 " + file).out).size(), 0U);

    // The filter's record numbers hold: save names the same message.
    const auto unfiltered = Records(Cli("list --csv --no-filter --from 10:30 --to 10:31 " + file).out);
    EXPECT_EQ(unfiltered, (std::vector<std::string>{"00000003,06/12/2026 10:30:00", "00000012,07/12/2026 10:30:00"}));
}

TEST(TimeRangeCommand, SplitSavesOnlyTheRangeAndBadTimesAreUsageErrors)
{
    TempDir dir;
    const std::string file = Quote(dir.Write("day.mp3", TwoDays()));
    const auto split = Cli("split -d " + Quote(dir.Path("")) + " --to 09:00 " + file);
    ASSERT_EQ(split.status, 0) << split.err;
    EXPECT_EQ(std::count(split.out.begin(), split.out.end(), '\n'), 2) << split.out;
    EXPECT_NE(split.out.find("-00000009.mp3"), std::string::npos) << split.out;

    for (const char* bad : {"--from 24:00", "--to 9", "--from 10:00 --from 11:00", "--to"}) {
        const auto result = Cli(std::string("list ") + bad + " " + file);
        EXPECT_EQ(result.status, 2) << bad;
        EXPECT_NE(result.err.find("usage:"), std::string::npos) << bad;
    }
    EXPECT_EQ(Cli("save --from 10:00 " + file + " 1 -o " + Quote(dir.Path("x.mp3"))).status, 2);
}
