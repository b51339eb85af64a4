// The list as the user works it: real mouse and key events on the real
// widgets, with more rows than the list shows.
#include "DisplayFixture.h"

#include <QTest>
#include <functional>

using namespace quelm::test;

namespace
{

class ListInputTest : public DisplayTest
{
  protected:
    void LoadMany(int Count = 40)
    {
        Load(Segments(std::vector<int>(static_cast<std::size_t>(Count), 5)));
        display->show();
        QApplication::setActiveWindow(display.get());
        ASSERT_EQ(Rows(), Count);
        ASSERT_TRUE(InView(Count));
        List()->scrollToTop();
    }
    QWidget* Viewport() const { return List()->viewport(); }
    QRect RowRect(int Position) const { return List()->visualRect(List()->model()->index(Position - 1, 1)); }
    // A point on the part of the row that is in view.
    QPoint On(int Position) const { return RowRect(Position).intersected(Viewport()->rect()).center(); }
    int RowAt(QPoint At) const { return List()->indexAt(At).row() + 1; }
    bool InView(int Position) const { return Viewport()->rect().contains(RowRect(Position)); }
    QString SaveOffered() const { return display->Dialogs().LastSettings().fileName; }
    QString Tab(Qt::KeyboardModifiers Modifiers = Qt::NoModifier) const
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Modifiers);
        return QApplication::focusWidget()->objectName();
    }
};

} // namespace

TEST_F(ListInputTest, AfterALoadTheLastRowIsInViewAndAClickOnAHalfShownRowPlaysIt)
{
    LoadMany(); // the last row was in view
    EXPECT_FALSE(List()->model()->index(0, 1).data(Qt::ToolTipRole).isValid());
    const int bottom = RowAt(QPoint(5, Viewport()->height() - 1));
    ASSERT_FALSE(InView(bottom)) << "the bottom row is shown whole";
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, On(bottom));
    EXPECT_EQ(Played(), std::vector<int>{bottom});
    EXPECT_EQ(display->NextRecord(), bottom + 1);
    EXPECT_EQ(display->SelectedPosition(), bottom);

    // The file's last segment is dropped by the filter: the row before it shows.
    Load(Segments(std::vector<int>(30, 5)) + Segments({1}));
    EXPECT_TRUE(InView(30));
}

TEST_F(ListInputTest, ADoubleClickIsOneClick)
{
    LoadMany();
    const QPoint at = On(3);
    // As the window system delivers it: press, release, double-click, release.
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(Viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(Played(), std::vector<int>{3});
}

TEST_F(ListInputTest, AnAutoReadTickBetweenPressAndReleaseLeavesTheClickAlone)
{
    LoadMany();
    Check("Auto")->setChecked(true); // plays 1
    display->Dialogs().QueueAnswer(std::nullopt);
    QTest::mousePress(Viewport(), Qt::RightButton, {}, On(5));
    display->Timer_Timer(1); // plays 2
    QTest::mouseRelease(Viewport(), Qt::RightButton, {}, On(5));
    EXPECT_TRUE(SaveOffered().endsWith("-00000005.mp3")) << SaveOffered().toStdString();
    EXPECT_EQ(Played(), (std::vector<int>{1, 2}));

    QTest::mousePress(Viewport(), Qt::LeftButton, {}, On(7));
    display->Timer_Timer(1); // goes on after the clicked row
    QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, On(7));
    EXPECT_EQ(Played(), (std::vector<int>{1, 2, 7, 8}));
    EXPECT_EQ(display->Dialogs().TimesShown(), 2);
}

