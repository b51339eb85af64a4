#include "record/NumberReading.h"
#include "mapped_file/Failure.h"

#include <gtest/gtest.h>
#include <limits>

using namespace quelm;

TEST(ReadNumber, ReadsLeadingDecimalAndStopsAtTheFirstOtherCharacter)
{
    EXPECT_EQ(ReadNumber("12"), 12.0);
    EXPECT_EQ(ReadNumber("05"), 5.0);
    EXPECT_EQ(ReadNumber("58\0x"), 58.0);
    EXPECT_EQ(ReadNumber(std::string_view("58\0", 3)), 58.0);
    EXPECT_EQ(ReadNumber("33 PM"), 33.0);
    EXPECT_EQ(ReadNumber("7a9"), 7.0);
    EXPECT_EQ(ReadNumber("1.5"), 1.5);
    EXPECT_EQ(ReadNumber(".25"), 0.25);
    EXPECT_EQ(ReadNumber("1.2.3"), 1.2);
    EXPECT_EQ(ReadNumber("-4"), -4.0);
}

TEST(ReadNumber, IgnoresBlanksTabsAndLineFeedsAnywhere)
{
    EXPECT_EQ(ReadNumber("  1 2\t3\n4 "), 1234.0);
    EXPECT_EQ(ReadNumber(" 1 . 5"), 1.5);
    // A carriage return is not ignored: it ends the number.
    EXPECT_EQ(ReadNumber("1\r2"), 1.0);
}

TEST(ReadNumber, NoDigitsGivesZero)
{
    EXPECT_EQ(ReadNumber(""), 0.0);
    EXPECT_EQ(ReadNumber("   "), 0.0);
    EXPECT_EQ(ReadNumber("abc"), 0.0);
    EXPECT_EQ(ReadNumber("."), 0.0);
    EXPECT_EQ(ReadNumber("-"), 0.0);
}

TEST(RoundToInt32, RoundsHalvesToEvenAndRefusesOverflow)
{
    EXPECT_EQ(RoundToInt32(0.5, "x"), 0);
    EXPECT_EQ(RoundToInt32(1.5, "x"), 2);
    EXPECT_EQ(RoundToInt32(2.5, "x"), 2);
    EXPECT_EQ(RoundToInt32(-2.5, "x"), -2);
    EXPECT_EQ(RoundToInt32(2.500001, "x"), 3);
    EXPECT_EQ(RoundToInt32(2147483647.0, "x"), 2147483647);
    EXPECT_EQ(RoundToInt32(2147483646.5, "x"), 2147483646);
    EXPECT_THROW(RoundToInt32(2147483647.5, "x"), Failure);
    EXPECT_THROW(RoundToInt32(-2147483649.0, "x"), Failure);
    EXPECT_THROW(RoundToInt32(std::numeric_limits<double>::infinity(), "x"), Failure);
}

TEST(CheckedArithmetic, FailsInsteadOfWrapping)
{
    EXPECT_EQ(CheckedAdd(2147483646, 1, "x"), 2147483647);
    EXPECT_THROW(CheckedAdd(2147483647, 1, "x"), Failure);
    EXPECT_THROW(CheckedSub(-2147483647 - 1, 1, "x"), Failure);
    try {
        CheckedAdd(2147483647, 1, "the record counter");
    } catch (const Failure& failure) {
        EXPECT_NE(std::string(failure.what()).find("the record counter"), std::string::npos);
    }
}

TEST(FormatRecordNumber, PadsToEightDigitsAndShowsLongerNumbersInFull)
{
    EXPECT_EQ(FormatRecordNumber(1), "00000001");
    EXPECT_EQ(FormatRecordNumber(0), "00000000");
    EXPECT_EQ(FormatRecordNumber(12345678), "12345678");
    EXPECT_EQ(FormatRecordNumber(2147483647), "2147483647");
}
