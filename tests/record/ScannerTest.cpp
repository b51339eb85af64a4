#include "record/Scanner.h"
#include "mapped_file/Failure.h"
#include "mapped_file/PopulateAhead.h"
#include "record/MarkerFormat.h"
#include "support/RecordBytes.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

using namespace quelm;
using namespace quelm::test;

namespace
{

struct ScanResult {
    SegmentTable table;
    RecordingHost host;
    std::string failure;
};

std::unique_ptr<ScanResult> ScanBytes(const std::string& Bytes, bool FilterOn = false)
{
    TempDir dir;
    auto result = std::make_unique<ScanResult>();
    result->host.filterOn = FilterOn;
    Scanner scanner(result->table, result->host);
    try {
        scanner.Look4Frame(dir.Write("record.mp3", Bytes));
    } catch (const Failure& failure) {
        result->failure = failure.what();
    }
    EXPECT_EQ(result->host.busy, 0) << "busy pointer left on";
    return result;
}

// The byte-by-byte walk: every offset tested in turn, 30 bytes skipped
// after a marker. Returns the offsets of the markers it finds, and -1 last
// when one starts too close to the end.
std::vector<std::int64_t> Walk(const std::string& b)
{
    std::vector<std::int64_t> found;
    const auto size = static_cast<std::int64_t>(b.size());
    auto at = [&](std::int64_t i) { return static_cast<unsigned char>(b[static_cast<std::size_t>(i)]); };
    for (std::int64_t p = 0; p <= size - 5; ++p) {
        if (at(p) == 0xFF && at(p + 1) == 0xE9 && at(p + 3) == 0xCC && at(p + 2) == 0x09) {
            if (p + 29 > size - 1) {
                found.push_back(-1);
                return found;
            }
            found.push_back(p);
            p += 29;
        }
    }
    return found;
}

// Offsets the scanner handed over, recovered from the row tags.
std::vector<std::int64_t> ScannedStarts(const std::string& Bytes)
{
    auto result = ScanBytes(Bytes);
    std::vector<std::int64_t> found;
    for (const auto& row : result->table.Rows()) {
        found.push_back(std::stoll(row.tag) - 29);
    }
    if (!result->failure.empty()) {
        found.push_back(-1);
    }
    return found;
}

} // namespace

TEST(Scanner, TinyAndMarkerlessFilesGiveAnEmptyList)
{
    for (const std::string& bytes : {std::string(), std::string("\xFF"), std::string("\xFF\xE9\x09\xCC")}) {
        auto result = ScanBytes(bytes);
        EXPECT_EQ(result->table.RowCount(), 0);
        EXPECT_TRUE(result->failure.empty()) << result->failure;
    }
    auto result = ScanBytes(Filler(100000, '\xFF'));
    EXPECT_EQ(result->table.RowCount(), 0);
    EXPECT_TRUE(result->host.panel.empty());
}

TEST(Scanner, FindsSegmentsWithTheirPositions)
{
    const std::string bytes = Filler(100) + Start("14:05:33") + Filler(670) + End("14:07:10") + Filler(9);
    auto result = ScanBytes(bytes);
    ASSERT_EQ(result->table.RowCount(), 1);
    EXPECT_EQ(result->table.Row(1).tag, "129/829");
    EXPECT_EQ(result->table.Row(1).SubItem(3), "97");
    EXPECT_EQ(result->host.events.front(), "clear");
}

TEST(Scanner, SignatureAfterAnFFByteStartsAtTheSecondByte)
{
    const std::string bytes = "\xFF" + Start("10:00:00") + End("10:00:05");
    auto result = ScanBytes(bytes);
    ASSERT_EQ(result->table.RowCount(), 1);
    EXPECT_EQ(result->table.Row(1).tag, "30/60");
}

TEST(Scanner, SignaturesInsideAMarkerAreNeverSeen)
{
    // One in the text, one starting at the marker's last byte.
    std::string inner = Marker("JUNK  ", std::string("ab\xFF\xE9\x09\xCC", 6));
    std::string lastByte = Marker("JUNK  ", "x");
    lastByte.back() = '\xFF';
    const std::string bytes =
        inner + lastByte + std::string("\xE9\x09\xCC", 3) + "STIME 06/12/2026 10:00:00 " + Filler(40);
    auto result = ScanBytes(bytes);
    EXPECT_EQ(result->table.RowCount(), 0);
    EXPECT_TRUE(result->failure.empty());
}

TEST(Scanner, BackToBackMarkersAndTheLastPossibleMarkerAreRead)
{
    const std::string bytes = Filler(7) + Start("10:00:00") + End("10:00:05") + Start("11:00:00") + End("11:00:09");
    auto result = ScanBytes(bytes);
    ASSERT_EQ(result->table.RowCount(), 2);
    EXPECT_EQ(result->table.Row(2).tag, std::to_string(7 + 60 + 29) + "/" + std::to_string(bytes.size() - 1));
}

