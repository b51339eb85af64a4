#include "FileFollower.h"
#include "DisplayFixture.h"
#include "record/Scanner.h"

#include <QStatusBar>
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
    QString Message() const { return display->findChild<QStatusBar*>("StatusBar")->currentMessage(); }
};

} // namespace

TEST_F(FollowTest, AppendedBytesGiveTheRowsOfAFullScanWhereverTheyAreCut)
{
    std::mt19937 random(7);
    auto time = [](unsigned s) { return QTime(0, 0).addSecs(static_cast<int>(s)).toString().toStdString(); };
    std::string bytes;
    for (unsigned i = 0, at = 80000; i < 300; ++i, at += 70) {
        const unsigned seconds = std::array{0U, 1U, 2U, 3U, 40U}[random() % 5];
        const std::string start = time(at), end = time(at + seconds); // some cross midnight
        const unsigned kind = random() % 10;
        bytes += Start(start) + Filler(random() % 90) + (kind == 0 ? "" : End(end)) +
                 (kind == 1 && seconds > 2 ? End(end) : "") + (kind == 2 ? Marker("XTIME ", end) : "") + Filler(7);
    }
    Load(bytes.substr(0, 20)); // cut inside the first start marker
    for (std::size_t done = 20; done < bytes.size();) {
        const std::size_t piece = std::min<std::size_t>(1 + random() % 400, bytes.size() - done);
        Append(bytes.substr(done, piece));
        done += piece;
        RecordingHost host;
        host.filterOn = true;
        quelm::SegmentTable table;
        try {
            quelm::Scanner(table, host).Look4Frame(dir.Path("record.mp3"));
        } catch (const quelm::Failure&) { // a marker cut off by the end
        }
        ASSERT_EQ(Rows(), table.RowCount()) << done;
        for (int row = 1; row <= Rows(); ++row) {
            const quelm::SegmentRow& got = display->Table().Row(row);
            const quelm::SegmentRow& want = table.Row(row);
            ASSERT_TRUE(got.text == want.text && got.subItems == want.subItems && got.tag == want.tag) << row;
        }
        ASSERT_EQ(List()->model()->rowCount(), Rows());
        ASSERT_EQ(PanelText("Record").toStdString(), host.panel.empty() ? "Segments" : host.panel.back());
    }
}

TEST_F(FollowTest, NewRowsAreScrolledToOnlyFromTheLastRowAndAutoReadReachesThem)
{
    display->show();
    Load(Segments(std::vector<int>(40, 5)));
    List()->scrollToBottom();
    ASSERT_TRUE(Shown(40));
    Append(Segments({5, 5}));
    EXPECT_EQ(Rows(), 42);
    EXPECT_TRUE(Shown(42));
    List()->scrollToTop();
    Append(Segments({5}));
    EXPECT_TRUE(Shown(1));
    EXPECT_FALSE(Shown(43));

    display->ListView_MouseDown(1);
    display->ListView_ItemClick(43);
    Check("Auto")->setChecked(true); // no row 44 yet: auto-read ends at once
    Append(Segments({5}));
    EXPECT_FALSE(Check("Auto")->isChecked());
    display->ListView_ItemClick(43);
    Check("Auto")->setChecked(true); // plays 44
    Append(Segments({5}));
    display->Timer_Timer(1);
    EXPECT_EQ(display->NextRecord(), 46);
    EXPECT_TRUE(Check("Auto")->isChecked());
}

TEST_F(FollowTest, ShrunkOrReplacedFileIsLoadedAnewAndStopEndsFollowing)
{
    Load(Segments({5, 6, 7}));
    display->Follower().Check();
    std::filesystem::rename(dir.Write("new.mp3", Segments({8, 9})), dir.Path("record.mp3"));
    display->Follower().Check();
    EXPECT_EQ(Message(), "record.mp3 was replaced by another file: loaded anew");
    EXPECT_EQ(display->Table().Row(2).SubItem(3), "9");
    std::filesystem::resize_file(dir.Path("record.mp3"), Segments({8}).size());
    display->Follower().Check();
    EXPECT_EQ(Message(), "record.mp3 shrank: loaded anew");
    EXPECT_EQ(Rows(), 1);

    std::string many;
    for (int i = 0; i < 200000; ++i) {
        many += Start("10:00:00") + End("10:00:09");
    }
    std::string during;
    QTimer::singleShot(0, display.get(), [&] {
        during = States();
        Button("StopIt")->click();
    });
    Append(many);
    EXPECT_EQ(during, "000101");
    EXPECT_EQ(States(), "111011");
    EXPECT_EQ(PanelText("Record"), "");
    const int kept = Rows();
    EXPECT_GT(kept, 1);
    Append(Segments({5}));
    EXPECT_EQ(Rows(), kept);
    Check("Filter")->setChecked(false);
    Check("Filter")->setChecked(true);
    Append(Segments({5}));
    EXPECT_EQ(Rows(), 200003);
}
