#include "DisplayFixture.h"
#include "QtMediaBackend.h"
#include "RecordWriter.h"
#include "record/Scanner.h"
#include "segment_output/Extraction.h"
#include "segment_output/SegmentSaver.h"

#include <QEventLoop>
#include <QMediaPlayer>
#include <QStatusBar>
#include <unistd.h>

using namespace quelm::test;

namespace
{

// Record file: segment 1 of 65 s at 129/829, then an open segment.
std::string PlayableRecord()
{
    return Filler(100) + Start("14:05:33") + Filler(670, 'a') + End("14:06:38") + Filler(30) + Start("15:00:00") +
           Filler(40);
}

} // namespace

TEST_F(DisplayTest, FirstPlayClosesWritesOpensAndPlays)
{
    EXPECT_EQ(backend.warmed, 1); // at the window's start, ahead of the first click
    const std::string record = Load(PlayableRecord());
    display->ListView_ItemClick(1);
    const std::string played = display->Player().PlayFile();
    EXPECT_EQ(played, dir.Path("runtime") + "/quelmrdr/" + std::to_string(::getpid()) + "/QLM1.mp3");
    EXPECT_EQ(Sent(),
              (std::vector<std::string>{"close mysound", "open " + played + "  Alias mysound", "play mysound"}));
    EXPECT_EQ(backend.calls, (std::vector<std::string>{"open " + played + " mysound", "play mysound"}));
    EXPECT_EQ(ReadFile(played), ReadFile(record).substr(130, 700));
    EXPECT_EQ(display->ProgressMax(), 65);
    EXPECT_EQ(display->ProgressValue(), 0);
    EXPECT_TRUE(display->Timer(0).isActive());
    EXPECT_EQ(display->NextRecord(), 2);
}

TEST_F(DisplayTest, ReplayClosesTheSoundAndRewritesTheFile)
{
    Load(PlayableRecord());
    display->ListView_ItemClick(1);
    const std::string played = display->Player().PlayFile();
    std::filesystem::resize_file(played, 3);
    display->ListView_ItemClick(1);
    EXPECT_EQ(Sent().size(), 6U);
    EXPECT_EQ(Sent()[3], "close mysound");
    EXPECT_EQ(std::filesystem::file_size(played), 700U);
    EXPECT_EQ(backend.calls.size(), 5U); // open, play, close, open, play
}

TEST_F(DisplayTest, RowWithoutAnEndStopsTheSoundAndPlaysNothing)
{
    display->findChild<QCheckBox*>("Filter")->setChecked(false);
    Load(PlayableRecord());
    ASSERT_EQ(Rows(), 2);
    display->ListView_ItemClick(1);
    const std::string first = display->Player().PlayFile();
    display->Timer_Timer(0);
    display->ListView_ItemClick(2);
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_EQ(display->Player().PlayFile(),
              dir.Path("runtime") + "/quelmrdr/" + std::to_string(::getpid()) + "/QLM2.mp3");
    EXPECT_FALSE(std::filesystem::exists(display->Player().PlayFile()));
    EXPECT_EQ(Sent().back(), "close mysound");
    // The bar of the earlier segment runs on.
    EXPECT_EQ(display->ProgressValue(), 1);
    EXPECT_TRUE(display->Timer(0).isActive());
    EXPECT_EQ(display->NextRecord(), 3);
}

TEST_F(DisplayTest, PlayFailuresAreShownAndTheWindowGoesOn)
{
    const std::string record = Load(PlayableRecord());
    std::filesystem::remove(record);
    display->ListView_MouseDown(1);
    display->show();
    // Through the list, as a click would come.
    EXPECT_THROW(display->ListView_ItemClick(1), quelm::Failure);
    EXPECT_EQ(display->NextRecord(), 1);
    EXPECT_FALSE(display->Timer(0).isActive());

    // A temporary folder that is not ours is refused before anything is written.
    std::filesystem::remove_all(dir.Path("runtime/quelmrdr"));
    std::filesystem::create_directory_symlink(dir.Root(), dir.Path("runtime/quelmrdr"));
    dir.Write("record.mp3", PlayableRecord());
    EXPECT_THROW(display->ListView_ItemClick(1), quelm::Failure);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("QLM1.mp3")));
}

TEST_F(DisplayTest, SaveOffersTheDefaultNameAndWritesSegmentAndTag)
{
    const std::string record = Load(PlayableRecord(), "radio-2026.mp3");
    display->ListView_ItemClick(1); // playing
    const std::string target = dir.Path("saved.mp3");
    display->Dialogs().QueueAnswer(QString::fromStdString(target));
    display->ListView_MouseDown(2);
    display->ListView_ItemClick(1);
    const auto& settings = display->Dialogs().LastSettings();
    EXPECT_EQ(settings.fileName, "radio-06122026-140533--140638 -00000001.mp3");
    EXPECT_EQ(settings.defaultExt, "mp3");
    EXPECT_EQ(settings.title, "Select Quelm MP3 filename to be save ...");
    EXPECT_EQ(settings.filters, (QStringList{"MP3 Files (*.MP3)", "All Files (*.*)"}));
    EXPECT_TRUE(settings.notice.isEmpty());
    const std::string saved = ReadFile(target);
    ASSERT_EQ(saved.size(), 730U + 128U);
    EXPECT_EQ(saved.substr(0, 730), ReadFile(record).substr(100, 730));
    EXPECT_EQ(saved.substr(730, 3), "TAG");
    // The sound stopped; the bar and NextRecord did not move.
    EXPECT_EQ(Sent().back(), "close mysound");
    EXPECT_TRUE(display->Timer(0).isActive());
    EXPECT_EQ(display->NextRecord(), 2);
    EXPECT_TRUE(display->RightButton());
}

