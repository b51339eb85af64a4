#pragma once

#include "../record/SegmentRow.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quelm
{

// Bytes first .. first + length - 1 of the record file.
struct ByteRange {
    std::int64_t first = 0;
    std::int64_t length = 0;
};

// What a play copies: the audio after the start marker and the end marker.
ByteRange PlaybackRange(const SegmentOffsets& Offsets);
// What a save copies: both markers and everything between them.
ByteRange SavingRange(const SegmentOffsets& Offsets);

// Writes the playback copy of a segment: deletes PlayFile, then creates it
// anew with the playback range of RecordFile, copied with a fixed amount
// of memory. Throws Failure when the record file cannot be read, is not a
// regular file or has changed since it was scanned (its markers are no
// longer at Offsets), or when PlayFile cannot be written; a part-written
// PlayFile is removed again.
void WritePlaybackFile(const std::string& RecordFile, const SegmentOffsets& Offsets, const std::string& PlayFile);

} // namespace quelm
