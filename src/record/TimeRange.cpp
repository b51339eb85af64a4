#include "TimeRange.h"

#include "TimeOfDay.h"

namespace quelm
{

std::optional<std::int32_t> TimeRange::ParseClock(std::string_view Text)
{
    std::int32_t fields[3] = {0, 0, 0};
    const std::int32_t limits[3] = {23, 59, 59};
    int count = 0;
    std::size_t at = 0;
    while (count < 3) {
        std::size_t digits = 0;
        std::int32_t value = 0;
        while (at < Text.size() && Text[at] >= '0' && Text[at] <= '9' && digits < 2) {
            value = value * 10 + (Text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || value > limits[count]) {
            return std::nullopt;
        }
        fields[count++] = value;
        if (at == Text.size()) {
            break;
        }
        if (Text[at] != ':') {
            return std::nullopt;
        }
        ++at;
    }
    if (count < 2 || at != Text.size()) {
        return std::nullopt;
    }
    return fields[0] * 3600 + fields[1] * 60 + fields[2];
}

bool TimeRange::Keeps(std::int32_t SecondsOfDay) const
{
    const bool afterFrom = !m_from || SecondsOfDay >= *m_from;
    const bool beforeTo = !m_to || SecondsOfDay < *m_to;
    if (m_from && m_to && *m_from > *m_to) {
        return afterFrom || beforeTo;
    }
    return afterFrom && beforeTo;
}

bool TimeRange::KeepsStamp(std::string_view Stamp) const
{
    if (Open()) {
        return true;
    }
    const auto seconds = SecondsOfDay(Stamp);
    return seconds && Keeps(*seconds);
}

} // namespace quelm
