#include "DisplayFixture.h"

#include <QItemSelectionModel>

using namespace quelm::test;

namespace
{

class InteractionTest : public DisplayTest
{
  protected:
    // Five segments of 5 s and more.
    void LoadFive()
    {
        Load(Segments({5, 6, 7, 8, 9}));
        display->show();
        ASSERT_EQ(Rows(), 5);
    }
    QCheckBox* Auto() const { return Check("Auto"); }
};

} // namespace

TEST_F(InteractionTest, ClicksPlayOrSaveByTheButtonPressed)
{
    LoadFive();
    QApplication::setActiveWindow(display.get());
    ClickRow(List(), 3, Qt::LeftButton);
    EXPECT_EQ(Played(), std::vector<int>{3});
    EXPECT_EQ(display->NextRecord(), 4);
    EXPECT_EQ(display->SelectedPosition(), 3);
    EXPECT_TRUE(List()->hasFocus());

    display->Dialogs().QueueAnswer(std::nullopt);
    ClickRow(List(), 2, Qt::RightButton);
    EXPECT_EQ(display->Dialogs().TimesShown(), 2);
    EXPECT_EQ(display->NextRecord(), 4);
    EXPECT_TRUE(display->RightButton());

    // A row click with no press before it acts as the last press said.
    display->Dialogs().QueueAnswer(std::nullopt);
    display->ListView_ItemClick(4);
    EXPECT_EQ(display->Dialogs().TimesShown(), 3);

    ClickRow(List(), 4, Qt::MiddleButton);
    ClickRow(List(), 5, Qt::RightButton, Qt::LeftButton); // left and right together
    EXPECT_EQ(Played(), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(display->NextRecord(), 6); // the last row: one past the list
    EXPECT_FALSE(display->RightButton());
}

TEST_F(InteractionTest, SelectingByProgramPlaysNothing)
{
    LoadFive();
    List()->selectionModel()->setCurrentIndex(List()->model()->index(2, 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    List()->selectRow(3);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(display->NextRecord(), 1);
}

TEST_F(InteractionTest, AFailedClickIsShownAndChangesNothing)
{
    const std::string record = dir.Path("record.mp3");
    LoadFive();
    std::filesystem::remove(record);
    ClickRow(List(), 2, Qt::LeftButton);
    EXPECT_TRUE(LastFailure().contains("No such file")) << LastFailure().toStdString();
    // The reason first: the panel is narrow.
    EXPECT_TRUE(PanelText("Filename").startsWith("No such file or directory:")) << PanelText("Filename").toStdString();
    EXPECT_EQ(display->NextRecord(), 1);
    EXPECT_TRUE(display->isVisible());
}

TEST_F(InteractionTest, AutoReadPlaysEachRowInTurnAndStopsAfterTheLast)
{
    LoadFive();
    Auto()->setChecked(true);
    EXPECT_TRUE(display->Timer(1).isActive());
    EXPECT_EQ(display->Timer(1).interval(), 2000);
    EXPECT_EQ(Played(), std::vector<int>{1});
    for (int tick = 0; tick < 4; ++tick) {
        display->Timer_Timer(1);
    }
    EXPECT_EQ(Played(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(display->SelectedPosition(), 5);
    EXPECT_TRUE(Auto()->isChecked());
    display->Timer_Timer(1); // no row 6
    EXPECT_FALSE(Auto()->isChecked());
    EXPECT_FALSE(display->Timer(1).isActive());
    EXPECT_EQ(display->NextRecord(), 1);
    EXPECT_EQ(Played().size(), 5U);
    EXPECT_NE(Sent().back(), "close mysound"); // the last one plays on
}

TEST_F(InteractionTest, AutoReadOnAnEmptyListOrAfterTheLastRowClearsAtOnce)
{
    Load(Filler(100));
    Auto()->setChecked(true);
    EXPECT_FALSE(Auto()->isChecked());
    EXPECT_EQ(display->NextRecord(), 1);
    EXPECT_TRUE(Sent().empty());

    LoadFive();
    ClickRow(List(), 5, Qt::LeftButton);
    Auto()->setChecked(true);
    EXPECT_FALSE(Auto()->isChecked());
    EXPECT_EQ(display->NextRecord(), 1);
    Auto()->setChecked(true);
    EXPECT_EQ(Played(), (std::vector<int>{5, 1}));
}

TEST_F(InteractionTest, SwitchingOffAndOnSkipsARowAndClicksMoveTheNextOne)
{
    LoadFive();
    ClickRow(List(), 1, Qt::LeftButton);
    Auto()->setChecked(true); // plays 2
    display->Timer_Timer(1);  // plays 3
    Auto()->setChecked(false);
    EXPECT_EQ(display->NextRecord(), 5);
    Auto()->setChecked(true); // plays 5: row 4 is skipped
    EXPECT_EQ(Played(), (std::vector<int>{1, 2, 3, 5}));

    Auto()->setChecked(false);
    ClickRow(List(), 2, Qt::LeftButton);
    Auto()->setChecked(true); // continues after the clicked row
    EXPECT_EQ(Played().back(), 3);
}

TEST_F(InteractionTest, AutoReadNeverSavesAfterARightPress)
{
    LoadFive();
    display->ListView_MouseDown(2);
    Auto()->setChecked(true);
    display->Timer_Timer(1);
    EXPECT_EQ(Played(), (std::vector<int>{1, 2}));
    EXPECT_EQ(display->Dialogs().TimesShown(), 1); // the load's only
}

TEST_F(InteractionTest, LoadSwitchesAutoReadOff)
{
    LoadFive();
    Auto()->setChecked(true);
    display->Timer_Timer(1);
    EXPECT_EQ(display->NextRecord(), 3);
    display->Dialogs().QueueAnswer(std::nullopt);
    display->Load_Click();
    EXPECT_FALSE(Auto()->isChecked());
    EXPECT_FALSE(display->Timer(1).isActive());
    EXPECT_EQ(display->NextRecord(), 4); // switching off added one; the cancel kept it
    Load(Segments({5, 6}));
    EXPECT_EQ(display->NextRecord(), 1);
    EXPECT_TRUE(Auto()->isEnabled());
}

TEST_F(InteractionTest, ARowWithoutAnEndPlaysNothingButAutoReadMovesOn)
{
    Check("Filter")->setChecked(false);
    Load(Segments({5}) + Start("11:00:00") + Filler(50) + Start("12:00:00") + Filler(100, 'a') + End("12:00:09"));
    display->show();
    ASSERT_EQ(Rows(), 3);
    Auto()->setChecked(true);
    display->Timer_Timer(1);
    EXPECT_EQ(Played(), std::vector<int>{1});
    EXPECT_EQ(display->NextRecord(), 3);
    display->Timer_Timer(1);
    EXPECT_EQ(Played(), (std::vector<int>{1, 3}));
}

TEST_F(InteractionTest, ProgressTickCountsToTheDurationThenEmpties)
{
    Load(Segments({3}));
    display->ListView_ItemClick(1);
    EXPECT_EQ(display->ProgressMax(), 3);
    std::vector<int> values;
    for (int tick = 0; tick < 4; ++tick) {
        display->Timer_Timer(0);
        values.push_back(display->ProgressValue());
    }
    EXPECT_EQ(values, (std::vector<int>{1, 2, 3, 0}));
    EXPECT_FALSE(display->Timer(0).isActive());
    display->Timer_Timer(7); // no such timer: nothing
    EXPECT_EQ(display->ProgressValue(), 0);
}

TEST_F(InteractionTest, ProgressOfAnEmptyOrNegativeSegmentStopsAtTheNextTick)
{
    Check("Filter")->setChecked(false);
    Load(Segments({0}) + Start("12:30:00") + Filler(10) + End("12:10:00"));
    for (int row : {1, 2}) {
        display->ListView_ItemClick(row);
        EXPECT_EQ(display->ProgressMax(), 0);
        EXPECT_TRUE(display->Timer(0).isActive());
        display->Timer_Timer(0);
        EXPECT_EQ(display->ProgressValue(), 0);
        EXPECT_FALSE(display->Timer(0).isActive());
    }
}

TEST_F(InteractionTest, SaveStopsTheSoundWhileTheBarRunsOn)
{
    LoadFive();
    ClickRow(List(), 2, Qt::LeftButton);
    display->Timer_Timer(0);
    display->Dialogs().QueueAnswer(std::nullopt);
    ClickRow(List(), 2, Qt::RightButton);
    EXPECT_EQ(Sent().back(), "close mysound");
    EXPECT_TRUE(display->Timer(0).isActive());
    display->Timer_Timer(0);
    EXPECT_EQ(display->ProgressValue(), 2);
}

TEST_F(InteractionTest, FilterRescanDropsShortSegmentsAndKeepsOpenRows)
{
    Check("Filter")->setChecked(false);
    Load(Segments({0, 1, 2, 3}) + Start("20:00:00") + Filler(10));
    ASSERT_EQ(Rows(), 5);
    Check("Filter")->setChecked(true);
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(display->Table().Row(1).SubItem(3), "3");
    EXPECT_EQ(display->Table().Row(2).subItems.size(), 1U);
    EXPECT_EQ(PanelText("Record"), "00000002");
    EXPECT_EQ(States(), "111011");

    // Clearing the box leaves the list; a new threshold takes effect when ticked.
    Check("Filter")->setChecked(false);
    EXPECT_EQ(Rows(), 2);
    Length()->setValue(3);
    EXPECT_EQ(Check("Filter")->text(), "Filter < 3s");
    EXPECT_FALSE(Check("Filter")->isChecked());
    EXPECT_EQ(Rows(), 2);
    Check("Filter")->setChecked(true);
    EXPECT_EQ(Rows(), 1);
}

TEST_F(InteractionTest, FilterRescanLeavesAutoReadAndTimersAlone)
{
    LoadFive();
    Auto()->setChecked(true);
    Check("Filter")->setChecked(false);
    Check("Filter")->setChecked(true);
    EXPECT_TRUE(Auto()->isChecked());
    EXPECT_TRUE(display->Timer(1).isActive());
    EXPECT_EQ(display->NextRecord(), 2);
}

TEST_F(InteractionTest, StopEndsARescanAndAFailedRescanRestoresTheControls)
{
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes += Start("10:00:00") + End("10:00:09");
    }
    Load(bytes);
    Check("Filter")->setChecked(false);
    bool stopped = false;
    QTimer::singleShot(0, display.get(), [&] {
        stopped = true;
        Button("StopIt")->click();
    });
    Check("Filter")->setChecked(true);
    ASSERT_TRUE(stopped);
    EXPECT_LT(Rows(), 200000);
    EXPECT_EQ(States(), "111011");

    // The file is cut short under the list: the re-scan fails.
    std::filesystem::resize_file(dir.Path("record.mp3"), 75);
    Check("Filter")->setChecked(false);
    Check("Filter")->setChecked(true);
    EXPECT_EQ(Rows(), 1);
    EXPECT_EQ(States(), "111011");
    EXPECT_FALSE(LastFailure().isEmpty());
}

TEST_F(InteractionTest, RowsCanBePlayedWhileTheScanRuns)
{
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes += Start("10:00:00") + Filler(10, 'a') + End("10:00:09");
    }
    bool played = false;
    QTimer::singleShot(0, display.get(), [&] {
        display->ListView_ItemClick(1);
        played = true;
    });
    Load(bytes);
    ASSERT_TRUE(played);
    EXPECT_EQ(Played(), std::vector<int>{1});
    EXPECT_EQ(display->NextRecord(), 2); // the load set 1 before its scan; the click came after
}