TEST_F(ListInputTest, ARightClickDuringAScanSavesTheRowUnderThePress)
{
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes += Start("10:00:00") + Filler(10, 'a') + End("10:00:09");
    }
    display->show();
    const QPoint at(60, 60);
    int pressed = 0;
    bool movedOn = false;
    // The release comes in a later yield, once the list has followed the scan.
    std::function<void()> release = [&] {
        if (display->Scanning() && RowAt(at) == pressed) {
            QTimer::singleShot(0, display.get(), release);
            return;
        }
        movedOn = RowAt(at) != pressed;
        QTest::mouseRelease(Viewport(), Qt::RightButton, {}, at);
    };
    QTimer::singleShot(0, display.get(), [&] {
        pressed = RowAt(at);
        display->Dialogs().QueueAnswer(std::nullopt);
        QTest::mousePress(Viewport(), Qt::RightButton, {}, at);
        QTimer::singleShot(0, display.get(), release);
    });
    Load(bytes);
    ASSERT_GT(pressed, 0);
    ASSERT_TRUE(movedOn) << "the scan ended before the list moved";
    EXPECT_EQ(display->Dialogs().TimesShown(), 2); // the load's and the save's
    EXPECT_TRUE(SaveOffered().endsWith(QString("-%1.mp3").arg(pressed, 8, 10, QChar('0'))))
        << SaveOffered().toStdString() << " " << pressed;
    EXPECT_TRUE(InView(200000));
}

TEST_F(ListInputTest, TabWalksTheControlsAndNeverTheRows)
{
    LoadMany();
    Button("Load")->setFocus();
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(Tab(), "ListView");
        EXPECT_EQ(Tab(), "Quit"); // StopIt is off between scans
        EXPECT_EQ(Tab(), "Filter");
        EXPECT_EQ(Tab(), "Length");
        EXPECT_EQ(Tab(), "Auto");
        EXPECT_EQ(Tab(), "Load");
        EXPECT_EQ(Tab(Qt::ShiftModifier), "Auto");
        EXPECT_EQ(Tab(Qt::ShiftModifier), "Length");
        EXPECT_EQ(Tab(Qt::ShiftModifier), "Filter");
        EXPECT_EQ(Tab(Qt::ShiftModifier), "Quit");
        EXPECT_EQ(Tab(Qt::ShiftModifier), "ListView");
        EXPECT_EQ(Tab(Qt::ShiftModifier), "Load");
        EXPECT_EQ(display->SelectedPosition(), pass == 0 ? 0 : 3);
        QTest::mouseClick(Viewport(), Qt::LeftButton, {}, On(3));
        Button("Load")->setFocus();
    }
}

TEST_F(ListInputTest, ReturnPlaysAndTheMenuKeyOrShiftF10SavesTheSelectedRow)
{
    LoadMany();
    QTest::keyClick(List(), Qt::Key_Return); // nothing selected yet
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, On(2));
    QTest::keyClick(List(), Qt::Key_Down); // selects, plays nothing
    EXPECT_EQ(display->SelectedPosition(), 3);
    QTest::keyClick(List(), Qt::Key_Return);
    EXPECT_EQ(Played(), (std::vector<int>{2, 3}));
    EXPECT_EQ(display->NextRecord(), 4);

    display->Dialogs().QueueAnswer(std::nullopt);
    QTest::keyClick(List(), Qt::Key_Menu);
    EXPECT_TRUE(SaveOffered().endsWith("-00000003.mp3")) << SaveOffered().toStdString();
    display->Dialogs().QueueAnswer(std::nullopt);
    QTest::keyClick(List(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(display->Dialogs().TimesShown(), 3);
    EXPECT_EQ(display->NextRecord(), 4);

    QTest::keyClick(List(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(Played(), (std::vector<int>{2, 3, 3}));
}

TEST_F(ListInputTest, LengthGoesUpWithItsUpArrowTheUpKeyAndTheWheel)
{
    display->show();
    QScrollBar* length = Length();
    QTest::mouseClick(length, Qt::LeftButton, {}, QPoint(length->width() / 2, 2));
    EXPECT_EQ(length->value(), 3);
    QTest::keyClick(length, Qt::Key_Up);
    EXPECT_EQ(length->value(), 4);
    const QPoint middle = length->rect().center();
    QWheelEvent wheel(middle, length->mapToGlobal(middle), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(length, &wheel);
    EXPECT_EQ(length->value(), 5);
    QTest::mouseClick(length, Qt::LeftButton, {}, QPoint(length->width() / 2, length->height() - 2));
    QTest::keyClick(length, Qt::Key_Down);
    EXPECT_EQ(length->value(), 3);
    EXPECT_EQ(Check("Filter")->text(), "Filter < 3s");
}
