// Failures on the real window: readable in full, announced, and lasting.
#include "DisplayFixture.h"

#include <QAccessible>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

using namespace quelm::test;

namespace
{

class FailureTest : public DisplayTest
{
  protected:
    std::unique_ptr<QSignalSpy> announced;

    void SetUp() override
    {
        DisplayTest::SetUp();
        display->show();
        QApplication::setActiveWindow(display.get());
        announced = std::make_unique<QSignalSpy>(&display->Failures(), &quelm::FailurePanel::Announced);
    }
    QString Described(const char* Panel) const
    {
        return QAccessible::queryAccessibleInterface(Child<QLabel>(Panel))->text(QAccessible::Description);
    }
    void TimeUp() { QMetaObject::invokeMethod(&display->Failures().Timer(), "timeout"); }
};

} // namespace

TEST_F(FailureTest, AFailureKeepsReasonAndFileNameInViewIsAnnouncedAndCanBeReadWholeByKeyboard)
{
    const std::string record = Load(Segments({5, 6, 7}), "day-2026-12-07.mp3");
    std::filesystem::remove(record);
    QTest::keyClick(List(), Qt::Key_Up);
    QTest::keyClick(List(), Qt::Key_Return);
    const QString shown = PanelText("Filename");
    // The reason first: the panel of the smallest window has room for little more.
    EXPECT_TRUE(shown.startsWith("No such file or directory: ")) << shown.toStdString();
    ASSERT_EQ(announced->count(), 1);
    EXPECT_EQ(announced->front().front().toString(), LastFailure());
    EXPECT_EQ(Described("Filename"), LastFailure());

    QTest::keyClick(List(), Qt::Key_D, Qt::ControlModifier);
    auto* box = display->findChild<QMessageBox*>("DetailsBox");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "cannot open " + QString::fromStdString(record) + ": No such file or directory");
    EXPECT_EQ(box->text(), LastFailure());
    box->close();

    // A wider panel keeps the whole name and cuts the words between.
    display->resize(500, 300);
    QCoreApplication::processEvents();
    EXPECT_TRUE(PanelText("Filename").startsWith("No such file or directory: ")) << PanelText("Filename").toStdString();
    EXPECT_TRUE(PanelText("Filename").endsWith("\u2026/day-2026-12-07.mp3")) << PanelText("Filename").toStdString();
    // A wider window shows all of it.
    display->resize(900, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(PanelText("Filename"), "No such file or directory: cannot open \u2026/day-2026-12-07.mp3");

    // It stays after its time until the user does something.
    TimeUp();
    EXPECT_TRUE(PanelText("Filename").startsWith("No such file"));
    QTest::keyClick(List(), Qt::Key_Up);
    EXPECT_EQ(PanelText("Filename"), "day-2026-12-07.mp3");
}

TEST_F(FailureTest, AFileThatCouldNotBeLoadedStaysNamedWithItsReason)
{
    display->resize(600, 300);
    display->LoadFile(QString::fromStdString(dir.Path("missing.mp3")));
    EXPECT_EQ(announced->count(), 1);
    TimeUp();
    QTest::keyClick(Button("Load"), Qt::Key_Tab);
    EXPECT_EQ(PanelText("Filename"), "No such file or directory: cannot read \u2026/missing.mp3");
    EXPECT_EQ(Child<QLabel>("Filename")->toolTip(),
              "cannot read " + QString::fromStdString(dir.Path("missing.mp3")) + ": No such file or directory");
    // A word of the window's own over it gives it back.
    display->Failures().Show(QString("Drop one file at a time."));
    TimeUp();
    QTest::keyClick(List(), Qt::Key_Tab);
    EXPECT_TRUE(PanelText("Filename").endsWith("/missing.mp3")) << PanelText("Filename").toStdString();

    Load(Segments({5}));
    EXPECT_EQ(PanelText("Filename"), "record.mp3");
}

TEST_F(FailureTest, AFailedSaveAsksAgainWithTheReasonAndASaveSaysSo)
{
    Load(Segments({5, 6}));
    const QString nowhere = QString::fromStdString(dir.Path("no folder/saved.mp3"));
    display->Dialogs().QueueAnswer(nowhere);
    display->Dialogs().QueueAnswer(QString::fromStdString(dir.Path("saved.mp3")));
    ClickRow(List(), 2, Qt::RightButton);
    EXPECT_EQ(display->Dialogs().TimesShown(), 3);
    EXPECT_EQ(display->Dialogs().LastSettings().fileName, nowhere);
    EXPECT_TRUE(display->Dialogs().LastSettings().notice.contains("No such file or directory"))
        << display->Dialogs().LastSettings().notice.toStdString();
    EXPECT_TRUE(std::filesystem::exists(dir.Path("saved.mp3")));
    EXPECT_EQ(PanelText("Filename"), "Saved saved.mp3");
    EXPECT_EQ(display->Failures().Timer().interval(), quelm::FailurePanel::kNoteMs);
    TimeUp(); // a note needs no action to go
    EXPECT_EQ(PanelText("Filename"), "record.mp3");
}
