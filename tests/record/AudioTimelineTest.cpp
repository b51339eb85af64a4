#include "record/AudioTimeline.h"
#include "RecordWriter.h"
#include "record/ScanHost.h"
#include "record/Scanner.h"
#include "record/SegmentTable.h"
#include "support/RecordBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <mpg123.h>
#include <random>

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

} // namespace

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
