#include "segment_output/Extraction.h"
#include "mapped_file/Failure.h"
#include "segment_output/SegmentSaver.h"
#include "support/RecordBytes.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quelm;
using namespace quelm::test;

namespace
{

// 100 bytes, a start marker at 100, 670 bytes of audio, an end marker at
// 800: the tag is 129/829.
std::string Record()
{
    std::string bytes;
    for (int i = 0; i < 100; ++i) {
        bytes += static_cast<char>(i);
    }
    bytes += Start("14:05:33");
    for (int i = 0; i < 670; ++i) {
        bytes += static_cast<char>('a' + i % 26);
    }
    return bytes + End("14:07:10") + Filler(50);
}

} // namespace

TEST(ParseOffsets, ReadsTheFirstTwoPiecesOfACompleteTag)
{
    const auto offsets = ParseOffsets("129/829");
    ASSERT_TRUE(offsets);
    EXPECT_EQ(offsets->p1, 129);
    EXPECT_EQ(offsets->p2, 829);
    EXPECT_EQ(ParseOffsets("129/829/7")->p2, 829);
    EXPECT_EQ(ParseOffsets("3000000000/3000000500")->p1, 3000000000LL);
    for (const char* none : {" 129", "", "/829", "129/", "/"}) {
        EXPECT_FALSE(ParseOffsets(none)) << none;
    }
}

TEST(ParseOffsets, RangesOfPlayingAndSaving)
{
    const SegmentOffsets offsets{129, 829};
    EXPECT_EQ(PlaybackRange(offsets).first, 130);
    EXPECT_EQ(PlaybackRange(offsets).length, 700);
    EXPECT_EQ(SavingRange(offsets).first, 100);
    EXPECT_EQ(SavingRange(offsets).length, 730);
    EXPECT_EQ(SavingRange({29, 59}).first, 0);
}

TEST(WritePlaybackFile, CopiesTheRangeAndFailsWhenTheFileChanged)
{
    TempDir dir;
    const std::string bytes = Record();
    const std::string path = dir.Write("r.mp3", bytes);
    const std::string out = dir.Path("QLM1.mp3");
    WritePlaybackFile(path, {129, 829}, out);
    const std::string played = ReadFile(out);
    EXPECT_EQ(played, bytes.substr(130, 700));
    EXPECT_EQ(played.substr(670, 10), std::string("\xFF\xE9\x09\xCC"
                                                  "ETIME ",
                                                  10));

    ::truncate(path.c_str(), 500);
    EXPECT_THROW(WritePlaybackFile(path, {129, 829}, out), Failure);
    std::filesystem::remove(path);
    EXPECT_THROW(WritePlaybackFile(path, {129, 829}, out), Failure);
    EXPECT_THROW(WritePlaybackFile(dir.Write("s.mp3", bytes), {-1, 10}, out), Failure);
}

TEST(WritePlaybackFile, LeavesNothingOfALongerOldFile)
{
    TempDir dir;
    const std::string path = dir.Write("out.mp3", std::string(5000, 'x'));
    WritePlaybackFile(dir.Write("r.mp3", Record()), {129, 829}, path);
    EXPECT_EQ(ReadFile(path).size(), 700U);
}

class SaveSegmentFileTest : public ::testing::Test
{
  protected:
    TempDir dir;
    std::string record = dir.Write("radio.mp3", Record());
};

TEST_F(SaveSegmentFileTest, WritesBothMarkersAndTheTag)
{
    const std::string target = dir.Path("seg.mp3");
    SaveSegmentFile(record, {129, 829}, target);
    const std::string saved = ReadFile(target);
    ASSERT_EQ(saved.size(), 730U + 128U);
    EXPECT_EQ(saved.substr(0, 730), Record().substr(100, 730));
    EXPECT_EQ(saved.substr(730, 3), "TAG");
    struct stat info {
    };
    ::stat(target.c_str(), &info);
    EXPECT_EQ(
        info.st_mode & 0777, 0666 & ~[] {
            const mode_t m = ::umask(0);
            ::umask(m);
            return m;
        }());
}

TEST_F(SaveSegmentFileTest, ReplacesAnExistingFileWhole)
{
    const std::string target = dir.Write("seg.mp3", std::string(100000, 'o'));
    SaveSegmentFile(record, {129, 829}, target);
    EXPECT_EQ(ReadFile(target).size(), 858U);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Root()), {}), 2) << "a temporary file was left";
}

TEST_F(SaveSegmentFileTest, RefusesTheRecordFileItself)
{
    EXPECT_THROW(SaveSegmentFile(record, {129, 829}, record), Failure);
    EXPECT_THROW(SaveSegmentFile(record, {129, 829}, dir.Root().string() + "/./radio.mp3"), Failure);
    EXPECT_EQ(ReadFile(record), Record());
}

TEST_F(SaveSegmentFileTest, FailuresLeaveAnExistingTargetUntouched)
{
    const std::string target = dir.Write("keep.mp3", "precious");
    std::filesystem::remove(record);
    EXPECT_THROW(SaveSegmentFile(record, {129, 829}, target), Failure);
    EXPECT_EQ(ReadFile(target), "precious");

    const std::string shortRecord = dir.Write("short.mp3", Record().substr(0, 400));
    EXPECT_THROW(SaveSegmentFile(shortRecord, {129, 829}, target), Failure);
    EXPECT_EQ(ReadFile(target), "precious");
}

TEST_F(SaveSegmentFileTest, UnwritableFolderFails)
{
    // Root writes anywhere it may create files; /proc takes no new files.
    std::string folder = "/proc";
    if (::geteuid() != 0) {
        folder = dir.Path("locked");
        std::filesystem::create_directory(folder);
        ::chmod(folder.c_str(), 0555);
    }
    try {
        SaveSegmentFile(record, {129, 829}, folder + "/seg.mp3");
        FAIL() << "saving into " << folder << " succeeded";
    } catch (const Failure& failure) {
        EXPECT_NE(std::string(failure.what()).find(folder), std::string::npos) << failure.what();
    }
    EXPECT_THROW(SaveSegmentFile(record, {129, 829}, dir.Path("no/such/folder/seg.mp3")), Failure);
}
