#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quelm
{

// Messages kept by the time of day they started: From <= t < To, where a
// range whose From lies after its To wraps midnight (t >= From or t < To).
// Either end may be left open. A stamp whose time of day cannot be read is
// outside every range that has an end.
class TimeRange
{
  public:
    TimeRange() = default;
    TimeRange(std::optional<std::int32_t> From, std::optional<std::int32_t> To) : m_from(From), m_to(To) {}

    // "HH:MM" or "HH:MM:SS" as a user types a time of day (hours 0 to 23,
    // minutes and seconds 0 to 59, one or two digits each) in seconds since
    // midnight; nothing for anything else.
    static std::optional<std::int32_t> ParseClock(std::string_view Text);

    bool Open() const { return !m_from && !m_to; }
    bool Keeps(std::int32_t SecondsOfDay) const;
    // The start time stamp of a message, read as a duration reads it.
    bool KeepsStamp(std::string_view Stamp) const;

  private:
    std::optional<std::int32_t> m_from;
    std::optional<std::int32_t> m_to;
};

} // namespace quelm
