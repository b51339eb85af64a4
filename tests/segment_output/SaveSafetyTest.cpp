#include "mapped_file/Failure.h"
#include "mapped_file/UniqueFd.h"
#include "record/Scanner.h"
#include "segment_output/SegmentBatch.h"
#include "segment_output/SegmentSaver.h"
#include "segment_output/TemporaryFile.h"
#include "support/RecordBytes.h"
#include "support/TempDir.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quelm;
using namespace quelm::test;

namespace
{

// Start marker at 100 and end marker at 800: positions 129/829.
std::string Record(char Audio = 'a')
{
    return Filler(100) + Start("14:05:33") + Filler(670, Audio) + End("14:07:10") + Filler(50);
}
const SegmentOffsets kOffsets{129, 829};

std::string Message(const std::function<void()>& Action)
{
    try {
        Action();
    } catch (const Failure& failure) {
        return failure.what();
    }
    return "no failure";
}

std::size_t Entries(const TempDir& Dir)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(Dir.Root()), {}));
}

class SaveSafety : public ::testing::Test
{
  protected:
    TempDir dir;
    std::string record = dir.Write("radio.mp3", Record());
    std::string fifo = [this] {
        ::mkfifo(dir.Path("fifo.mp3").c_str(), 0600);
        return dir.Path("fifo.mp3");
    }();
};

} // namespace

TEST_F(SaveSafety, ARecordFileReplacedAfterItsScanIsNotCopied)
{
    const std::string changed = "the record file " + record + " has changed since it was scanned; load it again";
    const std::string target = dir.Write("keep.mp3", "precious");
    // Same length, markers moved by one byte.
    dir.Write("radio.mp3", Filler(101) + Start("14:05:33") + Filler(669) + End("14:07:10") + Filler(50));
    EXPECT_EQ(Message([&] { SaveSegmentFile(record, kOffsets, target); }), changed);
    EXPECT_EQ(Message([&] { WritePlaybackFile(record, kOffsets, dir.Path("QLM1.mp3")); }), changed);
    ::truncate(record.c_str(), 810); // the end marker cut off
    EXPECT_EQ(Message([&] { SaveSegmentFile(record, kOffsets, target); }), changed);
    EXPECT_EQ(ReadFile(target), "precious");
}

TEST_F(SaveSafety, TheLongestValidNamesCanBeSaved)
{
    for (const std::size_t length : {248, 255}) {
        const std::string target = dir.Path(std::string(length - 4, 'n') + ".mp3");
        SaveSegmentFile(record, kOffsets, target);
        EXPECT_EQ(ReadFile(target).size(), 858U);
    }
    EXPECT_THROW(SaveSegmentFile(record, kOffsets, dir.Path(std::string(256, 'n'))), Failure);
    EXPECT_EQ(Entries(dir), 4U) << "a temporary file was left";
}

TEST_F(SaveSafety, ASignalRemovesTheTemporaryFile)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            RemoveTemporaryFilesOnSignals();
            const int folder = ::open(dir.Root().c_str(), O_RDONLY | O_DIRECTORY);
            TemporaryFile file(folder, dir.Root());
            (void)!::write(ready[1], "x", 1);
            ::pause();
            ::_exit(0);
        }
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        EXPECT_EQ(Entries(dir), 3U); // the record, the FIFO and the temporary
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(Entries(dir), 2U) << "signal " << signal;
        ::close(ready[0]);
        ::close(ready[1]);
    }
}

