// The "Filename" panel saying what failed, on a label of its own.
#include "FailurePanel.h"
#include "mapped_file/Failure.h"

#include <QLabel>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <new>

using quelm::Failure;
using quelm::FailurePanel;

namespace
{

class FailurePanelTest : public ::testing::Test
{
  protected:
    QLabel label{"day.mp3"};
    FailurePanel panel{label};

    void SetUp() override
    {
        label.setToolTip("/srv/rec/day.mp3");
        label.resize(2000, 20); // room for every short form here
    }
};

} // namespace

TEST_F(FailurePanelTest, ShowsTheReasonFirstAndPathsByTheirLastName)
{
    struct Case {
        Failure failure;
        const char* shown;
    };
    const Case cases[] = {
        {Failure::System("cannot open", "/srv/rec/day one.mp3", ENOENT),
         "No such file or directory: cannot open \u2026/day one.mp3"},
        {Failure("cannot copy from /srv/a.mp3 to /srv/a.mp3", "/srv/a.mp3", "no room"),
         "no room: cannot copy from \u2026/a.mp3 to \u2026/a.mp3"},
        {Failure("cannot create the temporary folder /tmp/q/no/", "/tmp/q/no/", std::strerror(EACCES), EACCES),
         "Permission denied: cannot create the temporary folder \u2026/no/"},
        {Failure("cannot read /day.mp3", "/day.mp3", "it is a folder"), "it is a folder: cannot read /day.mp3"},
        {Failure("the next record", "", "overflow"), "overflow: the next record"},
        // No separate reason: the text as it is, its path words shortened.
        {Failure("marker at offset 9 in /srv/rec/cut.mp3: cut off"), "marker at offset 9 in \u2026/cut.mp3: cut off"},
    };
    for (const Case& c : cases) {
        panel.Show(c.failure);
        EXPECT_EQ(label.text(), QString::fromUtf8(c.shown));
        EXPECT_EQ(label.toolTip(), QString::fromLocal8Bit(c.failure.what()));
        EXPECT_EQ(panel.LastFailure(), label.toolTip());
    }
    panel.Show(static_cast<const std::exception&>(Failure("cannot map /a/b", "/a/b", "too big")));
    EXPECT_EQ(label.text(), QString::fromUtf8("too big: cannot map \u2026/b"));
    panel.Show(std::bad_alloc());
    EXPECT_EQ(label.text(), "out of memory");

    // The whole message goes to standard error; the narrow panel cuts the short form.
    label.resize(60, 20);
    testing::internal::CaptureStderr();
    panel.Show(QString("cannot save /srv/out/a very long name of a segment.mp3: it names a folder"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "quelmrdr: cannot save /srv/out/a very long name of a segment.mp3: it names a folder\n");
    EXPECT_TRUE(label.text().contains(QChar(0x2026))) << label.text().toStdString();
    EXPECT_TRUE(label.toolTip().startsWith("cannot save /srv/out/"));
}

TEST_F(FailurePanelTest, GivesBackTheCoveredNameAndTipAtTheFirstActionAfterEightSeconds)
{
    panel.Show(QString("first"));
    panel.Show(QString("second")); // covers the failure, not the name
    EXPECT_TRUE(panel.Timer().isActive() && panel.Timer().isSingleShot());
    EXPECT_EQ(panel.Timer().interval(), 8000);
    QTest::keyClick(&label, Qt::Key_A);                   // too early
    QMetaObject::invokeMethod(&panel.Timer(), "timeout"); // as its time is up
    EXPECT_EQ(label.text(), "second");
    QTest::keyClick(&label, Qt::Key_A);
    EXPECT_EQ(label.text(), "day.mp3");
    EXPECT_EQ(label.toolTip(), "/srv/rec/day.mp3");
    EXPECT_TRUE(panel.LastFailure().isEmpty());
    EXPECT_FALSE(panel.Timer().isActive());

    // A load that named its file meanwhile keeps it.
    panel.Show(QString("third"));
    label.setText("other.mp3");
    panel.End();
    EXPECT_EQ(label.text(), "other.mp3");
    EXPECT_EQ(label.toolTip(), "/srv/rec/day.mp3");
    panel.End(); // nothing shown: nothing to give back
    EXPECT_EQ(label.text(), "other.mp3");
}
