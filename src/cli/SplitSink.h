#pragma once

#include "CheckedOutput.h"
#include "RowSink.h"
#include "SavedNames.h"
#include "segment_output/Extraction.h"

#include <string>
#include <vector>

namespace quelm::cli
{

// The split command's rows: each row with an end is queued under its
// default name in the folder; SaveQueued saves what is queued (and so does
// a queue grown to kGroupSize), printing the path of every segment saved
// and saying why any other failed.
class SplitSink : public RowSink
{
  public:
    SplitSink(CheckedOutput& Out, std::string Folder);

    // The rows that follow are segments of RecordFile.
    void BeginFile(const std::string& RecordFile);
    void Take(const SegmentRow& Row) override;

    static constexpr std::size_t kGroupSize = 2048;

    void SaveQueued();
    // False once any segment could not be saved.
    bool AllSaved() const { return m_allSaved; }

  private:
    struct Segment {
        SegmentOffsets offsets;
        std::string target;
    };

    CheckedOutput& m_out;
    std::string m_folder;
    std::string m_recordFile;
    SavedNames m_names;
    std::vector<Segment> m_queue;
    bool m_allSaved = true;
};

} // namespace quelm::cli
