#pragma once

#include "SegmentTable.h"

#include <cstdint>

namespace quelm
{

// The row to show for a time of day asked for (Seconds since midnight):
// searching forward from the row after Current (0: from the first row) and
// wrapping once, the first row that reaches that time, that is, whose start
// time of day is at or after it while the readable row before it in the
// file started before it or on an earlier day (its time of day is later).
// In a file of one day that is the first row at or after the time; asked
// again, it is the same time on the next day of a file that spans days.
// Rows whose time of day cannot be read are passed over. 0 when no row
// reaches it.
std::int32_t FindTimeOfDay(const SegmentTable& Table, std::int32_t Current, std::int32_t Seconds);

} // namespace quelm
