// Where the keyboard is: every focus shows, and keys move on from what is in view.
#include "DisplayFixture.h"

#include <QImage>
#include <QTest>

using namespace quelm::test;

namespace
{

class FocusTest : public DisplayTest
{
  protected:
    void SetUp() override
    {
        DisplayTest::SetUp();
        display->show();
        QApplication::setActiveWindow(display.get());
    }
    // The pixels of Control that its focus changes, as one rectangle.
    static QRect FocusMark(QWidget* Control, QWidget* Elsewhere)
    {
        Elsewhere->setFocus(Qt::TabFocusReason);
        const QImage without = Control->grab().toImage();
        Control->setFocus(Qt::TabFocusReason);
        const QImage with = Control->grab().toImage();
        QRect changed;
        for (int y = 0; y < with.height(); ++y) {
            for (int x = 0; x < with.width(); ++x) {
                if (with.pixel(x, y) != without.pixel(x, y)) {
                    changed |= QRect(x, y, 1, 1);
                }
            }
        }
        return changed;
    }
};

} // namespace

TEST_F(FocusTest, TheListFramesItselfOrItsCurrentRowAndLengthShowsItsFocus)
{
    EXPECT_FALSE(FocusMark(Length(), Button("Load")).isEmpty());
    // No row: the list frames itself.
    const QRect empty = FocusMark(List(), Button("Load"));
    EXPECT_GT(empty.width(), List()->width() * 9 / 10);
    EXPECT_GT(empty.height(), List()->viewport()->height() * 9 / 10);

    Load(Segments(std::vector<int>(40, 5)));
    const QModelIndex current = List()->currentIndex();
    ASSERT_TRUE(current.isValid());
    QRect row = List()->visualRect(current).united(List()->visualRect(current.siblingAtColumn(3)));
    row.translate(List()->viewport()->mapTo(List(), QPoint(0, 0)));
    const QRect mark = FocusMark(List(), Button("Load"));
    EXPECT_FALSE(mark.isEmpty());
    EXPECT_TRUE(row.adjusted(-1, -1, 1, 1).contains(mark)) << mark.y() << " " << row.y();
    EXPECT_GT(mark.width(), row.width() * 9 / 10);
}

TEST_F(FocusTest, AfterAScanTheRowInViewIsCurrentAndTheKeysMoveFromIt)
{
    Load(Segments(std::vector<int>(40, 5)));
    ASSERT_EQ(List()->currentIndex().row(), 39); // the last row, scrolled to
    EXPECT_EQ(display->SelectedPosition(), 0);
    List()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(List(), Qt::Key_Up);
    EXPECT_EQ(display->SelectedPosition(), 39);
    EXPECT_TRUE(List()->viewport()->rect().contains(List()->visualRect(List()->currentIndex())));
    EXPECT_TRUE(Played().empty());

    // A filter scan that drops the last row: the row before it.
    Load(Segments(std::vector<int>(30, 5)) + Segments({1}));
    EXPECT_EQ(List()->currentIndex().row(), 29);
}

TEST_F(FocusTest, SpaceOnFilterTwiceRescansAndLeavesTheFocusOnFilter)
{
    Load(Segments({1, 5, 9}));
    Check("Filter")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Check("Filter"), Qt::Key_Space);
    EXPECT_FALSE(Check("Filter")->isChecked());
    QTest::keyClick(Check("Filter"), Qt::Key_Space); // re-scans
    EXPECT_TRUE(Check("Filter")->isChecked());
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(QApplication::focusWidget(), Check("Filter"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_FALSE(Check("Auto")->isChecked());
    EXPECT_FALSE(Check("Filter")->isChecked());
}
