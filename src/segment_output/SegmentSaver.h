#pragma once

#include "../mapped_file/FileId.h"
#include "Extraction.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

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

// Saves several scanned rows into one file that is a record file of its
// own: each row's saving range (the bytes a single save writes before its
// tag), in the order given, then the one ID3v1 tag a single save writes.
// Listed with the same filter, it shows those rows renumbered from 1. Rows
// without an end are left out: returns their record numbers as the list
// shows them. Checked and made safe as the save of one row is; throws
// Failure also when Rows is empty or none of them has an end.
std::vector<std::string> SaveSegmentRange(const std::string& RecordFile, std::span<const SegmentRow> Rows,
                                          const std::optional<FileId>& Scanned, const std::string& Target);

} // namespace quelm
