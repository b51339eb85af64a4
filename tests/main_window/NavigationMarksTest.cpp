// Finding one's way in a day and a month: a time of day, the next day's
// file, and marks that outlive the window.
#include "DisplayFixture.h"
#include "WindowMenus.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <fstream>

using namespace quelm::test;

namespace
{

class NavigationTest : public DisplayTest
{
  protected:
    std::int64_t now = 0;

    void SetUp() override
    {
        DisplayTest::SetUp();
        Clock();
    }
    void Clock()
    {
        display->Player().SetClock([this] { return now; });
    }
    void Focus()
    {
        display->show();
        QApplication::setActiveWindow(display.get());
        List()->setFocus();
    }
    QString Said(int Position, int Role = Qt::AccessibleDescriptionRole) const
    {
        return List()->model()->index(Position - 1, 0).data(Role).toString();
    }
    void Tick() { QMetaObject::invokeMethod(&display->Timer(0), "timeout"); }
};

} // namespace

TEST_F(NavigationTest, GoToTimeSelectsTheRowThatReachesItAndPlaysNothing)
{
    Load(Segments(std::vector<int>(40, 5))); // 10:00:00, then every 65 s
    Focus();
    display->Prompts().QueueAnswer(QString(" 10:05 "));
    QTest::keyClick(List(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(display->SelectedPosition(), 6); // 10:05:25
    EXPECT_TRUE(Sent().empty());
    for (const char* wrong : {"10:5:99", "25:00", "noon"}) {
        display->Prompts().QueueAnswer(QString(wrong));
        display->GoToTime();
        EXPECT_TRUE(LastFailure().startsWith("Not a time of day")) << wrong;
    }
    display->Prompts().QueueAnswer(QString("23:00"));
    display->GoToTime();
    EXPECT_EQ(LastFailure(), "No message starts at or after 23:00");
    EXPECT_EQ(display->SelectedPosition(), 6);
}

TEST_F(NavigationTest, CtrlPageDownAndUpStepThroughTheFolderAndOpenRecentRemembersThem)
{
    dir.Write("day-02.mp3", Segments({7, 8}));
    Load(Segments({5}), "day-01.mp3");
    Focus();
    QTest::keyClick(List(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(PanelText("Filename"), "day-02.mp3");
    EXPECT_EQ(Rows(), 2);
    QTest::keyClick(List(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(LastFailure(), "No next record file in this folder");
    QTest::keyClick(List(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(PanelText("Filename"), "day-01.mp3");

    QMenu* recent = display->Menus().recent;
    emit recent->aboutToShow();
    ASSERT_GE(recent->actions().size(), 2);
    EXPECT_EQ(recent->actions()[0]->text().toStdString(), dir.Path("day-01.mp3"));
    EXPECT_EQ(recent->actions()[1]->text().toStdString(), dir.Path("day-02.mp3"));
    recent->actions()[1]->trigger();
    EXPECT_EQ(PanelText("Filename"), "day-02.mp3");
}

TEST_F(NavigationTest, MarksAreKeptWithTheMessageAcrossFilterAndWindowAndHeardNeedsFiveSeconds)
{
    const std::string path = Load(Segments({1, 30, 40}));
    Focus();
    EXPECT_EQ(Rows(), 2) << "the filter hides the 1 s message";
    QTest::keyClick(List(), Qt::Key_Up); // from the last row, current after the scan
    QTest::keyClick(List(), Qt::Key_B, Qt::ControlModifier);
    display->Prompts().QueueAnswer(QString("call sign unclear"));
    QTest::keyClick(List(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(Said(1), "starred, note: call sign unclear");
    EXPECT_EQ(Said(1, Qt::ToolTipRole), "call sign unclear");

    // AutoRead's two seconds are no hearing; five seconds of play are.
    Check("Auto")->setChecked(true);
    now += 6000;
    Tick();
    Check("Auto")->setChecked(false);
    EXPECT_FALSE(Said(2).contains("heard"));
    ClickRow(List(), 2, Qt::LeftButton);
    now += 4000;
    Tick();
    EXPECT_FALSE(Said(2).contains("heard"));
    now += 1000;
    Tick();
    EXPECT_TRUE(Said(2).contains("heard"));

    // Another window, the filter off: the numbers move, the marks do not.
    display = std::make_unique<quelm::Display>(&backend);
    Clock();
    Length()->setValue(3); // clears the filter box
    display->Dialogs().QueueAnswer(QString::fromStdString(path));
    display->Load_Click();
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Said(1), "");
    EXPECT_EQ(Said(2), "starred, note: call sign unclear");
    EXPECT_TRUE(Said(3).contains("heard"));
    display->GoToLastPlayed();
    EXPECT_EQ(display->SelectedPosition(), 3);
}

TEST_F(NavigationTest, ADamagedDatabaseIsSaidAndTheListWorksWithoutMarks)
{
    std::filesystem::create_directories(dir.Path("data/quelmrdr"));
    std::ofstream(dir.Path("data/quelmrdr/marks.sqlite")) << std::string(8192, 'x');
    Load(Segments({5, 6}));
    EXPECT_TRUE(LastFailure().contains("marks database")) << LastFailure().toStdString();
    EXPECT_EQ(Rows(), 2);
    Focus();
    QTest::keyClick(List(), Qt::Key_Up); // from the last row, current after the scan
    QTest::keyClick(List(), Qt::Key_Return);
    EXPECT_EQ(Played(), std::vector<int>{1});
}
