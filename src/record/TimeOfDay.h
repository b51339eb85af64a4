#pragma once

#include <array>
#include <cstdint>
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

// Hours, minutes and seconds fields as seconds: each read as every number
// is read, then hours * 3600 + minutes * 60 + seconds.
double FieldSeconds(const std::array<std::string_view, 3>& Fields);

// The same fields as whole numbers, the values ReadNumber gives them, when
// each one is a plain whole number (ReadWholeNumber): their seconds are then
// exact in 64-bit integers. Nothing when one needs the full reading rule.
std::optional<std::array<std::int64_t, 3>> WholeFields(const std::array<std::string_view, 3>& Fields);
// WholeFields of the TimeFields of Stamp, in one call; nothing also when
// Stamp has fewer than three fields.
std::optional<std::array<std::int64_t, 3>> WholeTimeFields(std::string_view Stamp);

// The time of day of a stamp in whole seconds, read as a duration reads it
// (rounded, halves to even); nothing when it has fewer than three fields
// or does not fit in 32 bits.
std::optional<std::int32_t> SecondsOfDay(std::string_view Stamp);

} // namespace quelm
