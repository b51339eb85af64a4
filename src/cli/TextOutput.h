#pragma once

#include "record/SegmentRow.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quelm::cli
{

// Printable ASCII stays, a backslash doubles, every other byte is \xNN.
std::string EscapeForTerminal(std::string_view Bytes);

// A JSON string literal: each byte is the Latin-1 character of that code,
// written as UTF-8.
std::string JsonString(std::string_view Bytes);

// The rows as an aligned table with the window's columns.
void WriteTable(std::ostream& Out, const std::vector<SegmentRow>& Rows);

// One JSON object per row and line: record, start, end, seconds, tag.
void WriteJsonLines(std::ostream& Out, const std::vector<SegmentRow>& Rows);

} // namespace quelm::cli
