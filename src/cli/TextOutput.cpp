#include "TextOutput.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace quelm::cli
{

std::string EscapeForTerminal(std::string_view Bytes)
{
    std::string out;
    out.reserve(Bytes.size());
    for (const char c : Bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        }
    }
    return out;
}

std::string JsonString(std::string_view Bytes)
{
    std::string out = "\"";
    for (const char c : Bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char hex[7];
            std::snprintf(hex, sizeof hex, "\\u%04x", byte);
            out += hex;
        } else if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    out += '"';
    return out;
}

void WriteTable(std::ostream& Out, const std::vector<SegmentRow>& Rows)
{
    constexpr std::array<const char*, 4> headers = {"Record", "Start", "End", "s"};
    std::vector<std::array<std::string, 4>> cells;
    cells.reserve(Rows.size());
    std::array<std::size_t, 4> widths{};
    for (std::size_t c = 0; c < 4; ++c) {
        widths[c] = std::string_view(headers[c]).size();
    }
    for (const SegmentRow& row : Rows) {
        std::array<std::string, 4> line = {EscapeForTerminal(row.text), EscapeForTerminal(row.SubItem(1)),
                                           EscapeForTerminal(row.SubItem(2)), EscapeForTerminal(row.SubItem(3))};
        for (std::size_t c = 0; c < 4; ++c) {
            widths[c] = std::max(widths[c], line[c].size());
        }
        cells.push_back(std::move(line));
    }
    auto writeLine = [&](const std::array<std::string, 4>& line) {
        for (std::size_t c = 0; c < 3; ++c) {
            Out << line[c] << std::string(widths[c] - line[c].size() + 2, ' ');
        }
        // The seconds column is right-aligned, as in the window.
        Out << std::string(widths[3] - line[3].size(), ' ') << line[3] << '\n';
    };
    writeLine({headers[0], headers[1], headers[2], headers[3]});
    for (const auto& line : cells) {
        writeLine(line);
    }
}

void WriteJsonLines(std::ostream& Out, const std::vector<SegmentRow>& Rows)
{
    for (const SegmentRow& row : Rows) {
        Out << "{\"record\":" << JsonString(row.text) << ",\"start\":" << JsonString(row.SubItem(1))
            << ",\"end\":" << JsonString(row.SubItem(2)) << ",\"seconds\":" << JsonString(row.SubItem(3))
            << ",\"tag\":" << JsonString(row.tag) << "}\n";
    }
}

} // namespace quelm::cli
