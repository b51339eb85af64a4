#include "TimeOfDay.h"

#include "../mapped_file/Failure.h"
#include "NumberReading.h"

namespace quelm
{

std::string_view TimeOfDay(std::string_view Stamp)
{
    const auto blank = Stamp.find(' ');
    return blank == std::string_view::npos ? Stamp : Stamp.substr(blank + 1);
}

std::optional<std::array<std::string_view, 3>> TimeFields(std::string_view Stamp)
{
    std::array<std::string_view, 3> fields;
    std::string_view rest = TimeOfDay(Stamp);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto colon = rest.find(':');
        if (colon == std::string_view::npos) {
            if (i < 2) {
                return std::nullopt;
            }
            fields[i] = rest;
            break;
        }
        fields[i] = rest.substr(0, colon);
        rest.remove_prefix(colon + 1);
    }
    return fields;
}

double FieldSeconds(const std::array<std::string_view, 3>& Fields)
{
    return ReadNumber(Fields[0]) * 3600.0 + ReadNumber(Fields[1]) * 60.0 + ReadNumber(Fields[2]);
}

std::optional<std::array<std::int64_t, 3>> WholeFields(const std::array<std::string_view, 3>& Fields)
{
    std::array<std::int64_t, 3> values{};
    for (std::size_t i = 0; i < Fields.size(); ++i) {
        const auto value = ReadWholeNumber(Fields[i]);
        if (!value) {
            return std::nullopt;
        }
        values[i] = *value;
    }
    return values;
}

std::optional<std::int32_t> SecondsOfDay(std::string_view Stamp)
{
    const auto fields = TimeFields(Stamp);
    if (!fields) {
        return std::nullopt;
    }
    try {
        return RoundToInt32(FieldSeconds(*fields), "the time of day");
    } catch (const Failure&) {
        return std::nullopt;
    }
}

} // namespace quelm