TEST(Scanner, NulAsTheTwentiethStampCharacterReadsNormally)
{
    std::string start = Start("23:59:50");
    std::string end = Marker("ETIME ", "06/12/2026 23:59:58");
    end.back() = '\0';
    auto result = ScanBytes(start + end);
    ASSERT_EQ(result->table.RowCount(), 1);
    EXPECT_EQ(result->table.Row(1).SubItem(3), "8");
    EXPECT_EQ(result->table.Row(1).SubItem(2).size(), 20U);
}

TEST(Scanner, MarkerCutOffByTheEndFailsKeepingEarlierRows)
{
    const std::string good = Start("10:00:00") + End("10:00:05");
    for (std::size_t cut = 1; cut <= 25; ++cut) {
        const std::string bytes = good + Start("11:00:00").substr(0, 30 - cut);
        auto result = ScanBytes(bytes);
        EXPECT_NE(result->failure.find("cut off"), std::string::npos) << cut << ": " << result->failure;
        EXPECT_EQ(result->table.RowCount(), 1) << cut;
    }
    // Fewer than five bytes of it: never tested, no failure.
    for (std::size_t keep = 1; keep <= 4; ++keep) {
        auto result = ScanBytes(good + Start("11:00:00").substr(0, keep));
        EXPECT_TRUE(result->failure.empty()) << keep;
    }
}

TEST(Scanner, EndMarkerFirstFailsWithAnEmptyList)
{
    auto result = ScanBytes(End("10:00:00") + Start("10:00:01") + End("10:00:09"));
    EXPECT_FALSE(result->failure.empty());
    EXPECT_EQ(result->table.RowCount(), 0);
}

// Random bytes salted with signatures, partial signatures, FF runs and
// markers at random places.
std::string SaltedBytes(std::mt19937& Random, std::size_t Size)
{
    const std::string pieces[] = {std::string("\xFF\xE9\x09\xCC", 4),
                                  std::string("\xFF\xE9", 2),
                                  std::string("\xFF\xE9\x09", 3),
                                  std::string("\xFF\xFF\xE9\x09\xCC", 5),
                                  Filler(70, '\xFF'),
                                  Start("10:00:00"),
                                  End("10:00:03"),
                                  Marker("ZTIME ", "")};
    std::string bytes;
    while (bytes.size() < Size) {
        if (Random() % 40 == 0) {
            bytes += pieces[Random() % std::size(pieces)];
        } else {
            bytes += static_cast<char>(Random() % 4 == 0 ? 0xFF : Random());
        }
    }
    bytes.resize(Size);
    return bytes;
}

// Every search path the processor offers, and the byte walk.
class EverySearchPath : public ::testing::TestWithParam<SearchPath>
{
  protected:
    void SetUp() override
    {
        const auto supported = SupportedSearchPaths();
        if (std::find(supported.begin(), supported.end(), GetParam()) == supported.end()) {
            GTEST_SKIP() << "this processor cannot run it";
        }
        m_before = UseSearchPath(GetParam());
    }
    void TearDown() override { UseSearchPath(m_before); }

  private:
    SearchPath m_before = SearchPath::Bytes;
};

TEST_P(EverySearchPath, FindsWhatTheByteWalkFindsFromAnyStartToAnyEnd)
{
    std::mt19937 random(3);
    const std::string text = SaltedBytes(random, 20000);
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    for (int round = 0; round < 3000; ++round) {
        const std::uint64_t last = random() % (text.size() - 3);
        const std::uint64_t from = random() % (last + 1);
        std::uint64_t expected = UINT64_MAX;
        for (std::uint64_t q = from; q <= last && expected == UINT64_MAX; ++q) {
            if (text.compare(q, 4, "\xFF\xE9\x09\xCC") == 0) {
                expected = q;
            }
        }
        ASSERT_EQ(FindSignature(data, from, last), expected) << from << " to " << last;
    }
}

TEST_P(EverySearchPath, ScanMatchesTheByteWalkAcrossChunkEdges)
{
    std::mt19937 random(7);
    for (int round = 0; round < 16; ++round) {
        const std::string bytes = SaltedBytes(random, 1 + random() % (round < 10 ? 3000 : 600000));
        std::vector<std::int64_t> expected = Walk(bytes);
        // The table needs alternation to accept them; compare offsets on a
        // copy whose keywords are all neutral starts instead.
        std::string neutral = bytes;
        for (const auto offset : expected) {
            if (offset >= 0) {
                neutral.replace(static_cast<std::size_t>(offset) + 4, 6, "STIME ");
            }
        }
        EXPECT_EQ(ScannedStarts(neutral), expected) << "round " << round << ", " << bytes.size() << " bytes";
    }
}

std::string PathName(const ::testing::TestParamInfo<SearchPath>& Info)
{
    static const char* const names[] = {"Bytes", "Sse2", "Avx2", "Avx512"};
    return names[static_cast<int>(Info.param)];
}

INSTANTIATE_TEST_SUITE_P(Scanner, EverySearchPath,
                         ::testing::Values(SearchPath::Bytes, SearchPath::Sse2, SearchPath::Avx2, SearchPath::Avx512),
                         PathName);

