#include "mapped_file/Failure.h"
#include "mapped_file/Memory.h"
#include "mapped_file/ReadOnlyFile.h"
#include "segment_output/PathUtils.h"
#include "support/TempDir.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utility>

using namespace quelm;
using quelm::test::TempDir;

TEST(Handles, MovedMappingsAndFilesKeepWhatTheyHold)
{
    const TempDir dir;
    const std::string path = dir.Write("rec.mp3", "abcdef");

    ReadOnlyFile file(path);
    ReadOnlyFile moved(std::move(file));
    EXPECT_EQ(moved.Path(), path);
    EXPECT_GE(moved.Descriptor(), 0);
    EXPECT_LT(file.Descriptor(), 0); // NOLINT(bugprone-use-after-move): the source is left empty

    Memory memory;
    const ByteView view = memory.MapFile(std::move(moved), 2);
    Memory taken(std::move(memory));
    EXPECT_TRUE(memory.Closed()); // NOLINT(bugprone-use-after-move)
    EXPECT_FALSE(taken.Closed());
    EXPECT_EQ(view.At(0), 'c'); // the view still reads the mapping its new owner holds
    EXPECT_EQ(taken.CurrentSize(), 6U);
    Memory assigned;
    assigned = std::move(taken);
    EXPECT_EQ(view.At(3), 'f');
    assigned.UnmapFile();
    EXPECT_TRUE(assigned.Closed());
}

TEST(Handles, UnreadableSaysWhyInFields)
{
    const TempDir dir;
    const std::string file = dir.Write("rec.mp3", "x");
    ::mkfifo(dir.Path("fifo").c_str(), 0600);

    EXPECT_FALSE(ReadOnlyFile::Unreadable(file));
    EXPECT_TRUE(FileExists(file));

    const auto missing = ReadOnlyFile::Unreadable(dir.Path("none.mp3"), "cannot read");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->Error(), ENOENT);
    EXPECT_EQ(missing->Path(), dir.Path("none.mp3"));
    EXPECT_EQ(missing->Context(), "cannot read " + dir.Path("none.mp3"));
    EXPECT_EQ(std::string(missing->what()), missing->Context() + ": No such file or directory");

    const auto folder = ReadOnlyFile::Unreadable(dir.Path(""));
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->Reason(), "it is a folder, not a regular file");
    EXPECT_EQ(folder->Error(), 0);
    EXPECT_EQ(ReadOnlyFile::Unreadable(dir.Path("fifo"))->Reason(), "it is a FIFO (named pipe), not a regular file");
    EXPECT_EQ(std::string(ReadOnlyFile::Unreadable("", "cannot read")->what()),
              "cannot read an empty path: No such file or directory");
    EXPECT_FALSE(FileExists(dir.Path("fifo")));

    // What the constructor throws is the same failure.
    try {
        ReadOnlyFile opened(dir.Path("fifo"));
        FAIL() << "a FIFO was opened";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Path(), dir.Path("fifo"));
        EXPECT_EQ(failure.Kind(), FailureKind::Failed);
    }
}

TEST(Handles, PathsSplitIntoFolderAndName)
{
    const std::pair<std::string, PathParts> cases[] = {
        {"day.mp3", {".", "day.mp3"}},
        {"/day.mp3", {"/", "day.mp3"}},
        {"a/b/day.mp3", {"a/b", "day.mp3"}},
        {"a/b/", {"a/b", ""}},
        {"", {".", ""}},
        {"/", {"/", ""}},
    };
    for (const auto& [path, parts] : cases) {
        EXPECT_EQ(SplitPath(path).folder, parts.folder) << path;
        EXPECT_EQ(SplitPath(path).name, parts.name) << path;
        EXPECT_EQ(GetFilename(path), parts.name) << path;
    }
}
