#pragma once

#include "Extraction.h"

#include <optional>
#include <string>

namespace quelm
{

// The integrated loudness (EBU R128, in LUFS) of a message's audio: the
// bytes between its markers, decoded as a player decodes them. Nothing for
// a message with no audible part long enough to measure (0.4 s). Throws
// Failure when the record file cannot be read.
std::optional<double> MessageLoudness(const std::string& RecordFile, const SegmentOffsets& Offsets);

} // namespace quelm
