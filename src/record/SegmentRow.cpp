#include "SegmentRow.h"

#include "../mapped_file/Failure.h"
#include "MarkerFormat.h"
#include "NumberReading.h"

#include <cmath>

namespace quelm
{

namespace
{

std::int64_t Position(double Value, const std::string& Tag)
{
    if (!std::isfinite(Value) || std::fabs(Value) > 9.0e15) {
        throw Failure("overflow: the segment position in \"" + Tag + "\" is out of range");
    }
    return static_cast<std::int64_t>(std::nearbyint(Value));
}

} // namespace

std::optional<SegmentOffsets> ParseOffsets(const std::string& Tag)
{
    const auto slash = Tag.find('/');
    if (slash == std::string::npos) {
        return std::nullopt;
    }
    const std::string first = Tag.substr(0, slash);
    const auto next = Tag.find('/', slash + 1);
    const std::string second = Tag.substr(slash + 1, next == std::string::npos ? std::string::npos : next - slash - 1);
    if (first.empty() || second.empty()) {
        return std::nullopt;
    }
    return SegmentOffsets{Position(ReadNumber(first), Tag), Position(ReadNumber(second), Tag)};
}

std::int64_t SegmentRow::StartPosition() const
{
    // The tag is " P1" or "P1/P2": reading stops at the "/".
    return Position(ReadNumber(tag), tag);
}

std::optional<SegmentMarkers> SegmentRow::Markers() const
{
    if (!HasEnd()) {
        return std::nullopt;
    }
    // Stamps are always kStampSize bytes; a duration is never that long.
    for (std::size_t i = subItems.size(); i > 1; --i) {
        if (subItems[i - 1].size() == kStampSize) {
            return SegmentMarkers{MakeMarker(kStartKeyword, subItems[0]), MakeMarker(kEndKeyword, subItems[i - 1])};
        }
    }
    return std::nullopt;
}

std::int32_t SegmentRow::RecordNumber() const
{
    return RoundToInt32(ReadNumber(text), "the record number");
}

} // namespace quelm
