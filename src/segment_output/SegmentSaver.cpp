#include "SegmentSaver.h"

#include "../mapped_file/Failure.h"
#include "SegmentBatch.h"

namespace quelm
{

void SaveSegmentFile(const std::string& RecordFile, const SegmentOffsets& Offsets, const std::string& Target)
{
    SegmentBatch batch(RecordFile);
    batch.Add(Offsets, Target);
    if (!batch.Save()) {
        throw *batch.Items().front().failure;
    }
}

} // namespace quelm
