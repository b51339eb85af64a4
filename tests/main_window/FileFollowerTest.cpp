#include "FileFollower.h"
#include "DisplayFixture.h"
#include "record/Scanner.h"

#include <QTime>
#include <random>

using namespace quelm::test;

namespace
{

class FollowTest : public DisplayTest
{
  protected:
    void Append(const std::string& Bytes) const
    {
        std::ofstream(dir.Path("record.mp3"), std::ios::binary | std::ios::app) << Bytes;
        display->Follower().Check();
    }
    bool Shown(int Position) const
    {
        return List()->viewport()->rect().intersects(List()->visualRect(List()->model()->index(Position - 1, 0)));
    }
};

} // namespace

TEST_F(FollowTest, AppendedBytesGiveTheRowsOfAFullScanWhereverTheyAreCut)
{
    std::mt19937 random(7);
    std::string bytes; // short, open and twice-ended segments, foreign keywords, midnight
    for (int i = 0; i < 300; ++i) {
        auto time = [&](int s) { return QTime(22, 0).addSecs(i * 70 + s).toString().toStdString(); };
        const int seconds = std::array{0, 1, 2, 3, 40}[random() % 5], kind = static_cast<int>(random() % 10);
        bytes += Start(time(0)) + Filler(random() % 90) + (kind == 0 ? "" : End(time(seconds))) +
                 (kind == 1 && seconds > 2 ? End(time(seconds)) : "") + (kind == 2 ? Marker("XTIME ", "") : "");
    }
    Load(bytes.substr(0, 20)); // cut inside the first start marker
    for (std::size_t done = 20, piece = 0; done < bytes.size(); done += piece) {
        Append(bytes.substr(done, piece = 1 + random() % 400));
        RecordingHost host;
        host.filterOn = true;
        quelm::SegmentTable table;
        try {
            quelm::Scanner(table, host).Look4Frame(dir.Path("record.mp3"));
        } catch (const quelm::Failure&) { // a marker cut off by the end
        }
        ASSERT_EQ(Rows(), table.RowCount()) << done;
        for (int row = 1; row <= Rows(); ++row) {
            const quelm::SegmentRow &got = display->Table().Row(row), &want = table.Row(row);
            ASSERT_EQ(std::tie(got.text, got.subItems, got.tag), std::tie(want.text, want.subItems, want.tag));
        }
        ASSERT_EQ(List()->model()->rowCount(), Rows());
        ASSERT_EQ(PanelText("Record").toStdString(), host.panel.empty() ? "Segments" : host.panel.back());
    }
}

TEST_F(FollowTest, NewRowsAreScrolledToOnlyFromTheLastRow)
{
    display->show();
    Load(Segments(std::vector<int>(40, 5)));
    List()->scrollToBottom();
    ASSERT_TRUE(Shown(40));
    Append(Segments({5, 5}));
    EXPECT_TRUE(Rows() == 42 && Shown(42));
    Length()->setValue(9); // clears Filter; the list's 2 s hold until a re-scan
    Append(Segments({1}));
    EXPECT_EQ(Rows(), 42);
    List()->scrollToTop();
    QApplication::setActiveWindow(display.get());
    Length()->setFocus();
    Append(Segments({5}));
    EXPECT_TRUE(Shown(1) && !Shown(43));
    EXPECT_TRUE(Length()->hasFocus()); // though the scan disabled it meanwhile
}

TEST_F(FollowTest, ShrunkOrReplacedFileIsLoadedAnewAndStopEndsFollowing)
{
    Load(Segments({5, 6, 7}));
    display->Follower().Check();
    std::filesystem::rename(dir.Write("new.mp3", Segments({8, 9})), dir.Path("record.mp3"));
    display->Follower().Check();
    EXPECT_EQ(LastFailure(), "Loaded anew: record.mp3 was replaced by another file");
    EXPECT_EQ(display->Table().Row(2).SubItem(3), "9");
    std::filesystem::resize_file(dir.Path("record.mp3"), Segments({8}).size());
    display->Follower().Check();
    EXPECT_EQ(LastFailure(), "Loaded anew: record.mp3 shrank");
    EXPECT_EQ(Rows(), 1);

    std::string during;
    QTimer::singleShot(0, display.get(), [&] {
        during = States();
        Button("StopIt")->click();
    });
    Append(ManyShortSegments());
    EXPECT_EQ(during, "000101"); // as in a full scan, Auto usable
    EXPECT_EQ(States(), "111011");
    EXPECT_EQ(PanelText("Record"), "");
    const int kept = Rows();
    Append(Segments({5})); // not followed until the next full scan
    EXPECT_TRUE(kept > 1 && Rows() == kept);
    Check("Filter")->setChecked(false);
    Check("Filter")->setChecked(true);
    Append(Segments({5}));
    EXPECT_EQ(Rows(), 200003);

    Append(End("no time")); // refused, and said once while the file grows
    EXPECT_TRUE(LastFailure().contains("time of day"));
    display->Failures().End(); // the failure is over
    Append(Segments({5}));
    EXPECT_TRUE(Rows() == 200003 && LastFailure().isEmpty());
}
