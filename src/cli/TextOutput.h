#pragma once

#include "ByteForms.h"

#include <string>
#include <string_view>

namespace quelm::cli
{

// The forms one byte of a record file's text takes in the outputs. Marker
// texts are single-byte text: each byte is the Latin-1 character of its code.
//
// The table's form: printable ASCII stays, a backslash doubles, every other
// byte is \xNN, so nothing of a time stamp can steer the terminal.
extern const ByteForms kTableForms;
// Inside a JSON string: UTF-8, with quote, backslash and control characters
// (C1 too, as \u0080 ...) escaped.
extern const ByteForms kJsonForms;
// Inside a CSV field: UTF-8, with a quote doubled, and control characters
// (C0, DEL, C1) and the backslash in the table's form.
extern const ByteForms kCsvForms;

// A message or a path fit for the terminal: what is valid UTF-8 stays, so
// that names in the user's language read as they are, but control
// characters (C1 included) and bytes that are no UTF-8 take the table's form.
std::string PrintableText(std::string_view Text);

// A path given on the command line as UTF-8 text for JSON and CSV: valid
// UTF-8 stays, any other byte is read as Latin-1.
std::string PathAsUtf8(std::string_view Path);

// A JSON string literal of a record file's text (Latin-1 to UTF-8).
std::string JsonString(std::string_view Bytes);

// A JSON string literal of a path (PathAsUtf8).
std::string JsonPath(std::string_view Path);

// A CSV field (RFC 4180) of a path (PathAsUtf8), its control characters in
// the table's form, neutralised as a formula would be (CsvFormulaStart).
std::string CsvPath(std::string_view Path);

// True when a spreadsheet would take a cell that begins as Text for a
// formula (=, +, -, @, a tab or a carriage return first): such a cell is
// written after a ' as spreadsheet exporters do, so it stays text. So is a
// cell that begins with ', so that a reader can always take the first off.
bool CsvFormulaStart(std::string_view Text);

// True when a CSV field holding Text must be quoted: it holds a comma, a
// quote or a line break, or begins or ends with a blank that a spreadsheet
// could trim.
bool CsvNeedsQuotes(std::string_view Text);
// The same for Text whose bytes all stand for themselves in kCsvForms, so
// that it holds no quote and no line break: a comma or a blank at an end.
bool CsvPlainNeedsQuotes(std::string_view Text);

} // namespace quelm::cli
