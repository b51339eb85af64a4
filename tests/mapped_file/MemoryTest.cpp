#include "mapped_file/Memory.h"
#include "mapped_file/PopulateAhead.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using quelm::Failure;
using quelm::Memory;
using quelm::test::TempDir;

namespace
{

std::string MapFailure(const std::string& Path)
{
    Memory memory;
    try {
        memory.MapFile(Path);
    } catch (const Failure& failure) {
        EXPECT_TRUE(memory.Closed());
        return failure.what();
    }
    ADD_FAILURE() << "mapping " << Path << " did not fail";
    return {};
}

int OpenDescriptors()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

} // namespace

TEST(Memory, ClosedFollowsMapAndUnmapAndUnmapIsHarmlessTwice)
{
    TempDir dir;
    const std::string path = dir.Write("a.mp3", "hello");
    Memory memory;
    EXPECT_TRUE(memory.Closed());
    memory.UnmapFile();
    EXPECT_TRUE(memory.Closed());

    const auto view = memory.MapFile(path);
    EXPECT_FALSE(memory.Closed());
    EXPECT_EQ(view.Size(), 5U);
    memory.UnmapFile();
    memory.UnmapFile();
    EXPECT_TRUE(memory.Closed());
}

TEST(Memory, ViewHoldsTheFileBytesWithBoundsZeroToSizeMinusOne)
{
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 1000; ++i) {
        bytes += static_cast<char>(i * 7);
    }
    Memory memory;
    const auto view = memory.MapFile(dir.Write("b.mp3", bytes));
    EXPECT_EQ(view.LowerBound(), 0);
    EXPECT_EQ(view.UpperBound(), 999);
    for (std::uint64_t i = 0; i < bytes.size(); ++i) {
        ASSERT_EQ(view.At(i), static_cast<std::uint8_t>(bytes[i])) << "at " << i;
    }
    EXPECT_THROW(view.At(1000), Failure);
}

TEST(Memory, EmptyFileGivesEmptyView)
{
    TempDir dir;
    Memory memory;
    const auto view = memory.MapFile(dir.Write("empty.mp3", ""));
    EXPECT_TRUE(view.Empty());
    EXPECT_EQ(view.UpperBound(), -1);
    EXPECT_THROW(view.At(0), Failure);
}

TEST(Memory, MissingPathFailsAndIsNeverCreated)
{
    TempDir dir;
    const std::string path = dir.Path("missing.mp3");
    const std::string message = MapFailure(path);
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_TRUE(message.ends_with("No such file or directory")) << message;
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(Memory, FolderFifoDeviceAndUnreadableFileFailWithAMessage)
{
    TempDir dir;
    EXPECT_NE(MapFailure(dir.Root().string()).find("a folder, not a regular file"), std::string::npos);
    // Neither a FIFO without a writer nor a device may block or be read.
    const std::string fifo = dir.Path("pipe.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(MapFailure(fifo).find("a FIFO (named pipe), not a regular file"), std::string::npos);
    EXPECT_NE(MapFailure("/dev/zero").find("a device, not a regular file"), std::string::npos);

    const std::string locked = dir.Write("locked.mp3", "abcdef");
    ::chmod(locked.c_str(), 0);
    if (::geteuid() != 0) { // root reads anything
        EXPECT_NE(MapFailure(locked).find("Permission denied"), std::string::npos);
    }
}

TEST(Memory, EndOfLifeReleasesTheFile)
{
    TempDir dir;
    const std::string path = dir.Write("c.mp3", "0123456789");
    const int before = OpenDescriptors();
    {
        Memory memory;
        memory.MapFile(path);
        EXPECT_EQ(OpenDescriptors(), before + 1);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

// A file cut short under the thread that maps ahead: the pages past the new
// end are refused, not faulted, and the reader's steps past them, or none at
// all, still end the thread.
TEST(PopulateAhead, AFileCutShortEndsItQuietly)
{
    TempDir dir;
    const std::uint64_t size = quelm::PopulateAhead::kSmallest + 3 * quelm::PopulateAhead::kPiece + 7;
    const std::string path = dir.Write("d.mp3", std::string(size, 'x'));
    for (const bool read : {false, true}) {
        Memory memory;
        const auto view = memory.MapFile(path);
        {
            quelm::PopulateAhead ahead(memory, view.Size());
            ASSERT_EQ(::truncate(path.c_str(), 100), 0);
            for (std::uint64_t at = 0; read && at < size; at += quelm::PopulateAhead::kPiece / 2) {
                ahead.Reached(at);
            }
        }
        EXPECT_TRUE(memory.Populate(0, 100));
        EXPECT_FALSE(memory.Populate(size - 10, size));
        EXPECT_EQ(view.At(0), 'x');
        ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(size)), 0);
    }
}
