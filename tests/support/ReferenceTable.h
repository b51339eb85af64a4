#pragma once

// The segment list built the plain way, every row a SegmentRow of texts
// and every time field read by the full reading rule: what the table must
// show, row for row, however it holds its rows. And marker texts and
// positions made to hit the rare shapes and every corner of the rule.
#include "mapped_file/Failure.h"
#include "record/MarkerFormat.h"
#include "record/NumberReading.h"
#include "record/SegmentRow.h"
#include "record/TimeOfDay.h"

#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace quelm::test
{

class ReferenceTable
{
  public:
    std::vector<SegmentRow> rows;
    std::int32_t recordCount = 0;
    bool filterOn = false;
    std::int32_t filterLength = 2;

    // As the table's ReadMarker; throws what it throws.
    void ReadMarker(const std::string& Text, std::int64_t Position)
    {
        const std::string keyword = Text.substr(0, 6);
        if (keyword == "STIME ") {
            recordCount = CheckedAdd(recordCount, 1, "the record counter");
            if (recordCount > static_cast<std::int32_t>(rows.size()) + 1) {
                throw Failure("no row position");
            }
            SegmentRow row{FormatRecordNumber(recordCount), {Text.substr(6)}, " " + std::to_string(Position)};
            rows.insert(rows.begin() + (recordCount - 1), row);
        } else if (keyword == "ETIME ") {
            if (recordCount < 1 || recordCount > static_cast<std::int32_t>(rows.size())) {
                throw Failure("no segment to end");
            }
            SegmentRow& row = rows[static_cast<std::size_t>(recordCount - 1)];
            row.subItems.insert(row.subItems.begin() + std::min<std::ptrdiff_t>(1, std::ssize(row.subItems)),
                                Text.substr(6));
            const auto first = row.tag.find_first_not_of(' ');
            row.tag =
                (first == std::string::npos ? std::string() : row.tag.substr(first)) + "/" + std::to_string(Position);
            const auto start = TimeFields(row.SubItem(1));
            auto end = TimeFields(row.SubItem(2));
            if (!start || !end) {
                throw Failure("bad time stamp");
            }
            if (ReadNumber((*start)[0]) > ReadNumber((*end)[0])) {
                (*end)[0] = "24";
            }
            const std::int32_t duration =
                CheckedSub(RoundToInt32(FieldSeconds(*end), "the end time in seconds"),
                           RoundToInt32(FieldSeconds(*start), "the start time in seconds"), "the duration");
            row.subItems.insert(row.subItems.begin() + std::min<std::ptrdiff_t>(2, std::ssize(row.subItems)),
                                std::to_string(duration));
            if (filterOn && filterLength >= duration) {
                rows.erase(rows.begin() + (recordCount - 1));
                recordCount = CheckedSub(recordCount, 1, "the record counter");
            }
        }
    }
};

// Makes marker texts: mostly well formed, often odd in every way a
// recorder, a damaged file or a hostile one can make them.
class MarkerMaker
{
  public:
    explicit MarkerMaker(std::uint32_t Seed) : m_random(Seed) {}

    int Pick(int Count) { return static_cast<int>(m_random() % static_cast<unsigned>(Count)); }

    // A time field: two digits, or anything the reading rule has a case for.
    std::string Field()
    {
        static const std::vector<std::string> odd = {
            "",     " ",         "0",          "7",           "007",
            "1 2",  "12 ",       " 12",        "\t3\n",       "1.5",
            "2.5",  ".5",        "5.",         "-3",          "+4",
            " -1",  "1-2",       "4a",         "x",           std::string("9\0", 2),
            "\xFF", "1\xB5",     "12.5.6",     "99",          "24",
            "60",   "123456789", "1234567890", "99999999999", "0000000001",
            "\r1",  "1\r2",      "3e5",        "..1"};
        if (Pick(3) != 0) {
            const int value = Pick(60);
            return std::string(1, static_cast<char>('0' + value / 10)) + static_cast<char>('0' + value % 10);
        }
        return odd[static_cast<std::size_t>(Pick(static_cast<int>(odd.size())))];
    }

    // A 20-byte stamp, or now and then one of another length.
    std::string Stamp()
    {
        std::string stamp;
        switch (Pick(10)) {
        case 0: // random bytes from a hostile alphabet
            for (int i = 0; i < 20; ++i) {
                static const std::string alphabet = std::string("0123456789 ::::..-+\t\n\x01\xFF\xE9/a\0", 27);
                stamp += alphabet[static_cast<std::size_t>(Pick(static_cast<int>(alphabet.size())))];
            }
            return stamp;
        case 1: // no blank: the whole stamp is the time of day
            stamp = Field() + ":" + Field() + ":" + Field();
            break;
        case 2: // too few fields
            stamp = "06/12/2026 " + Field() + ":" + Field();
            break;
        case 3: // more fields
            stamp = "06/12/2026 " + Field() + ":" + Field() + ":" + Field() + ":" + Field();
            break;
        default:
            stamp = "06/12/2026 " + Field() + ":" + Field() + ":" + Field();
        }
        stamp.resize(20, Pick(4) == 0 ? '\0' : ' ');
        return stamp;
    }

    std::string Text()
    {
        const int kind = Pick(20);
        const std::string keyword = kind < 9 ? "STIME " : kind < 18 ? "ETIME " : kind == 18 ? "stime " : "XTIME ";
        std::string text = keyword + Stamp();
        if (Pick(50) == 0) {
            text += "overlong";
        }
        return text;
    }

    // Positions as a scan gives them, and now and then as no scan does.
    std::int64_t Position()
    {
        m_position += 29 + Pick(200);
        switch (Pick(60)) {
        case 0:
            return -Pick(1000);
        case 1:
            return 9'000'000'000'000'000 + Pick(3) - 1;
        case 2:
            return INT64_MAX - Pick(2);
        default:
            return m_position;
        }
    }

  private:
    std::mt19937 m_random;
    std::int64_t m_position = 0;
};

} // namespace quelm::test