// The mapping is populated ahead of the scan in pieces, from files of a
// size on: markers on, just before and just after those edges, and files
// that end at, just before or just past one, are read as anywhere.
TEST(Scanner, MarkersAndFileEndsAtThePopulatedPiecesEdgesAreReadAsAnywhere)
{
    constexpr std::size_t kPiece = PopulateAhead::kPiece;
    constexpr std::size_t kSmallest = PopulateAhead::kSmallest;
    for (const std::size_t size :
         {kSmallest - 1, kSmallest, kSmallest + 1, kSmallest + kPiece + 29, kSmallest + 2 * kPiece + (256 << 10) + 3}) {
        for (const std::size_t back : {0, 1, 29, 30}) {
            std::string bytes = Filler(size);
            // The last marker that fits, ending with the file.
            bytes.replace(size - 30, 30, Start("10:00:00"));
            for (std::size_t edge = kPiece; edge - back + 60 <= size; edge += kPiece) {
                bytes.replace(edge - back, 30, Start("10:00:00"));
            }
            EXPECT_EQ(ScannedStarts(bytes), Walk(bytes)) << size << " bytes, " << back;
        }
    }
}

TEST(Scanner, StopDuringAYieldHandsOverNoFurtherMarker)
{
    std::string bytes;
    for (int i = 0; i < 40000; ++i) {
        bytes += Start("10:00:00") + Filler(200) + End("10:00:05") + Filler(200);
    }
    TempDir dir;
    const std::string path = dir.Write("big.mp3", bytes);
    SegmentTable table;
    RecordingHost host;
    Scanner scanner(table, host);
    std::size_t rowsAtStop = 0;
    host.onYield = [&] {
        if (rowsAtStop == 0) {
            rowsAtStop = table.Rows().size();
            scanner.Stop();
        }
    };
    host.insertDelay = std::chrono::microseconds(100);
    scanner.Look4Frame(path);
    EXPECT_EQ(host.yields, 1);
    EXPECT_GT(rowsAtStop, 0U);
    EXPECT_EQ(table.Rows().size(), rowsAtStop);
    EXPECT_LT(table.Rows().size(), 40000U);
    EXPECT_FALSE(scanner.KeepScanning());
    EXPECT_FALSE(scanner.Scanning());
}

TEST(Scanner, ANestedScanIsRefusedAndTheOuterOneGoesOn)
{
    std::string bytes;
    for (int i = 0; i < 2000; ++i) {
        bytes += Start("10:00:00") + End("10:00:05");
    }
    TempDir dir;
    const std::string path = dir.Write("r.mp3", bytes);
    SegmentTable table;
    RecordingHost host;
    host.insertDelay = std::chrono::microseconds(100);
    Scanner scanner(table, host);
    std::string nested;
    host.onYield = [&] {
        try {
            scanner.Look4Frame(path);
        } catch (const Failure& failure) {
            nested = failure.what();
        }
    };
    scanner.Look4Frame(path);
    EXPECT_EQ(nested, "a scan is already running");
    EXPECT_EQ(table.RowCount(), 2000);
}

TEST(Scanner, MissingFileFailsAfterClearingTheListAndCreatesNothing)
{
    TempDir dir;
    SegmentTable table;
    RecordingHost host;
    Scanner scanner(table, host);
    EXPECT_THROW(scanner.Look4Frame(dir.Path("gone.mp3")), Failure);
    EXPECT_EQ(host.events, std::vector<std::string>{"clear"});
    EXPECT_EQ(host.busy, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("gone.mp3")));
}

TEST(Scanner, FileCutShortWhileMappedListsWhatRemainsThenFails)
{
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 20000; ++i) {
        bytes += Start("10:00:00") + Filler(1000) + End("10:00:05") + Filler(1000);
    }
    const std::string path = dir.Write("shrinking.mp3", bytes);
    SegmentTable table;
    RecordingHost host;
    Scanner scanner(table, host);
    std::uint64_t cutAt = 0;
    host.insertDelay = std::chrono::microseconds(100);
    // Cut ten bytes into a start marker in the next chunk: the scan meets
    // the bus error after it has found markers in that chunk, and reads the
    // rest of the cut page as zeros.
    host.onYield = [&] {
        if (cutAt == 0) {
            cutAt = (host.done + 100000) / 2060 * 2060 + 10;
            ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(cutAt)), 0);
        }
    };
    try {
        scanner.Look4Frame(path);
        FAIL() << "the scan did not notice that the file was cut short";
    } catch (const Failure& failure) {
        EXPECT_NE(std::string(failure.what()).find("record file changed while it was read"), std::string::npos)
            << failure.what();
    }
    EXPECT_EQ(host.busy, 0);
    EXPECT_FALSE(scanner.CanResume());
    // Every row that lies wholly in the bytes that remain is listed.
    auto remaining = ScanBytes(bytes.substr(0, cutAt));
    ASSERT_EQ(table.RowCount(), remaining->table.RowCount());
    EXPECT_GT(table.RowCount() * 2060, static_cast<int>(host.done));
    EXPECT_EQ(table.Rows().back().tag, remaining->table.Rows().back().tag);
    EXPECT_EQ(table.Rows().back().subItems, remaining->table.Rows().back().subItems);
}
