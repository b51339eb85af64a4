#include "CliCommand.h"
#include "support/RecordBytes.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

using namespace quelm::test;

namespace
{

// Count segments of three seconds, four seconds apart, from the First.
std::string Segments(int First, int Count)
{
    std::string bytes;
    const auto clock = [](int Seconds) {
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", Seconds / 3600, Seconds / 60 % 60, Seconds % 60);
        return std::string(text);
    };
    for (int i = First; i < First + Count; ++i) {
        bytes += Start(clock(i * 4)) + Filler(20) + End(clock(i * 4 + 3));
    }
    return bytes;
}

// The files in Folder whose names start with Prefix.
std::size_t Files(const std::string& Folder, const std::string& Prefix)
{
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Folder)) {
        count += entry.path().filename().string().starts_with(Prefix) ? 1 : 0;
    }
    return count;
}

// split --follow, caught while it saves a large group of segments: its
// hidden temporaries are there.
class SplitFollowSaving : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_EQ(follow.OutputOf(1), out + "/live-06122026-000000--000003 -00000001.mp3\n");
        AppendFile(path, Segments(1, kAppended));
        bool saving = false;
        for (int i = 0; i < 100000 && !saving && follow.Running(); ++i) {
            saving = Files(out, ".qlm") > 0;
        }
        ASSERT_TRUE(saving);
    }

    static constexpr int kAppended = 3000;
    TempDir dir;
    std::string out = [this] {
        std::filesystem::create_directory(dir.Path("out"));
        return dir.Path("out");
    }();
    std::string path = dir.Write("live.mp3", Segments(0, 1));
    Background follow{dir, {"split", "--follow", "-d", out, path}};
};

} // namespace

TEST_F(SplitFollowSaving, SigintLetsTheSaveFinishAndEndsNormally)
{
    EXPECT_EQ(follow.Stop(SIGINT), 0);
    EXPECT_EQ(Files(out, ".qlm"), 0U);
    EXPECT_EQ(Files(out, "live-"), 1U + kAppended);
    EXPECT_EQ(follow.Errors(), "");
}

TEST_F(SplitFollowSaving, ASecondSignalRemovesTheTemporariesAndEndsAtOnce)
{
    follow.Send(SIGINT);
    follow.Send(SIGTERM);
    EXPECT_EQ(follow.Stop(0), 128 + SIGTERM);
    EXPECT_EQ(Files(out, ".qlm"), 0U);
}
