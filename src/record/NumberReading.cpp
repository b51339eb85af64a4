#include "NumberReading.h"

#include "../mapped_file/Failure.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <system_error>

namespace quelm
{

namespace
{

bool Ignored(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

[[noreturn]] void Overflow(std::string_view what)
{
    throw Failure("overflow: " + std::string(what) + " does not fit in 32 bits");
}

} // namespace

double ReadNumber(std::string_view Text)
{
    std::size_t i = 0;
    auto skip = [&] {
        while (i < Text.size() && Ignored(Text[i])) {
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
    // nearbyint follows the current rounding mode, which is to nearest with
    // halves to even unless somebody changed it.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(Value);
    std::fesetround(saved);
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
    char buffer[32];
    if (Value < 0) {
        std::snprintf(buffer, sizeof buffer, "-%08lld", -static_cast<long long>(Value));
    } else {
        std::snprintf(buffer, sizeof buffer, "%08lld", static_cast<long long>(Value));
    }
    return buffer;
}

} // namespace quelm