TEST_F(DisplayTest, SaveCancelledWritesNothingAndTypedNamesGetTheExtension)
{
    Load(PlayableRecord());
    display->ListView_MouseDown(2);
    display->Dialogs().QueueAnswer(std::nullopt);
    display->ListView_ItemClick(1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Root()), {}), 2); // record, runtime

    display->Dialogs().QueueAnswer(QString::fromStdString(dir.Path("typed")));
    display->ListView_ItemClick(1);
    EXPECT_TRUE(std::filesystem::exists(dir.Path("typed.mp3")));
}

TEST_F(DisplayTest, SaveRefusesRowsWithoutAnEndAndTheRecordFile)
{
    display->findChild<QCheckBox*>("Filter")->setChecked(false);
    const std::string record = Load(PlayableRecord());
    display->ListView_MouseDown(2);
    display->ListView_ItemClick(2);
    EXPECT_EQ(display->Dialogs().TimesShown(), 1); // only the load's
    EXPECT_TRUE(display->Failures().LastFailure().contains("no end"))
        << display->Failures().LastFailure().toStdString();

    const std::string before = ReadFile(record);
    display->Dialogs().QueueAnswer(QString::fromStdString(record));
    display->Dialogs().QueueAnswer(std::nullopt); // asked again, the user gives up
    display->ListView_ItemClick(1);
    EXPECT_EQ(display->Dialogs().TimesShown(), 3);
    EXPECT_EQ(ReadFile(record), before);
}

TEST_F(DisplayTest, SaveOverAnExistingFileReplacesIt)
{
    Load(PlayableRecord());
    const std::string target = dir.Write("old.mp3", std::string(20000, 'o'));
    display->ListView_MouseDown(2);
    display->Dialogs().QueueAnswer(QString::fromStdString(target));
    display->ListView_ItemClick(1);
    EXPECT_EQ(std::filesystem::file_size(target), 858U);
}

namespace
{

// Plays Path through Qt Multimedia; how long the decoder says it lasts.
qint64 PlayedDuration(const std::string& Path)
{
    quelm::QtMediaBackend backend;
    quelm::MediaLayer layer(backend);
    layer.Send(quelm::CloseCommand());
    layer.Send(quelm::OpenCommand(Path));
    layer.Send(quelm::PlayCommand());
    EXPECT_NE(backend.Player(), nullptr);
    if (backend.Player() == nullptr) {
        return 0;
    }
    EXPECT_EQ(backend.Player()->playbackState(), QMediaPlayer::PlayingState);

    // The decoder has found the stream once it knows how long it lasts.
    QEventLoop loop;
    QObject::connect(backend.Player(), &QMediaPlayer::durationChanged, &loop, &QEventLoop::quit);
    QObject::connect(backend.Player(), &QMediaPlayer::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit); // a guard, not a wait
    if (backend.Player()->duration() <= 0) {
        loop.exec();
    }
    EXPECT_EQ(backend.Player()->error(), QMediaPlayer::NoError) << backend.Player()->errorString().toStdString();
    const qint64 duration = backend.Player()->duration();
    layer.Send(quelm::CloseCommand());
    EXPECT_EQ(backend.Player()->playbackState(), QMediaPlayer::StoppedState);
    return duration;
}

} // namespace

TEST(QtMediaBackend, PlaysThePlaybackCopyAndTheSavedFileOfASegment)
{
    quelm::test::TempDir dir;
    const std::string record = dir.Path("record.mp3");
    quelm::tools::RecordWriter writer(record, 1);
    writer.Audio(3);
    writer.Start(36000);
    writer.Audio(60);
    writer.End(36005);
    writer.Audio(3);
    writer.Close();

    quelm::SegmentTable table;
    quelm::ScanHost host;
    quelm::Scanner(table, host).Look4Frame(record);
    ASSERT_EQ(table.RowCount(), 1);
    const auto offsets = *quelm::ParseOffsets(table.Row(1).tag);

    // A folder with a blank, a quote and a byte that is not UTF-8.
    std::filesystem::create_directory(dir.Path("a \"quoted\" folder \xff"));
    const std::string played = dir.Path("a \"quoted\" folder \xff/QLM1.mp3");
    quelm::WritePlaybackFile(record, offsets, played);
    EXPECT_GT(PlayedDuration(played), 1000);

    const std::string saved = dir.Path("saved.mp3");
    quelm::SaveSegmentFile(record, offsets, saved);
    EXPECT_GT(PlayedDuration(saved), 1000);
}

// Another day's recording put in place of the loaded file (its markers at
// the same offsets) after the scan: the save says so and writes nothing.
TEST_F(DisplayTest, SaveOfAFileReplacedSinceItsScanSaysItChanged)
{
    const std::string record = Load(PlayableRecord(), "radio.mp3");
    const std::string kept = dir.Path("kept.mp3");
    std::filesystem::create_hard_link(record, kept); // its inode is not reused
    std::string other = ReadFile(record);
    for (std::size_t at = other.find("06/12/2026"); at != std::string::npos; at = other.find("06/12/2026", at)) {
        other.replace(at, 10, "07/12/2026");
    }
    std::filesystem::rename(dir.Write("next.tmp", other), record);

    display->Dialogs().QueueAnswer(QString::fromStdString(dir.Path("saved.mp3")));
    display->Dialogs().QueueAnswer(std::nullopt); // the dialog comes back with the reason: cancel
    display->ListView_MouseDown(2);
    display->ListView_ItemClick(1);
    EXPECT_TRUE(display->Failures().LastFailure().contains("has changed since it was scanned"))
        << display->Failures().LastFailure().toStdString();
    EXPECT_FALSE(std::filesystem::exists(dir.Path("saved.mp3")));
}
