#include "segment_output/Id3Tag.h"

#include <gtest/gtest.h>
#include <string>

using namespace quelm;

namespace
{

std::tm At(int Year, int Month, int Day, int Hour, int Minute, int Second)
{
    std::tm t{};
    t.tm_year = Year - 1900;
    t.tm_mon = Month - 1;
    t.tm_mday = Day;
    t.tm_hour = Hour;
    t.tm_min = Minute;
    t.tm_sec = Second;
    return t;
}

std::string Bytes(const Id3Tag& Tag, std::size_t Offset, std::size_t Count)
{
    return std::string(reinterpret_cast<const char*>(Tag.data()) + Offset, Count);
}

} // namespace

TEST(Id3Tag, FieldsOfASegmentSavedAtFiveAfterTwo)
{
    const Id3Tag tag = MakeID3(At(2026, 12, 6, 14, 5, 33));
    EXPECT_EQ(Bytes(tag, 0, 3), "TAG");
    EXPECT_EQ(Bytes(tag, 3, 30), std::string("QuelmRdr") + std::string(22, '\0'));
    EXPECT_EQ(Bytes(tag, 33, 30), std::string("Quelm Segment") + std::string(17, '\0'));
    EXPECT_EQ(Bytes(tag, 63, 30), std::string("Start 06/12/2026 14:05:33") + std::string(5, '\0'));
    EXPECT_EQ(Bytes(tag, 93, 4), "2026");
    EXPECT_EQ(Bytes(tag, 97, 26), "MP3: 1 segment (extracted)");
    EXPECT_EQ(Bytes(tag, 123, 5), std::string("\x00\x00\x01\x01\x0C", 5));
}

TEST(Id3Tag, MidnightShowsTheDateAlone)
{
    EXPECT_EQ(DateTimeText(At(2027, 1, 2, 0, 0, 0)), "02/01/2027");
    EXPECT_EQ(DateTimeText(At(2027, 1, 2, 0, 0, 1)), "02/01/2027 00:00:01");
    const Id3Tag tag = MakeID3(At(2027, 1, 2, 0, 0, 0));
    EXPECT_EQ(Bytes(tag, 63, 30), std::string("Start 02/01/2027") + std::string(14, '\0'));
    EXPECT_EQ(Bytes(tag, 93, 4), "2027");
}
