#include "NumberReading.h"

#include "../mapped_file/Failure.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace quelm
{

namespace
{

[[noreturn]] void Overflow(std::string_view What)
{
    throw Failure("overflow: " + std::string(What) + " does not fit in 32 bits");
}

} // namespace

double ReadNumber(std::string_view Text)
{
    std::size_t i = 0;
    auto skip = [&] {
        while (i < Text.size() && IgnoredInNumbers(Text[i])) {
            ++i;
        }
    };
    skip();
    bool negative = false;
    if (i < Text.size() && (Text[i] == '-' || Text[i] == '+')) {
        negative = Text[i] == '-';
        ++i;
    }
    // Gather the digits and the point, without the characters that are
    // ignored, into a buffer on the stack; std::from_chars then converts
    // them exactly, allocates nothing and never looks at the locale (strtod
    // would read "10.4" as 10 where the decimal mark is a comma).
    char buffer[64];
    std::size_t length = 0;
    std::string spill; // only for absurdly long digit runs
    bool fraction = false;
    bool digits = false;
    bool wholeNonZero = false;
    for (;; ++i) {
        skip();
        if (i >= Text.size()) {
            break;
        }
        const char c = Text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            wholeNonZero = wholeNonZero || (!fraction && c != '0');
        } else if (c != '.' || fraction) {
            break;
        } else {
            fraction = true;
        }
        if (length < sizeof buffer) {
            buffer[length++] = c;
        } else {
            if (spill.empty()) {
                spill.assign(buffer, length);
            }
            spill += c;
        }
    }
    if (!digits) {
        return 0.0;
    }
    const char* first = spill.empty() ? buffer : spill.data();
    const char* last = first + (spill.empty() ? length : spill.size());
    double value = 0.0;
    if (std::from_chars(first, last, value, std::chars_format::fixed).ec == std::errc::result_out_of_range) {
        // As strtod: too large is infinite (an overflow later), too small 0.
        value = wholeNonZero ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

std::int32_t RoundToInt32(double Value, std::string_view What)
{
    if (!std::isfinite(Value)) {
        Overflow(What);
    }
    // To nearest, halves to even, whatever the floating-point rounding mode
    // is. Value - floor(Value) is exact for every double.
    double rounded = std::floor(Value);
    const double rest = Value - rounded;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(rounded, 2.0) != 0.0)) {
        rounded += 1.0;
    }
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        Overflow(What);
    }
    return static_cast<std::int32_t>(rounded);
}

std::int32_t CheckedAdd(std::int32_t A, std::int32_t B, std::string_view What)
{
    std::int32_t result = 0;
    if (__builtin_add_overflow(A, B, &result)) {
        Overflow(What);
    }
    return result;
}

std::int32_t CheckedSub(std::int32_t A, std::int32_t B, std::string_view What)
{
    std::int32_t result = 0;
    if (__builtin_sub_overflow(A, B, &result)) {
        Overflow(What);
    }
    return result;
}

std::string FormatRecordNumber(std::int64_t Value)
{
    std::array<char, 24> buffer;
    return std::string(FormatRecordNumber(Value, buffer));
}

std::string_view FormatRecordNumber(std::int64_t Value, std::array<char, 24>& Buffer)
{
    // By hand rather than snprintf: this runs for every row written.
    char* end = Buffer.data() + Buffer.size();
    char* at = end;
    auto magnitude = Value < 0 ? 0 - static_cast<std::uint64_t>(Value) : static_cast<std::uint64_t>(Value);
    do {
        *--at = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (end - at < 8) {
        *--at = '0';
    }
    if (Value < 0) {
        *--at = '-';
    }
    return {at, static_cast<std::size_t>(end - at)};
}

} // namespace quelm