TEST_F(SaveSafety, AFifoIsNeitherReadNorReplacedALinkIsFollowedAndAReplacedFileKeepsItsMode)
{
    ::alarm(20); // a hang ends the test instead of the suite
    EXPECT_EQ(Message([&] { SaveSegmentFile(fifo, kOffsets, dir.Path("a.mp3")); }),
              "cannot open " + fifo + ": it is a FIFO (named pipe), not a regular file");
    EXPECT_THROW(SegmentBatch batch(fifo), Failure);
    ::alarm(0);
    EXPECT_EQ(Message([&] { SaveSegmentFile(record, kOffsets, fifo); }),
              "cannot save " + fifo + ": it exists and is not a regular file");
    struct stat info {
    };
    EXPECT_TRUE(::lstat(fifo.c_str(), &info) == 0 && S_ISFIFO(info.st_mode));

    // A link is followed: the file it names gets the segment and keeps its
    // mode, the link stays.
    const std::string real = dir.Write("real.mp3", "old");
    ::chmod(real.c_str(), 0600);
    const std::string link = dir.Path("link.mp3");
    std::filesystem::create_symlink(real, link);
    SaveSegmentFile(record, kOffsets, link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600U);
    EXPECT_EQ(info.st_size, 858);
    std::filesystem::create_symlink(dir.Path("nowhere"), dir.Path("dangling.mp3"));
    EXPECT_THROW(SaveSegmentFile(record, kOffsets, dir.Path("dangling.mp3")), Failure);
    std::filesystem::create_symlink(record, dir.Path("record-link.mp3"));
    EXPECT_THROW(SaveSegmentFile(record, kOffsets, dir.Path("record-link.mp3")), Failure);
    EXPECT_EQ(ReadFile(record), Record());
}

TEST_F(SaveSafety, ABatchSavesEveryGoodItemInOrderAndReportsTheOthers)
{
    const std::string old = dir.Write("old.mp3", std::string(5000, 'o'));
    SegmentBatch batch(record, 4);
    const std::size_t count = 10; // three groups
    for (std::size_t i = 0; i < count; ++i) {
        batch.Add(kOffsets, dir.Path(std::to_string(i) + ".mp3"));
    }
    batch.Add(kOffsets, fifo);
    batch.Add(kOffsets, dir.Path("7.mp3")); // named twice
    batch.Add({130, 829}, dir.Path("bad.mp3"));
    batch.Add(kOffsets, old);
    std::vector<std::string> done;
    EXPECT_FALSE(batch.Save([&](const BatchItem& Item) { done.push_back(Item.target); }));
    ASSERT_EQ(done.size(), count + 4);
    for (std::size_t i = 0; i < done.size(); ++i) {
        EXPECT_EQ(done[i], batch.Items()[i].target);
        const bool good = i < count || i == count + 3;
        EXPECT_EQ(batch.Items()[i].Saved(), good)
            << i << ": " << (batch.Items()[i].Saved() ? "" : batch.Items()[i].failure->what());
    }
    EXPECT_EQ(ReadFile(dir.Path("9.mp3")), ReadFile(old));
    EXPECT_EQ(ReadFile(old).substr(0, 730), Record().substr(100, 730));
    EXPECT_EQ(Entries(dir), count + 3) << "a temporary file was left, or bad.mp3 written";

    // A second Save saves only what was added since.
    batch.Add(kOffsets, dir.Path("later.mp3"));
    done.clear();
    EXPECT_TRUE(batch.Save([&](const BatchItem& Item) { done.push_back(Item.target); }));
    ASSERT_EQ(done.size(), 1U);
    EXPECT_EQ(done[0], dir.Path("later.mp3"));
}

// Another day of the same recorder puts its markers at the same offsets;
// a copy of the very same bytes is still another file. Either in place of
// the scanned file fails the save of a scanned row.
TEST_F(SaveSafety, ARowIsSavedOnlyFromTheFileAndMarkersItWasScannedFrom)
{
    SegmentTable table;
    RecordingHost host;
    Scanner(table, host).Look4Frame(record);
    ASSERT_EQ(table.RowCount(), 1);
    const SegmentRow row = table.Row(1);
    const std::string target = dir.Path("saved.mp3");
    SaveSegmentFile(record, row, table.ScannedFile(), target);
    EXPECT_EQ(ReadFile(target).substr(0, 730), Record().substr(100, 730));

    const std::string changed = "the record file " + record + " has changed since it was scanned; load it again";
    const auto replaceWith = [&](const std::string& Bytes) {
        std::filesystem::rename(dir.Write("next.mp3", Bytes), record);
    };
    // Kept under another name, so that its inode cannot be given to a copy.
    std::filesystem::create_hard_link(record, dir.Path("scanned.mp3"));
    std::string nextDay = Record();
    nextDay.replace(nextDay.find("14:07:10"), 8, "09:00:00");
    replaceWith(nextDay);
    EXPECT_EQ(Message([&] { SaveSegmentFile(record, row, std::nullopt, target); }), changed);
    replaceWith(Record());
    EXPECT_EQ(Message([&] { SaveSegmentFile(record, row, table.ScannedFile(), target); }), changed);
    EXPECT_EQ(Message([&] { SaveSegmentFile(record, row, std::nullopt, target); }), "no failure");
}

