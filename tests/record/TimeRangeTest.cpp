#include "record/TimeRange.h"
#include "record/TimeOfDay.h"

#include <gtest/gtest.h>

using quelm::SecondsOfDay;
using quelm::TimeRange;

namespace
{

constexpr std::int32_t At(std::int32_t H, std::int32_t M, std::int32_t S = 0)
{
    return H * 3600 + M * 60 + S;
}

} // namespace

TEST(TimeRange, ClocksAsUsersTypeThem)
{
    const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
        {"14:30", At(14, 30)},    {"14:30:05", At(14, 30, 5)},  {"0:0", 0},
        {"9:05", At(9, 5)},       {"23:59:59", At(23, 59, 59)}, {"24:00", std::nullopt},
        {"12:60", std::nullopt},  {"12:30:60", std::nullopt},   {"14", std::nullopt},
        {"14:", std::nullopt},    {"14:30:", std::nullopt},     {"1:2:3:4", std::nullopt},
        {"123:00", std::nullopt}, {" 14:30", std::nullopt},     {"14:30 ", std::nullopt},
        {"-1:30", std::nullopt},  {"", std::nullopt},
    };
    for (const auto& [text, seconds] : cases) {
        EXPECT_EQ(TimeRange::ParseClock(text), seconds) << text;
    }
}

TEST(TimeRange, FromIsInsideToIsOutsideAndAReversedRangeWrapsMidnight)
{
    const TimeRange day(At(10, 0), At(11, 30));
    EXPECT_FALSE(day.Keeps(At(9, 59, 59)));
    EXPECT_TRUE(day.Keeps(At(10, 0)));
    EXPECT_TRUE(day.Keeps(At(11, 29, 59)));
    EXPECT_FALSE(day.Keeps(At(11, 30)));

    const TimeRange night(At(22, 0), At(6, 0));
    EXPECT_TRUE(night.Keeps(At(23, 0)));
    EXPECT_TRUE(night.Keeps(At(0, 0)));
    EXPECT_TRUE(night.Keeps(At(5, 59, 59)));
    EXPECT_FALSE(night.Keeps(At(6, 0)));
    EXPECT_FALSE(night.Keeps(At(12, 0)));

    EXPECT_TRUE(TimeRange(At(12, 0), std::nullopt).Keeps(At(23, 59)));
    EXPECT_FALSE(TimeRange(At(12, 0), std::nullopt).Keeps(At(11, 59)));
    EXPECT_TRUE(TimeRange(std::nullopt, At(12, 0)).Keeps(0));
    EXPECT_FALSE(TimeRange(At(12, 0), At(12, 0)).Keeps(At(12, 0))); // from <= t < to holds for none
}

TEST(TimeRange, StampsAreReadAsDurationsReadThem)
{
    // After the first blank, ":"-separated, each field read as a number:
    // blanks inside are ignored, fractions round halves to even.
    EXPECT_EQ(SecondsOfDay("06/12/2026 14:30:05"), At(14, 30, 5));
    EXPECT_EQ(SecondsOfDay("06/12/2026 1 4:3 0:0 5"), At(14, 30, 5));
    EXPECT_EQ(SecondsOfDay("x 0:0:0.5"), 0);
    EXPECT_EQ(SecondsOfDay("x 0:0:1.5"), 2);
    EXPECT_EQ(SecondsOfDay("14:30:05"), At(14, 30, 5)); // no date
    EXPECT_EQ(SecondsOfDay("x 25:00:00"), At(25, 0));   // read, not judged
    EXPECT_FALSE(SecondsOfDay("06/12/2026 14:30"));
    EXPECT_FALSE(SecondsOfDay("x 999999999:0:0")); // does not fit

    const TimeRange range(At(10, 0), At(11, 30));
    EXPECT_TRUE(range.KeepsStamp("07/12/2026 10:15:00"));
    EXPECT_FALSE(range.KeepsStamp("07/12/2026 10:15")); // unreadable: outside any range
    EXPECT_TRUE(TimeRange().KeepsStamp("garbage"));     // no range keeps everything
}
