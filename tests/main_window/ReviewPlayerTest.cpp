// Reviewing a day: the playing message is paused, moved in, sped up, and
// every message read to its end, from the keyboard, the mouse and the menu.
#include "DisplayFixture.h"
#include "FileFollower.h"
#include "RecordWriter.h"
#include "SeekBar.h"
#include "WindowMenus.h"

#include <QAction>
#include <QMenuBar>
#include <QTest>
#include <fstream>

using namespace quelm::test;

namespace
{

class ReviewTest : public DisplayTest
{
  protected:
    std::int64_t now = 0;

    void SetUp() override
    {
        DisplayTest::SetUp();
        display->Player().SetClock([this] { return now; });
    }
    void ShowWithListFocused()
    {
        display->show();
        QApplication::setActiveWindow(display.get());
        List()->setFocus();
    }
    QString PlayingMark(int Position) const
    {
        return List()->model()->index(Position - 1, 0).data(Qt::AccessibleDescriptionRole).toString();
    }
    quelm::WindowMenus& Menus() const { return display->Menus(); }
    void Ended() { backend.listener->MediaEnded(); }
    std::string LastSent() const { return Sent().empty() ? "" : Sent().back(); }
};

} // namespace

TEST_F(ReviewTest, SpacePausesAndResumesInTheListWhileAFocusedButtonKeepsItsSpace)
{
    Load(Segments(std::vector<int>(60, 30)));
    ShowWithListFocused();
    ClickRow(List(), 2, Qt::LeftButton);
    EXPECT_EQ(Played(), std::vector<int>{2});
    EXPECT_EQ(PlayingMark(2), "Playing");
    EXPECT_TRUE(display->Timer(0).isActive());

    now = 4000;
    QTest::keyClick(List(), Qt::Key_Space);
    EXPECT_EQ(LastSent(), "pause mysound");
    EXPECT_EQ(PlayingMark(2), "Paused");
    EXPECT_FALSE(display->Timer(0).isActive()) << "the bar waits with the message";
    now = 60000; // a paused message stays where it is
    QTest::keyClick(List(), Qt::Key_Space);
    EXPECT_EQ(LastSent(), "resume mysound");
    EXPECT_EQ(display->Player().Position(), 4000);
    EXPECT_TRUE(display->Timer(0).isActive());

    // The selection moves on; the mark stays with the row that plays.
    QTest::keyClick(List(), Qt::Key_Down);
    EXPECT_EQ(PlayingMark(2), "Playing");
    EXPECT_EQ(PlayingMark(3), "");
    EXPECT_EQ(List()->model()->index(1, 0).data().toString(), "00000002") << "the text stays the row's own";

    Check("Filter")->setFocus();
    const bool filtered = Check("Filter")->isChecked();
    QTest::keyClick(Check("Filter"), Qt::Key_Space);
    EXPECT_NE(Check("Filter")->isChecked(), filtered);
    EXPECT_EQ(LastSent(), "resume mysound");
}

TEST_F(ReviewTest, ArrowsAndTheBarSeekWithinTheMessageAndTheArrowsMoveAsBeforeWhenNothingPlays)
{
    Load(Segments(std::vector<int>(60, 30)));
    ShowWithListFocused();
    QTest::keyClick(List(), Qt::Key_Right); // nothing plays: the list's own key
    EXPECT_TRUE(Sent().empty());

    ClickRow(List(), 1, Qt::LeftButton);
    now = 10000;
    QTest::keyClick(List(), Qt::Key_Right);
    EXPECT_EQ(LastSent(), "seek mysound to 15000");
    EXPECT_EQ(display->ProgressValue(), 15);
    QTest::keyClick(List(), Qt::Key_Left);
    QTest::keyClick(List(), Qt::Key_Left);
    QTest::keyClick(List(), Qt::Key_Left);
    QTest::keyClick(List(), Qt::Key_Left);
    EXPECT_EQ(LastSent(), "seek mysound to 0") << "never before the start";

    auto* bar = Child<quelm::SeekBar>("ProgressBar");
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() / 2));
    const auto halfway = std::stoll(LastSent().substr(std::string("seek mysound to ").size()));
    EXPECT_NEAR(halfway, 15000, 30000 / bar->width() + 1);
    EXPECT_EQ(bar->text(), QString("0:%1 / 0:30").arg(halfway / 1000));
    EXPECT_EQ(display->Player().Position(), halfway);
}

TEST_F(ReviewTest, SpeedHoldsForEveryMessageAndTheBarCountsAtIt)
{
    Load(Segments({30, 30, 30}));
    ShowWithListFocused();
    Menus().faster->trigger();
    Menus().faster->trigger();
    EXPECT_EQ(LastSent(), "set mysound speed 1500");
    ClickRow(List(), 1, Qt::LeftButton);
    EXPECT_EQ(display->Timer(0).interval(), 667);
    now = 10000;
    EXPECT_EQ(display->Player().Position(), 15000);
    for (int i = 0; i < 10; ++i) {
        Menus().faster->trigger();
    }
    EXPECT_EQ(display->Player().Speed(), 2.0);
    EXPECT_FALSE(Menus().faster->isEnabled());
    ClickRow(List(), 2, Qt::LeftButton);
    EXPECT_EQ(display->Player().Speed(), 2.0);
    EXPECT_EQ(display->Timer(0).interval(), 500);
    Menus().normalSpeed->trigger();
    EXPECT_EQ(LastSent(), "set mysound speed 1000");
}

