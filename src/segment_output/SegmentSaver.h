#pragma once

#include "Extraction.h"

#include <string>

namespace quelm
{

// True when both paths name the same existing file.
bool SameFile(const std::string& A, const std::string& B);

// Saves a segment: its saving range from the record file followed by the
// ID3v1 tag. The file is written beside Target under a temporary name and
// renamed over Target only when complete, so a failure never destroys an
// existing file and a success leaves nothing of its old content. Refuses
// the record file itself as Target. Throws Failure with the reason.
void SaveSegmentFile(const std::string& RecordFile, const SegmentOffsets& Offsets, const std::string& Target);

} // namespace quelm
