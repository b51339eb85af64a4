#include "segment_output/Loudness.h"
#include "RecordWriter.h"
#include "mapped_file/Failure.h"
#include "record/ScanHost.h"
#include "record/Scanner.h"
#include "record/SegmentTable.h"
#include "support/RecordBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace quelm;
using quelm::test::TempDir;

namespace
{

// A layer III frame of an MPEG-2 mono stream made Steps quarter-octaves
// louder: its one granule's global gain raised by Steps (4: twice the
// amplitude, +6.02 dB), as an encoder would have written it.
std::string Louder(std::string Frame, int Steps)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(Frame.data());
    const bool mpeg1 = ((bytes[1] >> 3) & 3) == 3;
    const bool mono = (bytes[3] >> 6) == 3;
    EXPECT_TRUE(!mpeg1 && mono) << "the clip is expected to be MPEG-2 mono";
    const std::size_t sideInfo = (bytes[1] & 1) == 0 ? 6 : 4; // after the CRC, if any
    // main_data_begin (8 bits), private (1), part2_3_length (12), big_values (9): then 8 bits of gain.
    const std::size_t bit = sideInfo * 8 + 30;
    auto get = [&](std::size_t At) { return (static_cast<unsigned char>(Frame[At / 8]) >> (7 - At % 8)) & 1; };
    auto set = [&](std::size_t At, unsigned Value) {
        auto& byte = reinterpret_cast<unsigned char&>(Frame[At / 8]);
        byte = static_cast<unsigned char>((byte & ~(1U << (7 - At % 8))) | (Value << (7 - At % 8)));
    };
    unsigned gain = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        gain = gain << 1 | get(bit + i);
    }
    gain = std::min(255U, gain + static_cast<unsigned>(Steps));
    for (std::size_t i = 0; i < 8; ++i) {
        set(bit + i, (gain >> (7 - i)) & 1);
    }
    return Frame;
}

} // namespace

TEST(Loudness, TwiceTheAmplitudeMeasuresSixDecibelsLouder)
{
    const auto frames = tools::SplitFrames(tools::LoadSpeechClip());
    std::string quiet;
    std::string loud;
    for (int round = 0; round < 4; ++round) { // several seconds of speech
        for (const std::string& frame : frames) {
            quiet += frame;
            loud += Louder(frame, 4);
        }
    }
    const TempDir dir;
    const std::string path =
        dir.Write("day.mp3", test::Start("10:00:00") + quiet + test::End("10:01:00") + test::Start("11:00:00") + loud +
                                 test::End("11:01:00") + test::Start("12:00:00") + test::End("12:00:03"));
    SegmentTable table;
    ScanHost host;
    Scanner(table, host).Look4Frame(path);
    ASSERT_EQ(table.RowCount(), 3);

    const auto quietLevel = MessageLoudness(path, *table.Row(1).Offsets());
    const auto loudLevel = MessageLoudness(path, *table.Row(2).Offsets());
    ASSERT_TRUE(quietLevel && loudLevel);
    EXPECT_GT(*quietLevel, -50.0); // speech, not silence
    EXPECT_LT(*quietLevel, -3.0);
    EXPECT_NEAR(*loudLevel - *quietLevel, 6.02, 0.5);
    EXPECT_FALSE(MessageLoudness(path, *table.Row(3).Offsets())); // no audio at all

    EXPECT_THROW(MessageLoudness(dir.Path("gone.mp3"), *table.Row(1).Offsets()), Failure);
}
