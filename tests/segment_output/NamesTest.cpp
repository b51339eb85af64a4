#include "mapped_file/Failure.h"
#include "segment_output/DefaultName.h"
#include "segment_output/PathUtils.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quelm;
using quelm::test::TempDir;

namespace
{

SegmentRow Row(const std::string& Text, const std::string& Start, const std::string& End)
{
    return SegmentRow{Text, {Start, End, "97"}, "129/829"};
}

const SegmentRow kRow = Row("00000003", "06/12/2026 14:05:33 ", "06/12/2026 14:07:10 ");

} // namespace

TEST(DefaultSegmentName, BuildsBaseStartEndAndRecord)
{
    EXPECT_EQ(DefaultSegmentName("/rec/radio-2026.mp3", kRow), "radio-06122026-140533--140710 -00000003.mp3");
    EXPECT_EQ(DefaultSegmentName("/rec/radio.2026-12.mp3", kRow), "radio-06122026-140533--140710 -00000003.mp3");
    EXPECT_EQ(DefaultSegmentName("/rec/-x.mp3", kRow), "-06122026-140533--140710 -00000003.mp3");
    EXPECT_EQ(DefaultSegmentName("radio_1.mp3", kRow), "radio_1-06122026-140533--140710 -00000003.mp3");
}

TEST(DefaultSegmentName, OddStampsAndNames)
{
    // An end stamp without a blank goes in whole, without its ":".
    EXPECT_EQ(DefaultSegmentName("r.mp3", Row("00000001", "1/2/3 4:5:6", "14:07:10")), "r-123-456-140710-00000001.mp3");
    // A name without "." keeps what stands before its first "-".
    EXPECT_EQ(DefaultSegmentName("/rec/radio-day", kRow), "radio-06122026-140533--140710 -00000003.mp3");
    EXPECT_EQ(DefaultSegmentName("/rec/radio", kRow), "radio-06122026-140533--140710 -00000003.mp3");
    // "/" cannot be removed from the end stamp by the rule; it and NUL become "_".
    EXPECT_EQ(DefaultSegmentName("r.mp3", Row("00000002", "a b", std::string("x 1/2\0", 6))),
              "r-a-b-1_2_-00000002.mp3");
}

TEST(PathUtils, GetFilenameTakesTheLastComponent)
{
    EXPECT_EQ(GetFilename("/rec/radio.mp3"), "radio.mp3");
    EXPECT_EQ(GetFilename("radio.mp3"), "radio.mp3");
    EXPECT_EQ(GetFilename("/rec/"), "");
    EXPECT_EQ(GetFilename(""), "");
    EXPECT_EQ(GetFilename("/rec\\radio.mp3"), "rec\\radio.mp3");
}

TEST(PathUtils, FileExistsOnlyForReadableFiles)
{
    TempDir dir;
    EXPECT_TRUE(FileExists(dir.Write("a.mp3", "x")));
    EXPECT_TRUE(FileExists(dir.Write("empty.mp3", "")));
    EXPECT_FALSE(FileExists(dir.Path("missing.mp3")));
    EXPECT_FALSE(FileExists(dir.Root().string()));
    EXPECT_FALSE(FileExists(""));
    const std::string fifo = dir.Path("fifo");
    ::mkfifo(fifo.c_str(), 0600);
    EXPECT_FALSE(FileExists(fifo));
    if (::geteuid() != 0) {
        const std::string locked = dir.Write("locked.mp3", "x");
        ::chmod(locked.c_str(), 0);
        EXPECT_FALSE(FileExists(locked));
    }
}
