#include "TimeOfDay.h"

#include "../mapped_file/Failure.h"
#include "MarkerFormat.h"
#include "NumberReading.h"

#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quelm
{

namespace
{

// The first C in Text, or npos: a plain loop, as stamps are short.
std::size_t Find(std::string_view Text, char C)
{
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == C) {
            return i;
        }
    }
    return std::string_view::npos;
}

// Bit i set where byte i of a 20-byte stamp is a blank, or a colon.
std::pair<std::uint32_t, std::uint32_t> BlanksAndColons(const char* Stamp)
{
    static_assert(kStampSize == 20);
#if defined(__SSE2__)
    // Bytes 0 to 15 and 4 to 19, each compared with both at once.
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Stamp));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Stamp + 4));
    const auto mask = [&](char C) {
        const __m128i c = _mm_set1_epi8(C);
        return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, c))) |
               static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, c))) << 4;
    };
    return {mask(' '), mask(':')};
#else
    std::uint32_t blanks = 0;
    std::uint32_t colons = 0;
    for (std::size_t i = 0; i < kStampSize; ++i) {
        blanks |= static_cast<std::uint32_t>(Stamp[i] == ' ') << i;
        colons |= static_cast<std::uint32_t>(Stamp[i] == ':') << i;
    }
    return {blanks, colons};
#endif
}

// WholeFields, inlined into the stamps' whole path.
inline std::optional<std::array<std::int64_t, 3>> ReadWholeFields(const std::array<std::string_view, 3>& Fields)
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

} // namespace

std::string_view TimeOfDay(std::string_view Stamp)
{
    const auto blank = Find(Stamp, ' ');
    return blank == std::string_view::npos ? Stamp : Stamp.substr(blank + 1);
}

std::optional<std::array<std::string_view, 3>> TimeFields(std::string_view Stamp)
{
    std::array<std::string_view, 3> fields;
    std::string_view rest = TimeOfDay(Stamp);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto colon = Find(rest, ':');
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
    return ReadWholeFields(Fields);
}

std::optional<std::array<std::int64_t, 3>> WholeTimeFields(std::string_view Stamp)
{
    if (Stamp.size() != kStampSize) {
        const auto fields = TimeFields(Stamp);
        return fields ? WholeFields(*fields) : std::nullopt;
    }
    // A marker's stamp: its blanks and colons found at once, without a
    // branch per byte, then the fields cut as TimeFields cuts them.
    const auto found = BlanksAndColons(Stamp.data());
    const std::uint32_t blanks = found.first;
    std::uint32_t colons = found.second;
    const std::size_t from = blanks == 0 ? 0 : static_cast<std::size_t>(__builtin_ctz(blanks)) + 1;
    colons &= ~((std::uint32_t{1} << from) - 1);
    std::array<std::size_t, 3> ends{};
    for (std::size_t i = 0; i < 2; ++i) {
        if (colons == 0) {
            return std::nullopt;
        }
        ends[i] = static_cast<std::size_t>(__builtin_ctz(colons));
        colons &= colons - 1;
    }
    ends[2] = colons == 0 ? kStampSize : static_cast<std::size_t>(__builtin_ctz(colons));
    return ReadWholeFields({Stamp.substr(from, ends[0] - from), Stamp.substr(ends[0] + 1, ends[1] - ends[0] - 1),
                            Stamp.substr(ends[1] + 1, ends[2] - ends[1] - 1)});
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
