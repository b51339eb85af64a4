#pragma once

#include "../mapped_file/FileId.h"
#include "Extraction.h"

#include <optional>

#include <string>

namespace quelm
{

// Saves one segment: its saving range from the record file followed by the
// ID3v1 tag, with the checks and the crash safety of a SegmentBatch (the
// file is written beside Target under a short temporary name and renamed
// over it only when complete and on disk). Throws Failure with the reason.
void SaveSegmentFile(const std::string& RecordFile, const SegmentOffsets& Offsets, const std::string& Target);

// Saves a scanned row the same way, checked against the file it was scanned
// from (Scanned, when known) and its whole markers: a file replaced since
// the scan fails with "has changed since it was scanned".
void SaveSegmentFile(const std::string& RecordFile, const SegmentRow& Row, const std::optional<FileId>& Scanned,
                     const std::string& Target);

} // namespace quelm
