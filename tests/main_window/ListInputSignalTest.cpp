// The list's input on the window's form without the window: what real
// presses and keys on a list fuller than its view turn into.
#include "DisplayForm.h"
#include "ListInput.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

class ListInputSignalTest : public ::testing::Test
{
  protected:
    QWidget window;
    QStandardItemModel model{40, 4};
    quelm::DisplayForm form{window, model};
    quelm::ListInput input{*form.listView, *form.length};
    QSignalSpy downs{&input, &quelm::ListInput::MouseDown};
    QSignalSpy pressed{&input, &quelm::ListInput::RowPressed};
    QSignalSpy clicked{&input, &quelm::ListInput::RowClicked};

    void SetUp() override
    {
        for (int row = 0; row < model.rowCount(); ++row) {
            model.setItem(row, 1, new QStandardItem(QString::number(row + 1)));
        }
        window.show();
        QApplication::setActiveWindow(&window);
    }
    QWidget* Viewport() const { return form.listView->viewport(); }
    QRect RowRect(int Position) const { return form.listView->visualRect(model.index(Position - 1, 1)); }
    QPoint On(int Position) const { return RowRect(Position).intersected(Viewport()->rect()).center(); }
    // The first argument of each signal taken so far.
    static std::vector<int> Taken(QSignalSpy& Spy)
    {
        std::vector<int> values;
        for (const QList<QVariant>& arguments : Spy) {
            values.push_back(arguments.front().toInt());
        }
        Spy.clear();
        return values;
    }
};

} // namespace

TEST_F(ListInputSignalTest, EachPressIsOneRowClickWithItsButtonsAndSelectsNothingByItself)
{
    const int bottom = form.listView->indexAt(QPoint(5, Viewport()->height() - 1)).row() + 1;
    ASSERT_FALSE(Viewport()->rect().contains(RowRect(bottom))) << "the bottom row is shown whole";
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, On(3));
    QTest::mouseClick(Viewport(), Qt::RightButton, {}, On(bottom));
    QTest::mouseClick(Viewport(), Qt::MiddleButton, {}, On(2));
    EXPECT_EQ(Taken(downs), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(Taken(pressed), (std::vector<int>{3, bottom, 2}));
    EXPECT_TRUE(form.listView->hasFocus());

    // A second button while the first is held; a double-click and a drag add nothing.
    QTest::mousePress(Viewport(), Qt::LeftButton, {}, On(4));
    QTest::mousePress(Viewport(), Qt::RightButton, {}, On(4));
    QTest::mouseMove(Viewport(), On(6));
    QTest::mouseRelease(Viewport(), Qt::RightButton, {}, On(6));
    QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, On(6));
    QTest::mouseDClick(Viewport(), Qt::LeftButton, {}, On(5));
    EXPECT_EQ(Taken(downs), (std::vector<int>{1, 3}));
    EXPECT_EQ(Taken(pressed), (std::vector<int>{4, 4}));
    EXPECT_EQ(input.SelectedPosition(), 0);
    EXPECT_TRUE(clicked.isEmpty());
}

TEST_F(ListInputSignalTest, ReturnAndTheSaveKeysClickTheSelectedRowOtherKeysMoveIt)
{
    form.listView->setFocus();
    QTest::keyClick(form.listView, Qt::Key_Return); // nothing selected
    EXPECT_TRUE(downs.isEmpty() && clicked.isEmpty());

    form.listView->selectRow(4);
    QTest::keyClick(form.listView, Qt::Key_Down);
    EXPECT_EQ(input.SelectedPosition(), 6);
    QTest::keyClick(form.listView, Qt::Key_Return);
    QTest::keyClick(form.listView, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(form.listView, Qt::Key_Menu);
    QTest::keyClick(form.listView, Qt::Key_F10, Qt::ShiftModifier);
    QTest::keyClick(form.listView, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(form.listView, Qt::Key_F10);
    EXPECT_EQ(Taken(downs), (std::vector<int>{1, 1, 2, 2}));
    EXPECT_EQ(Taken(clicked), (std::vector<int>{6, 6, 6, 6}));
    EXPECT_TRUE(pressed.isEmpty());
    EXPECT_EQ(input.SelectedPosition(), 6);
}

TEST_F(ListInputSignalTest, LengthArrowsStepUpwardsOnlyWhileTheMouseHoldsThem)
{
    QScrollBar* length = form.length;
    length->setValue(10);
    QTest::mouseClick(length, Qt::LeftButton, {}, QPoint(length->width() / 2, 2));
    EXPECT_EQ(length->value(), 11);
    QTest::mouseClick(length, Qt::LeftButton, {}, QPoint(length->width() / 2, length->height() - 2));
    EXPECT_EQ(length->value(), 10);
    length->triggerAction(QAbstractSlider::SliderSingleStepAdd); // by program: as the scroll bar has it
    EXPECT_EQ(length->value(), 11);
}
