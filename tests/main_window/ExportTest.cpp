// The loaded list handed on: several messages as one record file, and the
// list as labels, chapters and a CUE sheet, written without freezing.
#include "DisplayFixture.h"
#include "RecordWriter.h"
#include "WindowMenus.h"
#include "record/ScanHost.h"
#include "record/Scanner.h"

#include <QAction>
#include <fstream>
#include <sstream>

using namespace quelm::test;

namespace
{

class ExportTest : public DisplayTest
{
  protected:
    std::string LoadDay(int Segments)
    {
        quelm::tools::RecordPlan plan;
        plan.segments = Segments;
        const std::string path = dir.Path("day.mp3");
        quelm::tools::WriteRecordFile(path, plan);
        display->Dialogs().QueueAnswer(QString::fromStdString(path));
        display->Load_Click();
        return path;
    }
    std::string Exported(quelm::ExportFormat Format, const std::string& Name)
    {
        display->Dialogs().QueueAnswer(QString::fromStdString(dir.Path(Name)));
        display->Exports().Export(Format);
        display->Exports().WaitForExport();
        QCoreApplication::processEvents();
        std::ifstream in(dir.Path(Name));
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

} // namespace

TEST_F(ExportTest, LabelsChaptersAndACueSheetHoldOneEntryPerMessageInAudioOrder)
{
    LoadDay(6);
    ASSERT_GT(Rows(), 2);
    const std::string labels = Exported(quelm::ExportFormat::Labels, "labels.txt");
    std::istringstream lines(labels);
    std::string line;
    double previousEnd = -1;
    int count = 0;
    while (std::getline(lines, line)) {
        double start = 0;
        double end = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf\t%lf", &start, &end), 2) << line;
        EXPECT_LE(start, end);
        EXPECT_GE(start, previousEnd);
        EXPECT_NE(line.find(display->Table().Row(count + 1).text), std::string::npos) << line;
        previousEnd = end;
        ++count;
    }
    EXPECT_EQ(count, Rows());
    EXPECT_TRUE(LastFailure().isEmpty() || LastFailure().startsWith("Saved"));

    EXPECT_TRUE(Exported(quelm::ExportFormat::Chapters, "chapters.txt").starts_with(";FFMETADATA1\n[CHAPTER]"));
    const std::string cue = Exported(quelm::ExportFormat::Cue, "day.cue");
    EXPECT_TRUE(cue.starts_with("FILE \"day.mp3\" MP3\n  TRACK 01 AUDIO")) << cue;

    // Never over the record file.
    display->Dialogs().QueueAnswer(QString::fromStdString(dir.Path("day.mp3")));
    display->Exports().Export(quelm::ExportFormat::Labels);
    display->Exports().WaitForExport();
    QCoreApplication::processEvents();
    EXPECT_TRUE(LastFailure().contains("record file itself")) << LastFailure().toStdString();
}

TEST_F(ExportTest, SavedMessagesListBackAsTheRowsTheyCameFrom)
{
    LoadDay(8);
    display->Prompts().QueueAnswer(QString("3-5"));
    display->Dialogs().QueueAnswer(QString::fromStdString(dir.Path("part.mp3")));
    display->Menus().saveMessages->trigger();
    quelm::SegmentTable part;
    quelm::ScanHost host;
    quelm::Scanner(part, host).Look4Frame(dir.Path("part.mp3"));
    ASSERT_EQ(part.RowCount(), 3);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(part.Row(i).subItems, display->Table().Row(i + 2).subItems);
    }
    display->Prompts().QueueAnswer(QString("9-3"));
    display->Menus().saveMessages->trigger();
    EXPECT_TRUE(LastFailure().startsWith("Not a range of messages")) << LastFailure().toStdString();
}
