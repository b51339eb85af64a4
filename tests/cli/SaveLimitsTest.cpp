#include "support/RecordBytes.h"
#include "support/RunCommand.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quelm::test;

namespace
{

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// A sparse record file whose only segment is longer than a GiB: it takes
// no room on disk until it is saved.
class LongSegment : public ::testing::Test
{
  protected:
    static constexpr off_t kStart = 100;
    static constexpr off_t kEnd = kStart + 30 + (off_t(1) << 30) + 4096;
    static constexpr off_t kSaved = kEnd + 30 - kStart + 128;

    void SetUp() override
    {
        const int fd = ::open(record.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::string start = Start("10:00:00");
        const std::string end = End("10:30:00");
        ASSERT_EQ(::pwrite(fd, start.data(), start.size(), kStart), 30);
        ASSERT_EQ(::pwrite(fd, end.data(), end.size(), kEnd), 30);
        ::close(fd);
        std::filesystem::create_directory(out);
    }

    TempDir dir;
    std::string record = dir.Path("long.mp3");
    std::string out = dir.Path("out");
    std::string target = dir.Path("out/one.mp3");
};

std::string Bytes(const std::string& Path, off_t Offset, std::size_t Size)
{
    std::string bytes(Size, '\0');
    const int fd = ::open(Path.c_str(), O_RDONLY);
    bytes.resize(std::max<ssize_t>(0, ::pread(fd, bytes.data(), Size, Offset)));
    ::close(fd);
    return bytes;
}

} // namespace

TEST_F(LongSegment, SavesInBoundedMemory)
{
    if (kAddressSanitizer) {
        GTEST_SKIP() << "AddressSanitizer's shadow memory counts against the heap limit";
    }
    // The heap limit leaves the read-only mapping of the scan alone.
    const auto result = RunCommand("ulimit -d 131072 && exec " + std::string(QUELMRDR_CLI) + " save --no-filter " +
                                   Quote(record) + " 1 -o " + Quote(target));
    ASSERT_EQ(result.status, 0) << result.err;
    struct stat info {
    };
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, kSaved);
    EXPECT_EQ(Bytes(target, 0, 10), Bytes(record, kStart, 10));
    EXPECT_EQ(Bytes(target, kSaved - 158, 33), Bytes(record, kEnd, 30) + "TAG");
}

TEST_F(LongSegment, ASignalDuringASaveLeavesNothingBehind)
{
    const char* argv[] = {QUELMRDR_CLI, "save", "--no-filter", record.c_str(), "1", "-o", target.c_str(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(::posix_spawn(&child, QUELMRDR_CLI, nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    // Wait for the temporary file to appear (or for the save to end).
    int status = 0;
    bool writing = false;
    while (!writing && ::waitpid(child, &status, WNOHANG) == 0) {
        writing = !std::filesystem::is_empty(out);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(writing) << "the save ended before it could be interrupted";
    ::kill(child, SIGTERM);
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_TRUE(std::filesystem::is_empty(out)) << std::filesystem::directory_iterator(out)->path();
}
