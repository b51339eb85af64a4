#include "record/NumberReading.h"
#include "mapped_file/Failure.h"
#include "record/SegmentTable.h"
#include "record/TimeOfDay.h"
#include "support/ReferenceTable.h"
#include "support/TempDir.h"

#include <clocale>
#include <cstdlib>

#include <gtest/gtest.h>
#include <limits>
#include <vector>

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

TEST(ReadNumber, IsExactForLongDigitRunsAndExtremes)
{
    EXPECT_EQ(ReadNumber("1."), 1.0);
    EXPECT_EQ(ReadNumber("0.1000000000000000055511151231257827021181583404541015625"), 0.1);
    EXPECT_EQ(ReadNumber(std::string(100, '0') + "42"), 42.0);
    EXPECT_EQ(ReadNumber("9" + std::string(400, '0')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ReadNumber("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(ReadNumber("1e5"), 1.0);
}

TEST(ReadNumber, IgnoresTheDecimalCommaOfTheProcessLocale)
{
    // A locale whose decimal mark is a comma, built for this test alone.
    quelm::test::TempDir dir;
    const std::string build = "localedef -i de_DE -f UTF-8 -c " + dir.Path("de_DE.UTF-8") + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(build.c_str()), 0) << "localedef (package locales) could not build de_DE.UTF-8";
    ::setenv("LOCPATH", dir.Root().c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");

    EXPECT_EQ(ReadNumber("10.4"), 10.4);
    EXPECT_EQ(ReadNumber("10,4"), 10.0);
    // A duration from fractional seconds: 43210.6 - 43200.4 rounds to 11.
    SegmentTable table;
    ScanHost host;
    table.ReadMarker("STIME 06/12/2026 12:00:00.4", 29, host);
    table.ReadMarker("ETIME 06/12/2026 12:00:10.6", 59, host);
    EXPECT_EQ(table.Row(1).SubItem(3), "11");

    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
}

TEST(WholeNumbers, AgreeWithTheFullRuleWheneverTheyRead)
{
    // Every field of up to six characters from a hostile alphabet: whenever
    // the whole-number reading answers, it is what the full rule gives.
    const std::string alphabet("09 \t\n.-+:a\r\xFF", 13);
    std::string field;
    int read = 0;
    for (int length = 0; length <= 6; ++length) {
        field.assign(static_cast<std::size_t>(length), '0');
        std::vector<std::size_t> at(static_cast<std::size_t>(length), 0);
        for (;;) {
            for (std::size_t i = 0; i < at.size(); ++i) {
                field[i] = alphabet[at[i]];
            }
            if (const auto whole = ReadWholeNumber(field)) {
                ++read;
                ASSERT_EQ(static_cast<double>(*whole), ReadNumber(field)) << '"' << field << '"';
            }
            std::size_t i = 0;
            while (i < at.size() && ++at[i] == alphabet.size()) {
                at[i++] = 0;
            }
            if (i == at.size()) {
                break;
            }
        }
    }
    EXPECT_GT(read, 100000);
    // Long digit runs, signs and points are left to the full rule.
    EXPECT_EQ(ReadWholeNumber("123456789"), 123456789);
    EXPECT_EQ(ReadWholeNumber("1234567890"), std::nullopt);
    EXPECT_EQ(ReadWholeNumber(" -1"), std::nullopt);
    EXPECT_EQ(ReadWholeNumber("1.0"), std::nullopt);
    EXPECT_EQ(ReadWholeNumber("1 2x.5"), 12);
}

TEST(WholeNumbers, StampFieldsAgreeWithTheFieldsCutOneByOne)
{
    quelm::test::MarkerMaker make(7);
    for (int i = 0; i < 200000; ++i) {
        std::string stamp = make.Stamp();
        if (i % 3 == 0) {
            // Colons and blanks anywhere in the 20 bytes.
            stamp[static_cast<std::size_t>(make.Pick(20))] = make.Pick(2) == 0 ? ':' : ' ';
        }
        const auto fields = TimeFields(stamp);
        const auto whole = WholeTimeFields(stamp);
        ASSERT_EQ(whole, fields ? WholeFields(*fields) : std::nullopt) << '"' << stamp << '"';
        if (whole) {
            ASSERT_EQ(static_cast<double>((*whole)[0] * 3600 + (*whole)[1] * 60 + (*whole)[2]), FieldSeconds(*fields));
        }
    }
}
