#include "DisplayFixture.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QStatusBar>

using namespace quelm::test;

TEST_F(DisplayTest, LoadSetsUpTheOpenDialog)
{
    display->Dialogs().QueueAnswer(std::nullopt);
    display->Load_Click();
    const auto& settings = display->Dialogs().LastSettings();
    EXPECT_EQ(settings.initialDir, QDir::currentPath());
    EXPECT_EQ(settings.fileName, "*.mp3");
    EXPECT_EQ(settings.defaultExt, "mp3");
    EXPECT_EQ(settings.filters, (QStringList{"MP3 Files (*.MP3)", "All Files (*.*)"}));
    EXPECT_EQ(settings.title, "Select Quelm MP3 file to be load ...");
    EXPECT_TRUE(settings.notice.isEmpty());
}

TEST_F(DisplayTest, CancelledLoadChangesNothing)
{
    const std::string path = Load(Segments({5, 7}));
    ASSERT_EQ(Rows(), 2);
    display->Dialogs().QueueAnswer(std::nullopt);
    display->Load_Click();
    EXPECT_EQ(display->RecordFile(), path);
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(States(), "111011");

    display->Dialogs().QueueAnswer(QString());
    display->Load_Click();
    EXPECT_EQ(Rows(), 2);
}

TEST_F(DisplayTest, MissingFileBringsTheDialogBackWithItsName)
{
    const std::string good = dir.Write("good.mp3", Segments({5}));
    display->Dialogs().QueueAnswer(QString::fromStdString(dir.Path("missing.mp3")));
    display->Dialogs().QueueAnswer(QString::fromStdString(dir.Root().string())); // a folder
    display->Dialogs().QueueAnswer(QString::fromStdString(good));
    display->Load_Click();
    EXPECT_EQ(display->Dialogs().TimesShown(), 3);
    EXPECT_EQ(display->Dialogs().LastSettings().fileName, QString::fromStdString(dir.Root().string()));
    // Asked again, the dialog says why.
    EXPECT_EQ(display->Dialogs().LastSettings().notice,
              QString::fromStdString("cannot read " + dir.Root().string() + ": it is a folder, not a regular file"));
    EXPECT_EQ(display->RecordFile(), good);
    EXPECT_EQ(Rows(), 1);
    display->Failures().End(); // the load named its file over the failure
    EXPECT_EQ(PanelText("Filename"), "good.mp3");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("missing.mp3")));
}

TEST_F(DisplayTest, LoadScansAndRestoresTheControls)
{
    Load(Segments({1, 5, 2, 9}), "radio-2026.mp3");
    EXPECT_EQ(display->RecordFile(), dir.Path("radio-2026.mp3"));
    EXPECT_EQ(PanelText("Filename"), "radio-2026.mp3");
    EXPECT_EQ(Rows(), 2); // 1 s and 2 s are filtered out
    EXPECT_EQ(List()->model()->rowCount(), 2);
    EXPECT_EQ(List()->model()->index(1, 0).data().toString(), "00000002");
    EXPECT_EQ(List()->model()->index(1, 3).data().toString(), "9");
    EXPECT_EQ(PanelText("Record"), "00000002");
    EXPECT_EQ(States(), "111011");
    EXPECT_EQ(display->NextRecord(), 1);
    EXPECT_EQ(display->Timer(1).interval(), 2000);
    EXPECT_FALSE(display->Timer(1).isActive());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(display->KeepScanning());
    // The media layer is left alone by a load.
    EXPECT_TRUE(Sent().empty());
}

TEST_F(DisplayTest, FileWithoutMarkersKeepsTheRecordPanel)
{
    Load(Segments({5}));
    Load(Filler(5000), "empty.mp3");
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(PanelText("Record"), "00000001");
    EXPECT_EQ(PanelText("Filename"), "empty.mp3");
}

TEST_F(DisplayTest, ControlsAreSwitchedForTheScanAndTheListFillsMeanwhile)
{
    std::string during;
    int rowsSeen = -1;
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes += Start("10:00:00") + End("10:00:09");
    }
    // Seen from inside the scan, in its first yield.
    QTimer::singleShot(0, display.get(), [&] {
        during = States();
        rowsSeen = List()->model()->rowCount();
    });
    Load(bytes);
    ASSERT_FALSE(during.empty()) << "the scan never yielded";
    EXPECT_EQ(during, "000100");
    EXPECT_GT(rowsSeen, 0);
    EXPECT_LT(rowsSeen, 200000);
    EXPECT_EQ(States(), "111011");
    EXPECT_EQ(Rows(), 200000);
}

TEST_F(DisplayTest, StopDuringAScanKeepsTheRowsFoundAndEmptiesTheCounter)
{
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes += Start("10:00:00") + End("10:00:09");
    }
    bool stopped = false;
    QTimer::singleShot(0, display.get(), [&] {
        stopped = true;
        Button("StopIt")->click();
    });
    Load(bytes);
    ASSERT_TRUE(stopped) << "the scan never yielded";
    EXPECT_FALSE(display->KeepScanning());
    EXPECT_EQ(display->RecordCount(), 0);
    EXPECT_EQ(PanelText("Record"), "");
    EXPECT_GT(Rows(), 0);
    EXPECT_LT(Rows(), 200000);
    EXPECT_EQ(List()->model()->rowCount(), Rows());
    EXPECT_EQ(States(), "111011");
}

TEST_F(DisplayTest, FailedScanKeepsItsRowsRestoresTheControlsAndSaysWhy)
{
    Load(Segments({5, 6}) + Start("12:00:00").substr(0, 20), "cut.mp3");
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(States(), "111011");
    EXPECT_TRUE(LastFailure().contains("cut off")) << LastFailure().toStdString();
    // Shown in the "Filename" panel for a while, the whole text as its tooltip;
    // the playback bar and the counter stay.
    EXPECT_TRUE(PanelText("Filename").startsWith("marker at offset")) << PanelText("Filename").toStdString();
    EXPECT_EQ(Child<QLabel>("Filename")->toolTip(), LastFailure());
    EXPECT_TRUE(Child<QProgressBar>("ProgressBar")->isVisibleTo(display.get()));
    EXPECT_EQ(PanelText("Record"), "00000002");
    display->Failures().End();
    EXPECT_EQ(PanelText("Filename"), "cut.mp3");
    EXPECT_TRUE(LastFailure().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    Load(End("10:00:00") + Segments({5}), "bad.mp3");
    EXPECT_EQ(Rows(), 0);
    EXPECT_FALSE(LastFailure().isEmpty());
}

TEST_F(DisplayTest, ClosingDuringAScanStopsItAndClosesCleanly)
{
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes += Start("10:00:00") + End("10:00:09");
    }
    display->show();
    QTimer::singleShot(0, display.get(), [&] { display->close(); });
    Load(bytes);
    EXPECT_FALSE(display->isVisible());
    EXPECT_FALSE(display->KeepScanning());
    EXPECT_LT(Rows(), 200000);
    EXPECT_EQ(Sent(), std::vector<std::string>{"close mysound"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DisplayTest, QuitSendsCloseAndDeletesThePlayFile)
{
    Load(Segments({5}));
    display->show();
    display->ListView_MouseDown(1);
    display->ListView_ItemClick(1);
    const std::string played = display->Player().PlayFile();
    ASSERT_TRUE(std::filesystem::exists(played));
    Button("Quit")->click();
    EXPECT_FALSE(display->isVisible());
    EXPECT_FALSE(std::filesystem::exists(played));
    EXPECT_TRUE(display->Player().PlayFile().empty());
    EXPECT_EQ(Sent().back(), "close mysound");
}
