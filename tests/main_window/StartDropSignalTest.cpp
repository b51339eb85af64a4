#include "DisplayFixture.h"
#include "FileDrops.h"
#include "SignalCloser.h"
#include "WindowStart.h"

#include <QDialog>
#include <QDir>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>
#include <csignal>

using namespace quelm::test;

namespace
{

// A drag that comes in and is dropped on Target; whether each was taken.
std::pair<bool, bool> DragAndDrop(QWidget* Target, const QList<QUrl>& Urls)
{
    QMimeData data;
    data.setUrls(Urls);
    const QPoint at = Target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &drop);
    QCoreApplication::processEvents(); // the load that the drop asked for
    return {enter.isAccepted(), drop.isAccepted()};
}

QUrl File(const std::string& Path)
{
    return QUrl::fromLocalFile(QString::fromStdString(Path));
}

} // namespace

TEST_F(DisplayTest, FileOnTheCommandLineIsLoadedOnceTheWindowIsShown)
{
    std::filesystem::create_directory(dir.Path("rec"));
    const std::string path = dir.Write("rec/day one.mp3", Segments({5, 1, 7}));
    QDir::setCurrent(QString::fromStdString(dir.Root().string()));
    const quelm::WindowStart start({"quelmrdr", "rec/day one.mp3"}); // relative to the start folder
    ASSERT_FALSE(start.ExitCode());
    start.Show(*display);
    EXPECT_TRUE(display->isVisible());
    EXPECT_EQ(Rows(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(display->RecordFile(), path);
    EXPECT_EQ(PanelText("Filename"), "day one.mp3");
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(States(), "111011");
    EXPECT_EQ(display->NextRecord(), 1);
    EXPECT_EQ(display->Timer(1).interval(), 2000);
    display->Dialogs().QueueAnswer(std::nullopt);
    display->Load_Click();
    EXPECT_EQ(display->Dialogs().LastSettings().initialDir, QString::fromStdString(dir.Path("rec")));
}

TEST_F(DisplayTest, UnreadableFileOnTheCommandLineLeavesAnEmptyUsableWindow)
{
    for (const std::string& bad : {dir.Path("missing.mp3"), dir.Root().string()}) {
        const quelm::WindowStart start({"quelmrdr", QString::fromStdString(bad)});
        start.Show(*display);
        QCoreApplication::processEvents();
        EXPECT_TRUE(LastFailure().contains(QString::fromStdString(bad))) << LastFailure().toStdString();
        EXPECT_TRUE(display->RecordFile().empty());
        EXPECT_EQ(States(), "111010");
    }
    EXPECT_TRUE(LastFailure().contains("folder"));
    Load(Segments({5}));
    EXPECT_EQ(Rows(), 1);
}

TEST(WindowStart, HelpVersionAndWrongCommandLines)
{
    EXPECT_EQ(quelm::WindowStart({"quelmrdr", "--help"}).ExitCode(), 0);
    EXPECT_EQ(quelm::WindowStart({"quelmrdr", "--version"}).ExitCode(), 0);
    EXPECT_EQ(quelm::WindowStart({"quelmrdr", "a.mp3", "b.mp3"}).ExitCode(), 2);
    EXPECT_EQ(quelm::WindowStart({"quelmrdr", "--bogus"}).ExitCode(), 2);
    const quelm::WindowStart plain({"quelmrdr"});
    EXPECT_FALSE(plain.ExitCode());
    EXPECT_TRUE(plain.RecordFile().isNull());
    EXPECT_EQ(quelm::WindowStart({"quelmrdr", "--", "-odd.mp3"}).RecordFile(), "-odd.mp3");
    EXPECT_TRUE(quelm::WindowStart::OnlyText({"quelmrdr", "day.mp3", "--version"}));
    EXPECT_FALSE(quelm::WindowStart::OnlyText({"quelmrdr", "--", "--help"}));
}

TEST_F(DisplayTest, OneDroppedLocalFileIsLoadedLikeAChosenOneAnythingElseIsRefusedWithAMessage)
{
    const std::string path = Load(Segments({5}));
    display->findChild<QCheckBox*>("Auto")->setChecked(true);
    const std::string other = dir.Write("other.mp3", Segments({5, 6, 7}));
    struct Case {
        QList<QUrl> urls;
        const char* said;
    };
    for (const Case& drop : {Case{{File(other), File(path)}, "one record file at a time"},
                             Case{{QUrl("https://example.org/day.mp3")}, "https://example.org/day.mp3"},
                             Case{{}, "Only a local file can be dropped"}}) {
        display->findChild<QStatusBar*>("StatusBar")->clearMessage();
        EXPECT_EQ(DragAndDrop(display.get(), drop.urls), std::make_pair(false, false));
        EXPECT_TRUE(LastFailure().contains(drop.said)) << LastFailure().toStdString();
        EXPECT_EQ(display->RecordFile(), path);
        EXPECT_EQ(Rows(), 1);
    }
    // Dropped over the list; the window takes it.
    EXPECT_EQ(DragAndDrop(List()->viewport(), {File(other)}), std::make_pair(true, true));
    EXPECT_EQ(display->RecordFile(), other);
    EXPECT_EQ(PanelText("Filename"), "other.mp3");
    EXPECT_EQ(Rows(), 3);
    EXPECT_FALSE(Check("Auto")->isChecked());
    EXPECT_EQ(States(), "111011");
}

TEST_F(DisplayTest, DropsAreRefusedWhileAScanRuns)
{
    const std::string other = dir.Write("other.mp3", Segments({5}));
    std::pair<bool, bool> taken{true, true};
    QString said; // read at once: a slow scan may outlast the message
    QTimer::singleShot(0, display.get(), [&] {
        taken = DragAndDrop(display.get(), {File(other)});
        said = LastFailure();
    });
    const std::string path = Load(ManyShortSegments());
    EXPECT_EQ(taken, std::make_pair(false, false));
    EXPECT_TRUE(said.contains("being read")) << said.toStdString();
    EXPECT_EQ(display->RecordFile(), path);
    EXPECT_EQ(Rows(), 200000);
}

TEST_F(DisplayTest, TerminationSignalsCloseTheWindowAsQuitDoes)
{
    quelm::SignalCloser closer(*display);
    Load(Segments({5}));
    display->show();
    display->ListView_ItemClick(1);
    const std::string folder = std::filesystem::path(display->Player().PlayFile()).parent_path();
    ASSERT_TRUE(std::filesystem::exists(display->Player().PlayFile()));

    // Open dialogs are answered with a cancel first.
    QTimer::singleShot(0, display.get(), [] { std::raise(SIGTERM); });
    QDialog dialog(display.get());
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(closer.Received(), SIGTERM);
    EXPECT_FALSE(display->isVisible());
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_EQ(Sent().back(), "close mysound");
}

TEST_F(DisplayTest, SignalDuringAScanStopsItAndClosesTheWindow)
{
    quelm::SignalCloser closer(*display);
    display->show();
    QTimer::singleShot(0, display.get(), [] { std::raise(SIGHUP); });
    Load(ManyShortSegments());
    EXPECT_EQ(closer.Received(), SIGHUP);
    EXPECT_FALSE(display->isVisible());
    EXPECT_LT(Rows(), 200000);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
