#include "RowWriter.h"

#include "TextOutput.h"
#include "record/MarkerFormat.h"
#include "segment_output/Loudness.h"
#include "segment_output/PathUtils.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace quelm::cli
{

namespace
{

// Column widths of the table: the record number's eight digits and the time
// stamps' twenty characters, two blanks apart. Wider cells (escaped bytes,
// numbers of more digits) push the rest of their line along.
constexpr std::size_t kRecordWidth = 10;
constexpr std::size_t kStampWidth = 22;
constexpr std::size_t kSecondsWidth = 6;

// The marks column of the table: a star, "h" for heard, "n" for a note.
std::string_view MarkLetters(const Mark& Marks, char (&Letters)[4])
{
    std::size_t count = 0;
    for (const auto& [on, letter] : {std::pair{Marks.star, '*'}, {Marks.heard, 'h'}, {!Marks.note.empty(), 'n'}}) {
        if (on) {
            Letters[count++] = letter;
        }
    }
    return {Letters, count};
}

// Writes each byte of Bytes in its Form, copying runs of bytes that stand
// for themselves in one piece. Returns the length written.
std::size_t WriteInForm(CheckedOutput& Out, std::string_view Bytes, const ByteForms& Forms)
{
    std::size_t run = Forms.PlainPrefix(Bytes); // the start of the run of bytes that stand for themselves
    if (run == Bytes.size()) {
        Out.Write(Bytes);
        return Bytes.size();
    }
    Out.Write(Bytes.substr(0, run));
    std::size_t written = run;
    for (std::size_t i = run; i < Bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(Bytes[i]);
        if (Forms.Plain(byte)) {
            continue;
        }
        const std::string_view form = Forms[byte];
        Out.Write(Bytes.substr(run, i - run));
        Out.Write(form);
        written += i - run + form.size();
        run = i + 1;
    }
    Out.Write(Bytes.substr(run));
    return written + Bytes.size() - run;
}

} // namespace

std::string RowWriter::LoudnessOf(const SegmentRow& Row) const
{
    const auto offsets = Row.Offsets();
    const auto loudness = offsets ? MessageLoudness(m_recordFile, *offsets) : std::nullopt;
    if (!loudness) {
        return {};
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", *loudness);
    return text;
}

void RowWriter::BeginFile(const std::string& Path)
{
    m_recordFile = Path;
    if (m_export) {
        m_leftOut += m_export->LeftOut();
        m_export.reset();
    }
    if (m_withTimeline || m_format == RowFormat::Labels || m_format == RowFormat::Chapters ||
        m_format == RowFormat::Cue) {
        const ExportFormat format = m_format == RowFormat::Chapters ? ExportFormat::Chapters
                                    : m_format == RowFormat::Cue    ? ExportFormat::Cue
                                                                    : ExportFormat::Labels;
        m_export.emplace(format, Path, [](std::string_view Text) { return PrintableText(Text); });
    }
    switch (m_format) {
    case RowFormat::Table:
        if (m_manyFiles) {
            m_out.Write(m_started ? "\n==> " : "==> ");
            m_out.Write(PrintableText(Path));
            m_out.Write(" <==\n");
        }
        // The marks column only for a file that has marks: other tables
        // stay as they were.
        m_out.Write(m_marks != nullptr && !m_marks->empty()
                        ? "Record    Start                 End                   s     Marks\n"
                        : "Record    Start                 End                   s\n");
        break;
    case RowFormat::Json:
        m_file = JsonPath(Path);
        break;
    case RowFormat::Csv:
        if (!m_started) {
            m_out.Write("file,record,start,end,seconds,tag,star,heard,note");
            m_out.Write(m_withTimeline ? ",audio_start,audio_seconds" : "");
            m_out.Write(m_withLoudness ? ",loudness\r\n" : "\r\n");
        }
        m_file = CsvPath(Path);
        break;
    case RowFormat::Labels:
    case RowFormat::Chapters:
    case RowFormat::Cue:
        m_out.Write(m_export->Header());
        break;
    }
    m_started = true;
}

const Mark& RowWriter::MarkOf(const SegmentRow* Row) const
{
    static const Mark kNone;
    if (m_marks == nullptr || m_marks->empty()) {
        return kNone;
    }
    const auto found = m_marks->find(MarkStore::KeyOf(*Row));
    return found == m_marks->end() ? kNone : found->second;
}

bool RowWriter::NeedsWholeRow() const
{
    return m_export.has_value() || m_withLoudness || (m_marks != nullptr && !m_marks->empty());
}

void RowWriter::TakeFrom(const SegmentTable& Table, std::int32_t Position)
{
    if (NeedsWholeRow()) {
        Take(Table.Row(Position));
        return;
    }
    const CompactRow& row = Table.Compact(Position);
    WriteRow(RowTexts(row, Table.Whole(row)), nullptr);
}

void RowWriter::Take(const SegmentRow& Row)
{
    if (m_format == RowFormat::Labels || m_format == RowFormat::Chapters || m_format == RowFormat::Cue) {
        WriteExportRow(Row);
    } else {
        WriteRow(RowTexts(Row), &Row);
    }
}

void RowWriter::WriteRow(const RowTexts& Texts, const SegmentRow* Row)
{
    switch (m_format) {
    case RowFormat::Table:
        WriteTableRow(Texts, Row);
        break;
    case RowFormat::Json:
        WriteJsonRow(Texts, Row);
        break;
    case RowFormat::Csv:
        WriteCsvRow(Texts, Row);
        break;
    case RowFormat::Labels:
    case RowFormat::Chapters:
    case RowFormat::Cue:
        WriteExportRow(*Row);
        break;
    }
}

void RowWriter::Extra(std::string_view Key, std::string_view Json, std::string_view Csv)
{
    if (m_format == RowFormat::Json) {
        m_out.Write(",\"");
        m_out.Write(Key);
        m_out.Write("\":");
        m_out.Write(Json);
    } else {
        m_out.Put(',');
        m_out.Write(Csv);
    }
}

void RowWriter::WriteExtraFields(const SegmentRow* Row)
{
    const Mark& marks = MarkOf(Row);
    if (!marks.star && !marks.heard && marks.note.empty() && !m_withTimeline && !m_withLoudness) {
        // Nearly every row: the same fields, written at once.
        m_out.Write(m_format == RowFormat::Json ? ",\"star\":false,\"heard\":false,\"note\":\"\"" : ",false,false,");
        return;
    }
    Extra("star", marks.star ? "true" : "false", marks.star ? "true" : "false");
    Extra("heard", marks.heard ? "true" : "false", marks.heard ? "true" : "false");
    // A note is the user's own text, UTF-8 as typed, not a stamp's bytes.
    if (marks.note.empty()) {
        Extra("note", "\"\"", "");
    } else if (m_format == RowFormat::Json) {
        Extra("note", JsonPath(marks.note), "");
    } else {
        Extra("note", "", CsvPath(marks.note));
    }
    const auto quoted = [](const std::string& Text) { return "\"" + Text + "\""; };
    if (m_withTimeline) {
        // An open message has no end, so no place in the audio yet.
        const auto place = m_export->Place(*Row);
        const std::string start = place ? AudioExport::Seconds(place->first) : std::string();
        const std::string length = place ? AudioExport::Seconds(place->second - place->first) : std::string();
        Extra("audio_start", quoted(start), start);
        Extra("audio_seconds", quoted(length), length);
    }
    if (m_withLoudness) {
        const std::string loudness = LoudnessOf(*Row);
        Extra("loudness", quoted(loudness), loudness);
    }
}

void RowWriter::WriteExportRow(const SegmentRow& Row)
{
    m_out.Write(m_export->Row(Row));
}

void RowWriter::TableCell(std::string_view Bytes, std::size_t Width)
{
    // Blanks only in front of a cell that follows, so no line ends in blanks.
    std::size_t written = 0;
    if (!Bytes.empty()) {
        static constexpr std::string_view kBlanks = "                                ";
        for (; m_pendingBlanks > kBlanks.size(); m_pendingBlanks -= kBlanks.size()) {
            m_out.Write(kBlanks);
        }
        m_out.Write(kBlanks.substr(0, m_pendingBlanks));
        m_pendingBlanks = 0;
        written = WriteInForm(m_out, Bytes, kTableForms);
    }
    m_pendingBlanks += written + 2 <= Width ? Width - written : 2;
}

void RowWriter::WriteTableRow(const RowTexts& Texts, const SegmentRow* Row)
{
    m_pendingBlanks = 0;
    TableCell(Texts.Text(), kRecordWidth);
    TableCell(Texts.SubItem(1), kStampWidth);
    TableCell(Texts.SubItem(2), kStampWidth);
    TableCell(Texts.SubItem(3), kSecondsWidth);
    char letters[4];
    TableCell(MarkLetters(MarkOf(Row), letters), 0);
    m_out.Put('\n');
}

void RowWriter::JsonField(std::string_view Key, std::string_view Bytes)
{
    m_out.Write(Key);
    WriteInForm(m_out, Bytes, kJsonForms);
    m_out.Put('"');
}

void RowWriter::WriteJsonRow(const RowTexts& Texts, const SegmentRow* Row)
{
    m_out.Write("{\"file\":");
    m_out.Write(m_file);
    JsonField(",\"record\":\"", Texts.Text());
    JsonField(",\"start\":\"", Texts.SubItem(1));
    JsonField(",\"end\":\"", Texts.SubItem(2));
    JsonField(",\"seconds\":\"", Texts.SubItem(3));
    JsonField(",\"tag\":\"", Texts.Tag());
    WriteExtraFields(Row);
    m_out.Write("}\n");
}

void RowWriter::CsvField(std::string_view Bytes)
{
    m_out.Put(',');
    // A cell of bytes that stand for themselves, nearly every one, is looked
    // at once and copied whole.
    const bool plain = kCsvForms.PlainPrefix(Bytes) == Bytes.size();
    const bool quoted = plain ? CsvPlainNeedsQuotes(Bytes) : CsvNeedsQuotes(Bytes);
    if (quoted) {
        m_out.Put('"');
    }
    if (CsvFormulaStart(Bytes)) {
        m_out.Put('\'');
    }
    if (plain) {
        m_out.Write(Bytes);
    } else {
        WriteInForm(m_out, Bytes, kCsvForms);
    }
    if (quoted) {
        m_out.Put('"');
    }
}

void RowWriter::WriteCsvRow(const RowTexts& Texts, const SegmentRow* Row)
{
    m_out.Write(m_file);
    CsvField(Texts.Text());
    CsvField(Texts.SubItem(1));
    CsvField(Texts.SubItem(2));
    CsvField(Texts.SubItem(3));
    CsvField(Texts.Tag());
    WriteExtraFields(Row);
    m_out.Write("\r\n");
}

} // namespace quelm::cli
