#pragma once

#include "../record/SegmentRow.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quelm
{

// A segment's positions P1 and P2: the offsets of the last bytes of its
// start and end markers.
struct SegmentOffsets {
    std::int64_t p1 = 0;
    std::int64_t p2 = 0;
};

// Bytes first .. first + length - 1 of the record file.
struct ByteRange {
    std::int64_t first = 0;
    std::int64_t length = 0;
};

// "P1/P2[/...]" from a row's tag; nothing for a row without an end yet
// (no "/") or with an empty piece.
std::optional<SegmentOffsets> ParseOffsets(const std::string& Tag);

// True when a row can be saved: its end marker has been read, so its tag
// holds both positions and it has an end time stamp for the file name.
bool HasEnd(const SegmentRow& Row);

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
