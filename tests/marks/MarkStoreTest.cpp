#include "marks/MarkStore.h"
#include "mapped_file/Failure.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quelm;
using quelm::test::TempDir;

TEST(MarkStore, KeepsMarksAcrossOpeningsAndForgetsEmptyOnes)
{
    const TempDir dir;
    const std::string path = dir.Path("deep/er/marks.sqlite"); // folders made as needed
    EXPECT_FALSE(MarkStore::OpenExisting(path));               // reading never makes it
    const MarkKey first{100, "06/12/2026 10:00:00 "};
    const MarkKey second{100, "07/12/2026 10:00:00 "}; // another day's file at the same offset
    {
        MarkStore store(path);
        EXPECT_EQ(store.Apply("/r.mp3", first, {true, std::nullopt, std::string("call sign DL1\xC3\xA9")}),
                  (Mark{true, false, "call sign DL1\xC3\xA9"}));
        EXPECT_EQ(store.Apply("/r.mp3", first, {std::nullopt, true, std::nullopt}),
                  (Mark{true, true, "call sign DL1\xC3\xA9"}));
        store.Apply("/other.mp3", first, {true, std::nullopt, std::nullopt});
        store.SetLastPlayed("/r.mp3", first);
    }
    auto store = MarkStore::OpenExisting(path);
    ASSERT_TRUE(store);
    const auto marks = store->Load("/r.mp3");
    ASSERT_EQ(marks.size(), 1U);
    EXPECT_EQ(marks.at(first), (Mark{true, true, "call sign DL1\xC3\xA9"}));
    EXPECT_EQ(store->Get("/r.mp3", second), Mark{}); // the stamp is part of the key
    EXPECT_EQ(store->LastPlayed("/r.mp3"), first);
    EXPECT_FALSE(store->LastPlayed("/none.mp3"));

    store->Apply("/r.mp3", first, {false, false, std::string()});
    EXPECT_TRUE(store->Load("/r.mp3").empty());
    EXPECT_EQ(store->Load("/other.mp3").size(), 1U);
}

TEST(MarkStore, TwoProcessesChangingOneMarkAtOnceLoseNothing)
{
    const TempDir dir;
    const std::string path = dir.Path("marks.sqlite");
    {
        const MarkStore made(path);
    } // made before either starts
    const MarkKey key{29, "06/12/2026 10:00:00 "};
    constexpr int kRounds = 100;
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            MarkStore store(path);
            for (int i = 0; i < kRounds; ++i) {
                store.Apply("/r.mp3", MarkKey{i, "x"}, {true, std::nullopt, std::nullopt});
            }
            store.Apply("/r.mp3", key, {true, std::nullopt, std::nullopt});
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    MarkStore store(path);
    for (int i = 0; i < kRounds; ++i) {
        store.Apply("/r.mp3", MarkKey{i, "y"}, {std::nullopt, true, std::nullopt});
    }
    store.Apply("/r.mp3", key, {std::nullopt, true, std::nullopt});
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const auto marks = store.Load("/r.mp3");
    EXPECT_EQ(marks.size(), 2U * kRounds + 1);
    EXPECT_EQ(marks.at(key), (Mark{true, true, ""}));
}

TEST(MarkStore, ADamagedDatabaseIsAClearFailure)
{
    const TempDir dir;
    const std::string path = dir.Write("marks.sqlite", std::string(4096, 'x'));
    try {
        MarkStore store(path);
        FAIL() << "a damaged database was opened";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Path(), path);
        EXPECT_EQ(std::string(failure.what()).rfind("cannot use the marks database " + path + ": ", 0), 0U)
            << failure.what();
    }
}
