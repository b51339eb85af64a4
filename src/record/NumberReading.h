#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quelm
{

// Blanks, tabs and line feeds: ignored wherever they stand in a number.
inline bool IgnoredInNumbers(char C)
{
    return C == ' ' || C == '\t' || C == '\n';
}

// Reads a decimal number from the start of Text the way every number in the
// program is read (time fields, tags, record numbers, durations): blanks,
// tabs and line feeds are ignored wherever they stand, an optional sign,
// digits with an optional fraction; reading stops at the first character
// that cannot continue the number; no digits gives 0.
double ReadNumber(std::string_view Text);

// The value ReadNumber gives Text, taken without converting a double, when
// Text holds a plain whole number: no sign, no decimal point before the
// character that ends it, at most kWholeDigits digits. Nothing otherwise:
// then ReadNumber gives it.
// Inline: stamps' fields are read with it for nearly every row.
inline constexpr int kWholeDigits = 9;
inline std::optional<std::int64_t> ReadWholeNumber(std::string_view Text)
{
    const auto digit = [&](std::size_t At) { return Text[At] >= '0' && Text[At] <= '9'; };
    // Two digits, as a clock writes them, perhaps with a blank after.
    if ((Text.size() == 2 || (Text.size() == 3 && Text[2] == ' ')) && digit(0) && digit(1)) {
        return (Text[0] - '0') * 10 + (Text[1] - '0');
    }
    std::size_t i = 0;
    while (i < Text.size() && IgnoredInNumbers(Text[i])) {
        ++i;
    }
    if (i < Text.size() && (Text[i] == '-' || Text[i] == '+')) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    int digits = 0;
    for (; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c >= '0' && c <= '9') {
            if (++digits > kWholeDigits) {
                return std::nullopt;
            }
            value = value * 10 + (c - '0');
        } else if (c == '.') {
            return std::nullopt;
        } else if (!IgnoredInNumbers(c)) {
            break;
        }
    }
    return value;
}

// Rounds to the nearest 32-bit signed integer, halves to even. Throws
// Failure ("overflow: ...") when the result does not fit.
std::int32_t RoundToInt32(double Value, std::string_view What);

// Checked 32-bit arithmetic: throws Failure ("overflow: ...") instead of
// wrapping around.
std::int32_t CheckedAdd(std::int32_t A, std::int32_t B, std::string_view What);
std::int32_t CheckedSub(std::int32_t A, std::int32_t B, std::string_view What);

// The number format "00000000": at least eight digits, zero-padded on the
// left, a minus sign in front of a negative number.
std::string FormatRecordNumber(std::int64_t Value);
// The same into Buffer, without allocating; the view points into Buffer.
std::string_view FormatRecordNumber(std::int64_t Value, std::array<char, 24>& Buffer);

} // namespace quelm
