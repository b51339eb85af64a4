#include "TextOutput.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace quelm::cli
{

namespace
{

// C0, DEL and C1: the Latin-1 codes a terminal may act on.
bool IsControl(unsigned char Byte)
{
    return Byte < 0x20 || (Byte >= 0x7F && Byte < 0xA0);
}

std::size_t Latin1AsUtf8(unsigned char Byte, char* Out)
{
    if (Byte < 0x80) {
        Out[0] = static_cast<char>(Byte);
        return 1;
    }
    Out[0] = static_cast<char>(0xC0 | (Byte >> 6));
    Out[1] = static_cast<char>(0x80 | (Byte & 0x3F));
    return 2;
}

std::size_t TableForm(unsigned char Byte, char* Out)
{
    if (Byte == '\\') {
        Out[0] = Out[1] = '\\';
        return 2;
    }
    if (Byte >= 0x20 && Byte < 0x7F) {
        Out[0] = static_cast<char>(Byte);
        return 1;
    }
    std::snprintf(Out, 5, "\\x%02X", Byte);
    return 4;
}

std::size_t JsonForm(unsigned char Byte, char* Out)
{
    if (Byte == '"' || Byte == '\\') {
        Out[0] = '\\';
        Out[1] = static_cast<char>(Byte);
        return 2;
    }
    if (IsControl(Byte)) {
        std::snprintf(Out, 7, "\\u%04x", Byte);
        return 6;
    }
    return Latin1AsUtf8(Byte, Out);
}

std::size_t CsvForm(unsigned char Byte, char* Out)
{
    if (Byte == '"') {
        Out[0] = Out[1] = '"';
        return 2;
    }
    // A spreadsheet shows what a cell holds: a control character is written
    // as the table writes it, so that a cat of the file cannot steer the
    // terminal either.
    if (Byte == '\\' || IsControl(Byte)) {
        return TableForm(Byte, Out);
    }
    return Latin1AsUtf8(Byte, Out);
}

const ByteForms kUtf8(Latin1AsUtf8);

// The length of the valid UTF-8 sequence of two or more bytes at the start
// of Text, or 0. Overlong forms and surrogates are not valid; neither are
// C1 control characters unless AllowC1.
std::size_t MultiByteSequence(std::string_view Text, bool AllowC1)
{
    auto byte = [&](std::size_t At) { return static_cast<unsigned char>(Text[At]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        if (lead == 0xC2 && !AllowC1) {
            low = 0xA0;
        }
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (Text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

// Copies valid UTF-8 sequences and gives every other byte Form's form.
std::string KeepUtf8(std::string_view Text, const ByteForms& Form, bool AllowC1)
{
    std::string out;
    out.reserve(Text.size());
    while (!Text.empty()) {
        const std::size_t sequence = MultiByteSequence(Text, AllowC1);
        if (sequence > 0) {
            out.append(Text.substr(0, sequence));
            Text.remove_prefix(sequence);
        } else {
            out.append(Form[static_cast<unsigned char>(Text.front())]);
            Text.remove_prefix(1);
        }
    }
    return out;
}

// Calls Each with the code (below 0x100, else 0xFF) and the bytes of every
// character of UTF-8 Text.
template <typename Visit> void ForEachCharacter(std::string_view Text, Visit Each)
{
    while (!Text.empty()) {
        const auto lead = static_cast<unsigned char>(Text.front());
        const std::size_t length = lead < 0x80 ? 1 : std::max<std::size_t>(1, MultiByteSequence(Text, true));
        unsigned char code = lead;
        if (length == 2 && lead < 0xC4) {
            code = static_cast<unsigned char>(((lead & 0x03) << 6) | (static_cast<unsigned char>(Text[1]) & 0x3F));
        } else if (length > 1) {
            code = 0xFF;
        }
        Each(code, Text.substr(0, length));
        Text.remove_prefix(length);
    }
}

} // namespace

const ByteForms kTableForms(TableForm);
const ByteForms kJsonForms(JsonForm);
const ByteForms kCsvForms(CsvForm);

std::string PrintableText(std::string_view Text)
{
    return KeepUtf8(Text, kTableForms, false);
}

std::string PathAsUtf8(std::string_view Path)
{
    return KeepUtf8(Path, kUtf8, true);
}

std::string JsonString(std::string_view Bytes)
{
    std::string out = "\"";
    for (const char c : Bytes) {
        out.append(kJsonForms[static_cast<unsigned char>(c)]);
    }
    out += '"';
    return out;
}

std::string JsonPath(std::string_view Path)
{
    std::string out = "\"";
    ForEachCharacter(PathAsUtf8(Path), [&](unsigned char Code, std::string_view Bytes) {
        // Characters other than controls stay as they are.
        out.append(Code < 0xA0 ? kJsonForms[Code] : Bytes);
    });
    out += '"';
    return out;
}

bool CsvNeedsQuotes(std::string_view Text)
{
    // Eight bytes at a time, without a branch for each: this runs for every
    // cell of every row. A byte of Word equal to C makes the term non-zero.
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHighs = 0x8080808080808080;
    const auto holds = [](std::uint64_t Word, char C) {
        const std::uint64_t x = Word ^ (kOnes * static_cast<unsigned char>(C));
        return (x - kOnes) & ~x & kHighs;
    };
    const auto any = [&](std::size_t At) {
        std::uint64_t word = 0;
        std::memcpy(&word, Text.data() + At, 8);
        return (holds(word, ',') | holds(word, '"') | holds(word, '\r') | holds(word, '\n')) != 0;
    };
    if (Text.size() >= 8) {
        for (std::size_t i = 0; i + 8 <= Text.size(); i += 8) {
            if (any(i)) {
                return true;
            }
        }
        // The last bytes in a word that overlaps the one before.
        if (Text.size() % 8 != 0 && any(Text.size() - 8)) {
            return true;
        }
    } else {
        for (const char c : Text) {
            if (c == ',' || c == '"' || c == '\r' || c == '\n') {
                return true;
            }
        }
    }
    return !Text.empty() && (Text.front() == ' ' || Text.back() == ' ');
}

bool CsvPlainNeedsQuotes(std::string_view Text)
{
    return Text.find(',') != std::string_view::npos || (!Text.empty() && (Text.front() == ' ' || Text.back() == ' '));
}

bool CsvFormulaStart(std::string_view Text)
{
    // A cell that begins with the quote itself gets one too, so that the
    // first quote can always be taken off again.
    if (Text.empty()) {
        return false;
    }
    switch (Text.front()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
    case '\'':
        return true;
    default:
        return false;
    }
}

std::string CsvPath(std::string_view Path)
{
    const std::string text = PathAsUtf8(Path);
    std::string out = CsvNeedsQuotes(text) ? "\"" : "";
    const bool quoted = !out.empty();
    if (CsvFormulaStart(text)) {
        out += '\'';
    }
    ForEachCharacter(
        text, [&](unsigned char Code, std::string_view Bytes) { out.append(Code < 0xA0 ? kCsvForms[Code] : Bytes); });
    if (quoted) {
        out += '"';
    }
    return out;
}

} // namespace quelm::cli