// Temporaries left by a run that was killed (SIGKILL leaves no handler a
// chance) are removed by the next save into the folder, unless another run
// is saving there (it holds the folder's lock), whatever their age.
TEST_F(SaveSafety, ADeadRunsTemporariesAreRemovedByTheNextSave)
{
    const std::string stale = dir.Write(".qlmAbCd1234", "half a segment");
    const std::string other = dir.Write(".qlmAbCd123", "not a temporary's name");
    {
        UniqueFd busy(::open(dir.Root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        ASSERT_EQ(::flock(busy.Get(), LOCK_SH), 0); // another run saving here
        SaveSegmentFile(record, kOffsets, dir.Path("one.mp3"));
        EXPECT_TRUE(std::filesystem::exists(stale));
    }
    SaveSegmentFile(record, kOffsets, dir.Path("two.mp3"));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_TRUE(std::filesystem::exists(dir.Path("two.mp3")));
}

// Rows 1 and 3 joined under one tag; row 2, without an end, is left out.
// Every row's markers are checked before the target is touched.
TEST_F(SaveSafety, ARangeJoinsItsRowsUnderOneTagAndChecksEachOfThem)
{
    const std::string first = Start("10:00:00") + Filler(300, 'a') + End("10:00:20");
    const std::string third = Start("12:00:00") + Filler(200, 'b') + End("12:01:00");
    std::string bytes = Filler(100) + first + Filler(10) + Start("11:00:00") + Filler(20) + third + Filler(30);
    dir.Write("radio.mp3", bytes);
    SegmentTable table;
    RecordingHost host;
    Scanner(table, host).Look4Frame(record);
    const std::vector<SegmentRow> rows = table.Rows();
    const std::string target = dir.Path("range.mp3");
    EXPECT_EQ(SaveSegmentRange(record, rows, table.ScannedFile(), target), std::vector<std::string>{"00000002"});
    const std::string saved = ReadFile(target);
    EXPECT_EQ(saved.substr(0, saved.size() - 128), first + third);
    EXPECT_EQ(saved.substr(saved.size() - 128, 3), "TAG");

    bytes.replace(bytes.find("12:01:00"), 8, "12:02:00");
    dir.Write("radio.mp3", bytes);
    EXPECT_EQ(Message([&] { SaveSegmentRange(record, rows, std::nullopt, target); }),
              "the record file " + record + " has changed since it was scanned; load it again");
    EXPECT_EQ(ReadFile(target), saved);
}

namespace
{

// What a folder holds: each name and its bytes, the tag's save time aside
// (two saves need not fall in the same second).
std::map<std::string, std::string> Holdings(const std::string& Folder)
{
    std::map<std::string, std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(Folder)) {
        std::string bytes = entry.is_symlink() ? "-> " + std::filesystem::read_symlink(entry).string()
                                               : ReadFile(entry.path().string());
        if (bytes.size() >= 128 && bytes.compare(bytes.size() - 128, 3, "TAG") == 0) {
            std::fill(bytes.end() - 128 + 63, bytes.end() - 128 + 97, '\0');
        }
        found[entry.path().filename().string()] = bytes;
    }
    return found;
}

} // namespace

// A split's group spans record files, each segment copied from its own; its
// names are not looked up before they are written, yet what is there gets
// every check: a file is replaced keeping its mode, a link or the record
// file itself is refused. Unnamed temporaries and named ones (a file system
// without O_TMPFILE) leave the same files, and nothing else.
TEST_F(SaveSafety, ASplitsGroupSpansRecordFilesAndEitherKindOfTemporaryLeavesTheSameFiles)
{
    const std::string other = dir.Write("other.mp3", Record('b'));
    std::map<std::string, std::string> before;
    for (const bool named : {false, true}) {
        const std::string out = named ? "named" : "unnamed";
        std::filesystem::create_directory(dir.Path(out));
        const std::string kept = dir.Write(out + "/kept.mp3", "old");
        ::chmod(kept.c_str(), 0600);
        std::filesystem::create_symlink(dir.Path(out + "/kept.mp3"), dir.Path(out + "/link.mp3"));
        std::filesystem::create_hard_link(other, dir.Path(out + "/record.mp3"));

        SegmentBatch batch(record);
        if (named) {
            batch.NameTemporaries();
        }
        batch.Add(kOffsets, dir.Path(out + "/a.mp3"), LinkRule::Never);
        batch.SetRecordFile(other);
        for (const std::string name : {"b.mp3", "kept.mp3", "link.mp3", "record.mp3"}) {
            batch.Add(kOffsets, dir.Path(out + "/" + name), LinkRule::Never);
        }
        EXPECT_FALSE(batch.Save());
        std::vector<std::string> failures;
        for (const BatchItem& item : batch.Items()) {
            failures.push_back(item.Saved() ? "" : item.failure->what());
        }
        EXPECT_EQ(failures, (std::vector<std::string>{"", "", "",
                                                      "cannot save " + dir.Path(out + "/link.mp3") +
                                                          ": it is a symbolic link, and a split never follows one",
                                                      "refusing to save over the record file itself: " +
                                                          dir.Path(out + "/record.mp3")}));
        EXPECT_EQ(ReadFile(dir.Path(out + "/a.mp3")).substr(0, 730), Record().substr(100, 730));
        EXPECT_EQ(ReadFile(dir.Path(out + "/b.mp3")).substr(0, 730), Record('b').substr(100, 730));
        EXPECT_EQ(ReadFile(kept).substr(0, 730), Record('b').substr(100, 730));
        struct stat info {
        };
        ASSERT_EQ(::stat(kept.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600U);
        EXPECT_EQ(ReadFile(other), Record('b'));
        const auto holdings = Holdings(dir.Path(out));
        EXPECT_EQ(holdings.size(), 5U) << "a temporary was left";
        if (named) {
            auto unnamed = before;
            unnamed["link.mp3"] = "-> " + dir.Path("named/kept.mp3");
            EXPECT_EQ(holdings, unnamed);
        }
        before = holdings;
    }
}

// A failure in the middle of a group (a write refused past a size limit, a
// record file cut short under the batch) leaves no part of a segment under
// a target's name: each target is whole, or as it was.
TEST_F(SaveSafety, AFailureMidGroupLeavesEachTargetWholeOrAsItWas)
{
    // A short segment (858 bytes saved) and a long one (2 158).
    const std::string bytes = Record() + Start("15:00:00") + Filler(1970, 'l') + End("15:10:00");
    dir.Write("radio.mp3", bytes);
    const SegmentOffsets longOne{static_cast<std::int64_t>(Record().size()) + 29,
                                 static_cast<std::int64_t>(bytes.size()) - 1};
    for (const bool named : {false, true}) {
        const std::string out = dir.Path(named ? "named" : "unnamed");
        std::filesystem::create_directory(out);
        const std::string old = dir.Write((named ? "named" : "unnamed") + std::string("/old.mp3"), "old");
        const pid_t child = ::fork();
        if (child == 0) {
            // Writes past 1 000 bytes fail (EFBIG) instead of ending the child.
            ::signal(SIGXFSZ, SIG_IGN);
            const struct rlimit limit {
                1000, 1000
            };
            ::setrlimit(RLIMIT_FSIZE, &limit);
            SegmentBatch batch(record);
            if (named) {
                batch.NameTemporaries();
            }
            batch.Add(kOffsets, out + "/short.mp3", LinkRule::Never);
            batch.Add(longOne, out + "/long.mp3", LinkRule::Never);
            batch.Add(longOne, old, LinkRule::Never);
            batch.Add(kOffsets, out + "/after.mp3", LinkRule::Never);
            const bool saved = batch.Save();
            ::_exit(!saved && batch.Items()[0].Saved() && !batch.Items()[1].Saved() && batch.Items()[3].Saved() ? 0
                                                                                                                : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_EQ(ReadFile(out + "/short.mp3").size(), 858U);
        EXPECT_EQ(ReadFile(out + "/after.mp3").size(), 858U);
        EXPECT_FALSE(std::filesystem::exists(out + "/long.mp3"));
        EXPECT_EQ(ReadFile(old), "old");
        EXPECT_EQ(Holdings(out).size(), 3U) << "a temporary was left";
    }

    // Cut short once the batch has it mapped: the segment past the cut is
    // not copied, the one before it is.
    SegmentBatch batch(record);
    batch.Add(kOffsets, dir.Path("before-cut.mp3"), LinkRule::Never);
    batch.Add(longOne, dir.Path("past-cut.mp3"), LinkRule::Never);
    ::truncate(record.c_str(), static_cast<off_t>(Record().size()) + 100);
    EXPECT_FALSE(batch.Save());
    EXPECT_TRUE(batch.Items()[0].Saved());
    ASSERT_FALSE(batch.Items()[1].Saved());
    EXPECT_EQ(std::string(batch.Items()[1].failure->what()),
              "the record file " + record + " has changed since it was scanned; load it again");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("past-cut.mp3")));
}

namespace
{

std::size_t OpenDescriptors()
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

} // namespace

// Few descriptors to spare: groups end early, each group's sync runs while
// the next is written, and SaveMost leaves the last on its way. Done hears
// of every item once, in order, only once it is in place for good; a batch
// let go with groups on its way leaves each target whole or absent, and no
// temporary; descriptors are all given back.
TEST_F(SaveSafety, GroupsOnTheirWayAreToldInOrderAndLeaveNoPartOrTemporary)
{
    struct rlimit saved {
    };
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    const std::size_t before = OpenDescriptors();
    struct rlimit low = saved;
    low.rlim_cur = 256 + 200; // groups of 100 unnamed temporaries
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    const std::string out = dir.Path("out");
    std::filesystem::create_directory(out);
    const auto target = [&](std::size_t I) { return out + "/" + std::to_string(I) + ".mp3"; };
    {
        SegmentBatch batch(record);
        for (std::size_t i = 0; i < 1000; ++i) {
            batch.Add(kOffsets, target(i), LinkRule::Never);
        }
        std::vector<std::string> told;
        const auto done = [&](const BatchItem& Item) {
            EXPECT_TRUE(Item.Saved());
            EXPECT_EQ(ReadFile(Item.target).size(), 858U);
            told.push_back(Item.target);
        };
        batch.SaveMost(done);
        EXPECT_TRUE(batch.OnTheirWay());
        EXPECT_LT(told.size(), 1000U);
        EXPECT_EQ(batch.Unsaved(), 1000U - told.size());
        for (std::size_t i = 1000; i < 1010; ++i) {
            batch.Add(kOffsets, target(i), LinkRule::Never);
        }
        EXPECT_TRUE(batch.Save(done));
        EXPECT_FALSE(batch.OnTheirWay());
        EXPECT_EQ(batch.Unsaved(), 0U);
        ASSERT_EQ(told.size(), 1010U);
        for (std::size_t i = 0; i < told.size(); ++i) {
            EXPECT_EQ(told[i], target(i));
        }
        EXPECT_EQ(Holdings(out).size(), 1010U);
    }
    std::filesystem::remove_all(out);
    std::filesystem::create_directory(out);
    {
        SegmentBatch batch(record);
        for (std::size_t i = 0; i < 500; ++i) {
            batch.Add(kOffsets, target(i), LinkRule::Never);
        }
        batch.SaveMost();
        EXPECT_GT(batch.Unsaved(), 0U);
    }
    for (const auto& [name, bytes] : Holdings(out)) {
        EXPECT_EQ(bytes.size(), 858U) << name;
    }
    EXPECT_LT(Holdings(out).size(), 500U);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_EQ(OpenDescriptors(), before);
}
