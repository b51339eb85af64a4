#pragma once

#include "Extraction.h"

#include <string>

namespace quelm
{

// Saves one segment: its saving range from the record file followed by the
// ID3v1 tag, with the checks and the crash safety of a SegmentBatch (the
// file is written beside Target under a short temporary name and renamed
// over it only when complete and on disk). Throws Failure with the reason.
void SaveSegmentFile(const std::string& RecordFile, const SegmentOffsets& Offsets, const std::string& Target);

} // namespace quelm
