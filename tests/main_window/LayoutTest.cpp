// The window's size: it grows, remembers its place and follows the user's font.
#include "DisplayFixture.h"
#include "WindowPlacement.h"

#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QStyleOptionButton>

using namespace quelm::test;

namespace
{

class LayoutTest : public DisplayTest
{
  protected:
    std::map<QString, QRect> Places() const
    {
        std::map<QString, QRect> places;
        for (const char* name : {"ListView", "Load", "Filter", "Length", "StopIt", "Auto", "Quit", "StatusBar",
                                 "ProgressBar", "Filename", "Panel2", "Record"}) {
            auto* control = Child<QWidget>(name);
            places[name] = QRect(control->mapTo(display.get(), QPoint(0, 0)), control->size());
        }
        return places;
    }
    // The width a button's caption has in Width of its box, as its style lays it out.
    static int CaptionRoom(QAbstractButton* Button, int Width)
    {
        QStyleOptionButton option;
        option.initFrom(Button);
        option.rect = QRect(0, 0, Width, Button->height());
        const bool check = qobject_cast<QCheckBox*>(Button) != nullptr;
        return Button->style()
            ->subElementRect(check ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &option, Button)
            .width();
    }
    static int Advance(const QWidget* Control, QString Text)
    {
        return Control->fontMetrics().horizontalAdvance(Text.remove('&'));
    }
};

} // namespace

TEST_F(LayoutTest, TheDesignSizeIsTheSmallestAndExtraRoomGoesToTheListAndTheFileNamePanel)
{
    Load(Segments(std::vector<int>(60, 5)));
    display->show();
    // The design is the client area, under the menu bar.
    const int menu = Child<QMenuBar>("MenuBar")->height();
    EXPECT_EQ(display->minimumSize(), QSize(365, 227 + menu));
    EXPECT_GT(display->maximumWidth(), 2000);
    const auto design = Places();
    auto rowsShown = [this] { return List()->viewport()->height() / List()->rowHeight(0); };
    const int designRows = rowsShown();

    display->resize(900, 700);
    QCoreApplication::processEvents();
    const auto grown = Places();
    const QPoint down(0, 700 - 227 - menu);
    const int wider = 900 - 365;
    EXPECT_EQ(grown.at("ListView"), design.at("ListView").adjusted(0, 0, wider, down.y()));
    for (const char* under : {"Load", "Filter", "Length", "StopIt", "Auto", "Quit"}) {
        EXPECT_EQ(grown.at(under), design.at(under).translated(down)) << under;
    }
    EXPECT_EQ(grown.at("StatusBar"), design.at("StatusBar").translated(down).adjusted(0, 0, wider, 0));
    EXPECT_EQ(grown.at("Filename").width(), design.at("Filename").width() + wider);
    for (const char* right : {"Panel2", "Record", "ProgressBar"}) {
        EXPECT_EQ(grown.at(right), design.at(right).translated(down + QPoint(wider, 0))) << right;
    }
    EXPECT_EQ(List()->columnWidth(1) + List()->columnWidth(2), 123 + 123 + wider);
    EXPECT_LE(std::abs(List()->columnWidth(1) - List()->columnWidth(2)), 1);
    EXPECT_GE(rowsShown(), designRows + down.y() / List()->rowHeight(0) - 1);

    display->resize(100, 100); // never below the design
    QCoreApplication::processEvents();
    EXPECT_EQ(display->size(), QSize(365, 227 + menu));
    EXPECT_EQ(Places(), design);
}

TEST_F(LayoutTest, SizeAndPlaceAreRememberedBetweenRuns)
{
    const QString file = QString::fromStdString(dir.Path("settings.ini"));
    display->show();
    display->setGeometry(40, 50, 640, 480);
    {
        QSettings settings(file, QSettings::IniFormat);
        quelm::WindowPlacement::Save(*display, settings);
    }
    display = std::make_unique<quelm::Display>(&backend);
    const QSettings settings(file, QSettings::IniFormat);
    quelm::WindowPlacement::Restore(*display, settings);
    EXPECT_EQ(display->size(), QSize(640, 480));
    EXPECT_EQ(display->geometry().topLeft(), QPoint(40, 50));
}

TEST_F(LayoutTest, ADesktopFontTwiceTheDesignsMakesEverythingTwiceAsLargeAndNoCaptionIsCut)
{
    const QFont desktop = QApplication::font();
    QFont large = desktop;
    large.setPointSize(desktop.pointSize() * 2);
    QApplication::setFont(large);
    display = std::make_unique<quelm::Display>(&backend);
    QApplication::setFont(desktop);
    Load(Segments(std::vector<int>(30, 5)) + Segments({59}));
    Length()->setValue(60);
    display->show();

    const int menu = Child<QMenuBar>("MenuBar")->height();
    EXPECT_EQ(display->size(), QSize(730, 454 + menu));
    EXPECT_EQ(display->minimumSize(), QSize(730, 454 + menu));
    EXPECT_EQ(List()->geometry(), QRect(0, menu, 728, 384));
    for (auto* button : display->findChildren<QAbstractButton*>()) {
        if (button->text().isEmpty()) {
            continue; // the list's corner
        }
        // Length lies over the end of Filter's box.
        const int shown = button == Check("Filter") ? Length()->x() - button->x() : button->width();
        EXPECT_LE(Advance(button, button->text()), CaptionRoom(button, shown)) << button->objectName().toStdString();
        EXPECT_LE(button->fontMetrics().height(), button->height()) << button->objectName().toStdString();
    }
    const QModelIndex last = List()->model()->index(Rows() - 1, 0);
    for (int column = 0; column < 4; ++column) {
        const QString text = last.siblingAtColumn(column).data().toString();
        EXPECT_LT(Advance(List(), text), List()->columnWidth(column)) << text.toStdString();
    }
    EXPECT_GE(List()->rowHeight(0), List()->fontMetrics().height());
    for (auto* panel : Child<QStatusBar>("StatusBar")->findChildren<QLabel*>()) {
        EXPECT_LE(Advance(panel, panel->text()), panel->contentsRect().width()) << panel->text().toStdString();
    }
}

TEST_F(LayoutTest, TheLongestFilterCaptionFitsBeforeLengthAtTheDesignFont)
{
    Length()->setValue(60);
    auto* filter = Check("Filter");
    EXPECT_EQ(filter->text(), "Filter < 60s");
    EXPECT_LE(Advance(filter, filter->text()), CaptionRoom(filter, Length()->x() - filter->x()));
}
