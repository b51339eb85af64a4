#pragma once

#include "../record/SegmentRow.h"

#include <string>

namespace quelm
{

// The name a save proposes: base-start-end-record.mp3, where base is the
// record file's name up to its first "." (and then up to its first "-"),
// start is the start stamp without "/" and ":" and with blanks as "-", and
// end is the end stamp's time of day without ":". "/" and NUL, which cannot
// stand in a file name, become "_".
std::string DefaultSegmentName(const std::string& RecordFile, const SegmentRow& Row);

// The base those names begin with (before their first "-"): names made
// from record files of different bases never clash.
std::string SegmentNameBase(const std::string& RecordFile);

} // namespace quelm
