#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace quelm
{

// The time of day in a marker's time stamp: everything after the first
// blank, or the whole stamp when it has none.
std::string_view TimeOfDay(std::string_view Stamp);

// The first three ":"-separated fields of the time of day (hours, minutes,
// seconds, each still to be read as a number); nothing when it has fewer.
std::optional<std::array<std::string_view, 3>> TimeFields(std::string_view Stamp);

} // namespace quelm
