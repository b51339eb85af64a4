#include "SegmentSaver.h"

#include "../mapped_file/Failure.h"
#include "SegmentBatch.h"

namespace quelm
{

namespace
{

void SaveAlone(SegmentBatch& Batch)
{
    if (!Batch.Save()) {
        throw *Batch.Items().front().failure;
    }
}

} // namespace

void SaveSegmentFile(const std::string& RecordFile, const SegmentOffsets& Offsets, const std::string& Target)
{
    SegmentBatch batch(RecordFile);
    batch.Add(Offsets, Target);
    SaveAlone(batch);
}

void SaveSegmentFile(const std::string& RecordFile, const SegmentRow& Row, const std::optional<FileId>& Scanned,
                     const std::string& Target)
{
    SegmentBatch batch(RecordFile, SegmentBatch::kGroupSize, Scanned);
    batch.Add(Row, Target);
    SaveAlone(batch);
}

std::vector<std::string> SaveSegmentRange(const std::string& RecordFile, std::span<const SegmentRow> Rows,
                                          const std::optional<FileId>& Scanned, const std::string& Target)
{
    std::vector<SegmentRow> ended;
    std::vector<std::string> leftOut;
    for (const SegmentRow& row : Rows) {
        if (row.HasEnd()) {
            ended.push_back(row);
        } else {
            leftOut.push_back(row.text);
        }
    }
    if (ended.empty() && Rows.size() > 1) {
        std::string message = "none of the ";
        message.append(std::to_string(Rows.size())).append(" segments has an end: there is nothing to save");
        throw Failure(message);
    }
    SegmentBatch batch(RecordFile, SegmentBatch::kGroupSize, Scanned);
    // No row, or one without an end: the batch says why it is not saved.
    batch.AddJoined(ended.empty() ? Rows : std::span<const SegmentRow>(ended), Target);
    SaveAlone(batch);
    return leftOut;
}

} // namespace quelm
