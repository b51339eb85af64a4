#pragma once

#include <optional>
#include <string>

namespace quelm
{

// The record file after (Step 1) or before (Step -1) the one at Path among
// the files of its folder named *.mp3 (in any case), in name order, as a
// month's folder of day files sorts; nothing past either end or when the
// folder cannot be read.
std::optional<std::string> NeighbourRecordFile(const std::string& Path, int Step);

} // namespace quelm