TEST_F(ReviewTest, NextAndPreviousPlayAsALeftClickAndStopAtTheEnds)
{
    Load(Segments({5, 6, 7}));
    ShowWithListFocused();
    ClickRow(List(), 2, Qt::LeftButton);
    Menus().next->trigger();
    EXPECT_EQ(Played(), (std::vector<int>{2, 3}));
    EXPECT_EQ(display->SelectedPosition(), 3);
    EXPECT_EQ(display->NextRecord(), 4);
    EXPECT_FALSE(Menus().next->isEnabled()) << "the last row has no next";
    Menus().previous->trigger();
    Menus().previous->trigger();
    EXPECT_EQ(Played(), (std::vector<int>{2, 3, 2, 1}));
    EXPECT_FALSE(Menus().previous->isEnabled());

    Menus().stop->trigger();
    EXPECT_EQ(LastSent(), "close mysound");
    EXPECT_EQ(PlayingMark(1), "");
    EXPECT_FALSE(Menus().stop->isEnabled());
    Menus().replay->trigger();
    EXPECT_EQ(Played(), (std::vector<int>{2, 3, 2, 1, 1}));
}

TEST_F(ReviewTest, ReadAllPlaysEachMessageToItsEndAndEndsAfterTheLastUnlessTheFileGrows)
{
    const std::string path = Load(Segments({5, 6, 7}));
    ShowWithListFocused();
    // Nothing selected: the reading starts at the first row.
    Menus().readAll->trigger();
    EXPECT_TRUE(Menus().readAll->isChecked());
    Ended();
    Ended();
    EXPECT_EQ(Played(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(display->SelectedPosition(), 3);

    // The file was just written: the reading waits for the recorder.
    Ended();
    EXPECT_TRUE(display->Reading().Waiting());
    std::ofstream(path, std::ios::app) << Segments({4}).substr(10);
    display->Follower().Check();
    QCoreApplication::processEvents();
    EXPECT_EQ(display->SelectedPosition(), 4);
    EXPECT_TRUE(display->Player().Active());

    // An old file ends the reading after its last row.
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    Ended();
    EXPECT_FALSE(display->Reading().Running());
    EXPECT_FALSE(Menus().readAll->isChecked());

    Menus().readAll->trigger();
    Check("Auto")->setChecked(true);
    EXPECT_FALSE(display->Reading().Running()) << "one reading at a time";
    Check("Auto")->setChecked(false);
    Menus().readAll->trigger();
    Menus().stop->trigger();
    EXPECT_FALSE(display->Reading().Running()) << "Stop ends it";
}

TEST_F(ReviewTest, NoSoundOutputIsSaidInTheWindowAndTheBarStops)
{
    Load(Segments({5, 6, 7}));
    ShowWithListFocused();
    ClickRow(List(), 1, Qt::LeftButton);
    backend.listener->MediaFailed("no sound output");
    EXPECT_EQ(LastFailure(), "no sound output");
    EXPECT_FALSE(display->Timer(0).isActive());
    EXPECT_EQ(display->ProgressValue(), 0);
    EXPECT_EQ(PlayingMark(1), "");
}

TEST_F(ReviewTest, TheMenuBarSitsAboveTheControlsAndItsActionsFollowTheScan)
{
    ShowWithListFocused();
    EXPECT_EQ(Child<QMenuBar>("MenuBar")->geometry().bottom() + 1, List()->y());
    EXPECT_FALSE(Menus().saveMessage->isEnabled());
    EXPECT_FALSE(Menus().playPause->isEnabled());
    bool openDuring = true;
    bool quitDuring = true;
    QTimer::singleShot(0, display.get(), [&] {
        openDuring = Menus().open->isEnabled();
        quitDuring = Menus().quit->isEnabled();
    });
    Load(ManyShortSegments());
    EXPECT_FALSE(openDuring);
    EXPECT_FALSE(quitDuring);
    EXPECT_TRUE(Menus().open->isEnabled());
    EXPECT_TRUE(Menus().readAll->isEnabled());

    // A message still playing goes with the file it came from.
    ClickRow(List(), 1, Qt::LeftButton);
    Load(Segments({5}), "other.mp3");
    EXPECT_EQ(LastSent(), "close mysound");
    EXPECT_FALSE(display->Player().Active());
    EXPECT_TRUE(Menus().shortcuts->shortcuts().contains(QKeySequence(Qt::Key_F1)));
    EXPECT_TRUE(Menus().ShortcutList().contains("Play / Pause"));
}

TEST_F(ReviewTest, EachMessageIsLevelledOnceMeasuredAndLevellingCanBeSwitchedOff)
{
    quelm::tools::RecordPlan plan;
    plan.segments = 3;
    quelm::tools::WriteRecordFile(dir.Path("day.mp3"), plan);
    display->Dialogs().QueueAnswer(QString::fromStdString(dir.Path("day.mp3")));
    display->Load_Click();
    ShowWithListFocused();
    ClickRow(List(), 1, Qt::LeftButton);
    EXPECT_EQ(LastSent(), "play mysound") << "the click does not wait for the measure";
    display->Levels().WaitForMeasures();
    QCoreApplication::processEvents();
    ASSERT_TRUE(display->Levels().Known(display->Table().Row(2).StartPosition())) << "the next one is measured ahead";
    EXPECT_TRUE(LastSent().starts_with("setaudio mysound volume to ")) << LastSent();
    EXPECT_NE(display->Player().Gain(), 1.0);
    Menus().levelLoudness->trigger();
    EXPECT_EQ(LastSent(), "setaudio mysound volume to 1000");
    Menus().levelLoudness->trigger(); // the choice is kept for the next window
}
