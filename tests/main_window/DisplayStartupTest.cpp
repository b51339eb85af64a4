#include "DisplayFixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStatusBar>

using namespace quelm::test;

namespace
{

QRect Px(int Left, int Top, int Width, int Height)
{
    return {Left / 15, Top / 15, (Width + 7) / 15, (Height + 7) / 15};
}

} // namespace

TEST_F(DisplayTest, StartsWithTheFilterOnAtTwoSecondsAndTheVersionInTheCaption)
{
    EXPECT_EQ(display->windowTitle(), QString("Quelm MP3 Reader %1.%2.%3")
                                          .arg(QUELMRDR_VERSION_MAJOR)
                                          .arg(QUELMRDR_VERSION_MINOR)
                                          .arg(QUELMRDR_VERSION_REVISION));
    EXPECT_TRUE(Check("Filter")->isChecked());
    EXPECT_EQ(Check("Filter")->text(), "Filter < 2s");
    EXPECT_EQ(Length()->value(), 2);
    EXPECT_EQ(Length()->minimum(), 2);
    EXPECT_EQ(Length()->maximum(), 60);
    EXPECT_FALSE(Check("Auto")->isChecked());
    EXPECT_EQ(States(), "111010");
    EXPECT_EQ(display->NextRecord(), 0);
    EXPECT_TRUE(display->RecordFile().empty());
    EXPECT_FALSE(display->Timer(0).isActive());
    EXPECT_FALSE(display->Timer(1).isActive());
    EXPECT_EQ(display->Timer(0).interval(), 1000);
    EXPECT_EQ(display->Timer(1).interval(), 1000);
    EXPECT_TRUE(Sent().empty());
    const auto sizes = display->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)));
    EXPECT_FALSE(display->windowIcon().pixmap(QSize(256, 256)).isNull());
}

TEST_F(DisplayTest, ControlsCarryTheirCaptionsTooltipsAndPlaces)
{
    struct Expected {
        const char* name;
        const char* caption;
        const char* tip;
        QRect place;
    };
    const Expected controls[] = {
        {"Load", "&Load", "Load segments from a file", Px(0, 2880, 735, 255)},
        {"Filter", "Filter < 2s", "Filter messages less than displayed seconds", Px(840, 2880, 1095, 255)},
        {"StopIt", "&Stop", "Stop loading MP3 file", Px(2280, 2880, 735, 255)},
        {"Auto", "&AutoRead 2s", "Read first 2s of each segment", Px(3120, 2880, 1455, 255)},
        {"Quit", "&Quit", "Quit", Px(4680, 2880, 735, 255)},
    };
    for (const auto& c : controls) {
        auto* button = display->findChild<QAbstractButton*>(c.name);
        ASSERT_NE(button, nullptr) << c.name;
        EXPECT_EQ(button->text(), c.caption);
        EXPECT_EQ(button->toolTip(), c.tip);
        EXPECT_EQ(button->geometry(), c.place) << c.name;
    }
    EXPECT_EQ(display->size(), QSize(365, 227));
    EXPECT_EQ(List()->geometry(), Px(0, 0, 5460, 2880));
    EXPECT_EQ(Length()->geometry(), Px(1920, 2880, 255, 240));
    EXPECT_EQ(Length()->orientation(), Qt::Vertical);
    auto* bar = Child<QProgressBar>("ProgressBar");
    EXPECT_EQ(bar->toolTip(), "Segment duration");
    EXPECT_EQ(bar->geometry(), Px(2640, 3180, 1095, 225));
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(Child<QStatusBar>("StatusBar")->geometry(), Px(0, 3150, 5475, 255));
}

TEST_F(DisplayTest, ListHasFourColumnsAndOnePanelPerKey)
{
    auto* model = List()->model();
    ASSERT_EQ(model->columnCount(), 4);
    const char* headers[] = {"Record", "Start", "End", "s"};
    const int widths[] = {56, 123, 123, 41};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), headers[c]);
        EXPECT_EQ(List()->columnWidth(c), widths[c]);
    }
    EXPECT_EQ(model->headerData(3, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
              Qt::AlignRight);
    EXPECT_EQ(List()->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(List()->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(PanelText("Filename"), "File name");
    EXPECT_EQ(PanelText("Record"), "Segments");
    EXPECT_EQ(Child<QLabel>("Panel2")->text(), "");
}

TEST_F(DisplayTest, TabVisitsTheControlsInTheirOrderSkippingDisabledOnes)
{
    display->show();
    QApplication::setActiveWindow(display.get());
    Button("Load")->setFocus();
    auto tab = [] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &press);
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    };
    ASSERT_EQ(QApplication::focusWidget(), Button("Load"));
    EXPECT_EQ(tab(), "ListView");
    EXPECT_EQ(tab(), "Quit"); // StopIt is disabled
    EXPECT_EQ(tab(), "Filter");
    EXPECT_EQ(tab(), "Length");
    EXPECT_EQ(tab(), "Load"); // Auto is disabled
}

TEST_F(DisplayTest, LengthChangesClearTheFilterAndRenameIt)
{
    Length()->setValue(5);
    EXPECT_FALSE(Check("Filter")->isChecked());
    EXPECT_EQ(Check("Filter")->text(), "Filter < 5s");
    Check("Filter")->setChecked(true);
    Length()->setValue(5); // the same value raises nothing
    EXPECT_TRUE(Check("Filter")->isChecked());
    Length()->setValue(60);
    EXPECT_EQ(Check("Filter")->text(), "Filter < 60s");
    // Checking the box with no file loaded changes nothing but the box.
    Check("Filter")->setChecked(true);
    EXPECT_EQ(States(), "111010");
    EXPECT_EQ(Rows(), 0);
}
