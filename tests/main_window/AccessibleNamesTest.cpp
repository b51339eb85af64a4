// What assistive technology hears, through Qt's accessibility interface.
#include "DisplayFixture.h"

#include <QAccessible>
#include <QStatusBar>

using namespace quelm::test;

namespace
{

QAccessibleInterface* Accessible(QObject* Object)
{
    return QAccessible::queryAccessibleInterface(Object);
}

} // namespace

TEST_F(DisplayTest, EveryControlAndPanelHasANameAndTheValuesAreRead)
{
    Load(Segments({5, 65}));
    const std::map<std::string, QString> names = {
        {"ListView", "Messages"},
        {"Length", "Filter threshold in seconds"},
        {"ProgressBar", "Playback position"},
        {"Record", "Segments"},
        {"Filename", "File name"},
        {"Panel2", "Playback"},
        {"StatusBar", "Status"},
        {"Load", "Load"},
        {"StopIt", "Stop"},
        {"Quit", "Quit"},
        {"Filter", "Filter < 2s"},
        {"Auto", "AutoRead 2s"},
    };
    for (const auto& [object, name] : names) {
        EXPECT_EQ(Accessible(Child<QWidget>(object.c_str()))->text(QAccessible::Name), name) << object;
    }

    // The counter and the file name panel say what they show.
    EXPECT_EQ(Accessible(Child<QLabel>("Record"))->text(QAccessible::Description), PanelText("Record"));
    EXPECT_EQ(Accessible(Child<QLabel>("Filename"))->text(QAccessible::Description), "record.mp3");
    // Length gives its value.
    auto* length = Accessible(Length())->valueInterface();
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(length->currentValue().toInt(), 2);
    // The bar says how far the message has played.
    display->ListView_ItemClick(2);
    display->Timer_Timer(0);
    EXPECT_EQ(Accessible(Child<QWidget>("ProgressBar"))->text(QAccessible::Description), "0:01 / 1:05");
    EXPECT_EQ(Accessible(Child<QWidget>("ProgressBar"))->text(QAccessible::Value), "0:01 / 1:05");

    // Each row is read as record, start, end and seconds.
    auto* table = Accessible(List())->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->columnCount(), 4);
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(table->cellAt(1, column)->text(QAccessible::Name),
                  List()->model()->index(1, column).data().toString());
        EXPECT_EQ(table->columnDescription(column), List()->model()->headerData(column, Qt::Horizontal).toString());
    }
}
