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
    QString Tab(Qt::KeyboardModifiers Modifiers) const
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

    // A double-click, as the window system delivers it, is one click.
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, On(3));
    QTest::mouseDClick(Viewport(), Qt::LeftButton, {}, On(3));
    QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, On(3));
    EXPECT_EQ(Played(), (std::vector<int>{bottom, 3}));

    // The file's last segment is dropped by the filter: the row before it shows.
    Load(Segments(std::vector<int>(30, 5)) + Segments({1}));
    EXPECT_TRUE(InView(30));
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
    bool released = false;
    bool movedOn = false;
    // The release comes in a later yield, once the list has followed the
    // scan (or just after a scan too short for that).
    std::function<void()> release = [&] {
        if (display->Scanning() && RowAt(at) == pressed) {
            QTimer::singleShot(0, display.get(), release);
            return;
        }
        released = true;
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
    QCoreApplication::processEvents();
    ASSERT_GT(pressed, 0) << "the scan never yielded";
    ASSERT_TRUE(released && movedOn);
    EXPECT_EQ(display->Dialogs().TimesShown(), 2); // the load's and the save's
    EXPECT_TRUE(SaveOffered().endsWith(QString("-%1.mp3").arg(pressed, 8, 10, QChar('0'))))
        << SaveOffered().toStdString() << " " << pressed;
    EXPECT_TRUE(InView(200000));
}

TEST_F(ListInputTest, TabWalksTheControlsAndNeverTheRows)
{
    LoadMany();
    const QStringList order = {"Load", "ListView", "Quit", "Filter", "Length", "Auto"}; // StopIt is off
    for (const int selected : {0, 3}) {
        Button("Load")->setFocus();
        for (int step = 1; step <= 12; ++step) {
            const bool back = step > 6;
            EXPECT_EQ(Tab(back ? Qt::ShiftModifier : Qt::NoModifier), order[back ? 12 - step : step % 6]);
        }
        EXPECT_EQ(display->SelectedPosition(), selected);
        QTest::mouseClick(Viewport(), Qt::LeftButton, {}, On(3));
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
    QTest::keyClick(length, Qt::Key_Up);
    const QPoint middle = length->rect().center();
    QWheelEvent wheel(middle, length->mapToGlobal(middle), {}, {0, 120}, {}, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(length, &wheel);
    EXPECT_EQ(length->value(), 5);
    QTest::mouseClick(length, Qt::LeftButton, {}, QPoint(length->width() / 2, length->height() - 2));
    EXPECT_EQ(Check("Filter")->text(), "Filter < 4s");
    // A quick second click on an arrow comes as a double-click: it steps the same way.
    const QPoint upArrow(length->width() / 2, 2);
    QTest::mouseClick(length, Qt::LeftButton, {}, upArrow);
    QTest::mouseDClick(length, Qt::LeftButton, {}, upArrow);
    QTest::mouseRelease(length, Qt::LeftButton, {}, upArrow);
    EXPECT_EQ(length->value(), 6);
}
