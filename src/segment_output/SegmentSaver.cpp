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

} // namespace quelm
