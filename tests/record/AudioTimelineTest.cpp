#include "record/AudioTimeline.h"
#include "RecordWriter.h"
#include "mapped_file/Failure.h"
#include "record/FrameWalk.h"
#include "record/ScanHost.h"
#include "record/Scanner.h"
#include "record/SegmentTable.h"
#include "support/RecordBytes.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <mpg123.h>
#include <random>
#include <thread>

using namespace quelm;
using quelm::test::TempDir;

namespace
{

// An independent reading of the same bytes: libmpg123 fed the file in
// order, counting the seconds it has decoded when each offset is reached.
class Mpg123Clock
{
  public:
    explicit Mpg123Clock(const std::string& Bytes) : m_bytes(Bytes)
    {
        m_handle = mpg123_new(nullptr, nullptr);
        mpg123_param(m_handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        mpg123_open_feed(m_handle);
    }
    ~Mpg123Clock() { mpg123_delete(m_handle); }
    Mpg123Clock(const Mpg123Clock&) = delete;
    Mpg123Clock& operator=(const Mpg123Clock&) = delete;

    // Fed in small even pieces, as a player reads a file (pieces that end
    // exactly at markers make mpg123 lose its step there).
    double SecondsAt(std::size_t Offset)
    {
        while (m_fed + kPiece <= Offset) {
            Feed(kPiece);
        }
        return m_seconds;
    }

  private:
    static constexpr std::size_t kPiece = 64;

    void Feed(std::size_t Bytes)
    {
        mpg123_feed(m_handle, reinterpret_cast<const unsigned char*>(m_bytes.data()) + m_fed, Bytes);
        m_fed += Bytes;
        unsigned char out[16384];
        for (;;) {
            std::size_t done = 0;
            const int result = mpg123_read(m_handle, out, sizeof out, &done);
            if (result == MPG123_NEW_FORMAT) {
                long rate = 0;
                int channels = 0;
                int encoding = 0;
                mpg123_getformat(m_handle, &rate, &channels, &encoding);
                m_frameBytes = static_cast<double>(channels * mpg123_encsize(encoding));
                m_rate = static_cast<double>(rate);
                continue;
            }
            m_seconds += m_rate > 0 ? static_cast<double>(done) / m_frameBytes / m_rate : 0;
            if (result != MPG123_OK) {
                return;
            }
        }
    }

    const std::string& m_bytes;
    mpg123_handle* m_handle = nullptr;
    std::size_t m_fed = 0;
    double m_seconds = 0;
    double m_rate = 0;
    double m_frameBytes = 1;
};

// Every message's start and end, as the timeline and as libmpg123 see them,
// within one frame of each other.
void ExpectTheDecodersClock(const std::string& Path)
{
    SegmentTable table;
    ScanHost host;
    Scanner(table, host).Look4Frame(Path);
    ASSERT_GT(table.RowCount(), 0);
    const std::string bytes = quelm::test::ReadFile(Path);
    AudioTimeline timeline(Path);
    Mpg123Clock decoder(bytes);
    // One frame, and the piece the decoder may not have been fed yet.
    constexpr double kFrame = 1152.0 / 8000 + 0.02;
    for (std::int32_t i = 1; i <= table.RowCount(); ++i) {
        const auto offsets = table.Row(i).Offsets();
        if (!offsets) {
            continue;
        }
        for (const std::int64_t marker : {offsets->p1, offsets->p2}) {
            const auto first = static_cast<std::uint64_t>(marker - kMarkerLastByte);
            EXPECT_NEAR(timeline.SecondsBefore(first), decoder.SecondsAt(first), kFrame) << "row " << i;
        }
    }
}

// A record file that gives the walk ahead all its cases, and the offsets to
// ask for in it: messages of two formats (the clip's, and silent MPEG-1 at
// 44.1 kHz) with junk between frames; a message of 20 MiB, whose pages the
// walk ahead lets go behind the asker; a stretch where every frame is
// followed by a gap, with more gaps than it keeps checkpoints. Offsets:
// every marker, places inside frames, and some frames' first bytes (Starts).
std::string BusyRecord(std::vector<std::uint64_t>& Offsets, std::vector<std::uint64_t>& Starts)
{
    const auto frames = tools::SplitFrames(tools::LoadSpeechClip());
    std::string other(417, '\0'); // 128 kbit/s
    other[0] = '\xFF';
    other[1] = '\xFB';
    other[2] = '\x90';
    std::mt19937 random(11);
    std::string bytes;
    const auto marker = [&](const std::string& Marker) {
        Offsets.push_back(bytes.size());
        bytes += Marker;
    };
    const auto message = [&](int Number, std::size_t Frames, int Junk, bool Other) {
        marker(test::Start("10:" + std::to_string(10 + Number) + ":00"));
        for (std::size_t i = 0; i < Frames; ++i) {
            if (i == Frames / 2) {
                Starts.push_back(bytes.size());
                Offsets.insert(Offsets.end(), {bytes.size(), bytes.size() + 1});
            }
            bytes += Other ? other : frames[i % frames.size()];
            if (Junk > 0 && random() % static_cast<unsigned>(Junk) == 0) {
                bytes += std::string(1 + random() % 50, 'j');
            }
        }
        marker(test::End("10:" + std::to_string(10 + Number) + ":30"));
    };
    for (int i = 0; i < 12; ++i) {
        message(i, 30 + random() % 300, 5, i % 3 == 1);
    }
    message(30, 200000, 0, false); // 20 MiB
    for (int i = 40; i < 48; ++i) {
        message(i, 5000, 1, false);
    }
    message(50, 100, 0, true);
    for (std::uint64_t at = 7; at < bytes.size(); at += 100003) {
        Offsets.push_back(at);
    }
    std::sort(Offsets.begin(), Offsets.end());
    return bytes;
}

} // namespace

TEST(AudioTimeline, EveryAskHasTheTimeOfOneWalkOnThisThreadHoweverFarTheWalkAheadHasGot)
{
    const TempDir dir;
    std::vector<std::uint64_t> offsets;
    std::vector<std::uint64_t> starts;
    const std::string bytes = BusyRecord(offsets, starts);
    const std::string path = dir.Write("busy.mp3", bytes);
    std::vector<double> expected;
    FrameWalk walk(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    for (const std::uint64_t offset : offsets) {
        walk.WalkTo(offset);
        expected.push_back(walk.Seconds());
    }
    const auto expectAll = [&](AudioTimeline& Timeline, const char* How) {
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            ASSERT_EQ(Timeline.SecondsBefore(offsets[i]), expected[i]) << How << ", offset " << offsets[i];
        }
    };
    {
        AudioTimeline timeline(path); // asked at once: mostly behind the walk ahead, or walking itself
        expectAll(timeline, "at once");
        expectAll(timeline, "again from the start");
    }
    {
        AudioTimeline timeline(path); // the walk ahead has filled all its room
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        expectAll(timeline, "after a pause");
    }
    {
        AudioTimeline timeline(path); // back by one byte, to a frame's start: without that frame
        for (const std::uint64_t start : starts) {
            timeline.SecondsBefore(start + 1);
            const auto at = std::lower_bound(offsets.begin(), offsets.end(), start) - offsets.begin();
            EXPECT_EQ(timeline.SecondsBefore(start), expected[static_cast<std::size_t>(at)]) << "offset " << start;
        }
    }
    {
        AudioTimeline timeline(path); // the asker goes past the walk ahead at once
        EXPECT_EQ(timeline.SecondsBefore(bytes.size()), walk.Seconds());
        expectAll(timeline, "after the end");
    }
}

TEST(AudioTimeline, AFileCutShortUnderTheWalkFailsTheAsk)
{
    const TempDir dir;
    const auto frames = tools::SplitFrames(tools::LoadSpeechClip());
    std::string bytes;
    for (std::size_t i = 0; i < 40000; ++i) {
        bytes += frames[i % frames.size()] + "x"; // a gap after every frame
    }
    const std::string path = dir.Write("cut.mp3", bytes);
    AudioTimeline timeline(path);
    std::filesystem::resize_file(path, 1 << 20);
    // Inside a frame: whatever checkpoint it starts from, the ask reads past the cut.
    EXPECT_THROW(timeline.SecondsBefore(bytes.size() - 50), Failure);
}

TEST(AudioTimeline, MessagesStartWhereADecoderHasDecodedTheirStartMarker)
{
    const TempDir dir;
    tools::RecordPlan plan;
    plan.segments = 60;
    plan.oddCases = true; // markers back to back, a signature inside a marker, foreign keywords
    tools::WriteRecordFile(dir.Path("odd.mp3"), plan);
    ExpectTheDecodersClock(dir.Path("odd.mp3"));

    // Frames with junk between them that holds no sync byte, and a tag.
    const std::string clip = tools::LoadSpeechClip();
    const auto frames = tools::SplitFrames(clip);
    std::mt19937 random(7);
    std::string bytes = "ID3\x03" + std::string("\0\0\0\0\x01\x10", 6) + std::string(0x90, '\0');
    for (int message = 0; message < 30; ++message) {
        bytes += test::Start("10:" + std::to_string(10 + message) + ":00");
        for (std::size_t i = 0; i < 20 + random() % 40; ++i) {
            bytes += frames[random() % frames.size()];
            if (random() % 5 == 0) {
                bytes += std::string(1 + random() % 300, static_cast<char>('a' + random() % 20));
            }
        }
        bytes += test::End("10:" + std::to_string(10 + message) + ":30");
    }
    ExpectTheDecodersClock(dir.Write("junk.mp3", bytes));
}

TEST(AudioTimeline, AskingForAnEarlierOffsetStartsAgainAndAFileWithoutFramesHasNoTime)
{
    const TempDir dir;
    tools::RecordPlan plan;
    plan.segments = 5;
    tools::WriteRecordFile(dir.Path("day.mp3"), plan);
    AudioTimeline timeline(dir.Path("day.mp3"));
    const double late = timeline.SecondsBefore(100000);
    const double early = timeline.SecondsBefore(50000);
    EXPECT_GT(late, early);
    EXPECT_EQ(timeline.SecondsBefore(100000), late);
    EXPECT_EQ(timeline.SecondsBefore(0), 0.0);

    AudioTimeline none(dir.Write("none.mp3", test::Start("10:00:00") + std::string(5000, 'x')));
    EXPECT_EQ(none.SecondsBefore(6000), 0.0);
}
