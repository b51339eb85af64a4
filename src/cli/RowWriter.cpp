#include "RowWriter.h"

#include "TextOutput.h"

namespace quelm::cli
{

namespace
{

// Column widths of the table: the record number's eight digits and the time
// stamps' twenty characters, two blanks apart. Wider cells (escaped bytes,
// numbers of more digits) push the rest of their line along.
constexpr std::size_t kRecordWidth = 10;
constexpr std::size_t kStampWidth = 22;

// Writes each byte of Bytes in its Form, copying runs of bytes that stand
// for themselves in one piece. Returns the length written.
std::size_t WriteInForm(CheckedOutput& Out, std::string_view Bytes, const ByteForms& Forms)
{
    std::size_t written = 0;
    std::size_t run = 0; // the start of the run of bytes that stand for themselves
    for (std::size_t i = 0; i < Bytes.size(); ++i) {
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

void RowWriter::BeginFile(const std::string& Path)
{
    switch (m_format) {
    case RowFormat::Table:
        if (m_manyFiles) {
            m_out.Write(m_started ? "\n==> " : "==> ");
            m_out.Write(PrintableText(Path));
            m_out.Write(" <==\n");
        }
        m_out.Write("Record    Start                 End                   s\n");
        break;
    case RowFormat::Json:
        m_file = JsonPath(Path);
        break;
    case RowFormat::Csv:
        if (!m_started) {
            m_out.Write("file,record,start,end,seconds,tag\r\n");
        }
        m_file = CsvPath(Path);
        break;
    }
    m_started = true;
}

void RowWriter::Take(const SegmentRow& Row)
{
    switch (m_format) {
    case RowFormat::Table:
        WriteTableRow(Row);
        break;
    case RowFormat::Json:
        WriteJsonRow(Row);
        break;
    case RowFormat::Csv:
        WriteCsvRow(Row);
        break;
    }
}

void RowWriter::TableCell(std::string_view Bytes, std::size_t Width)
{
    // Blanks only in front of a cell that follows, so no line ends in blanks.
    std::size_t written = 0;
    if (!Bytes.empty()) {
        for (; m_pendingBlanks > 0; --m_pendingBlanks) {
            m_out.Put(' ');
        }
        written = WriteInForm(m_out, Bytes, kTableForms);
    }
    m_pendingBlanks += written + 2 <= Width ? Width - written : 2;
}

void RowWriter::WriteTableRow(const SegmentRow& Row)
{
    m_pendingBlanks = 0;
    TableCell(Row.text, kRecordWidth);
    TableCell(Row.SubItem(1), kStampWidth);
    TableCell(Row.SubItem(2), kStampWidth);
    TableCell(Row.SubItem(3), 0);
    m_out.Put('\n');
}

void RowWriter::JsonField(std::string_view Key, std::string_view Bytes)
{
    m_out.Write(Key);
    m_out.Put('"');
    WriteInForm(m_out, Bytes, kJsonForms);
    m_out.Put('"');
}

void RowWriter::WriteJsonRow(const SegmentRow& Row)
{
    m_out.Write("{\"file\":");
    m_out.Write(m_file);
    JsonField(",\"record\":", Row.text);
    JsonField(",\"start\":", Row.SubItem(1));
    JsonField(",\"end\":", Row.SubItem(2));
    JsonField(",\"seconds\":", Row.SubItem(3));
    JsonField(",\"tag\":", Row.tag);
    m_out.Write("}\n");
}

void RowWriter::CsvField(std::string_view Bytes)
{
    m_out.Put(',');
    const bool quoted = CsvNeedsQuotes(Bytes);
    if (quoted) {
        m_out.Put('"');
    }
    if (CsvFormulaStart(Bytes)) {
        m_out.Put('\'');
    }
    WriteInForm(m_out, Bytes, kCsvForms);
    if (quoted) {
        m_out.Put('"');
    }
}

void RowWriter::WriteCsvRow(const SegmentRow& Row)
{
    m_out.Write(m_file);
    CsvField(Row.text);
    CsvField(Row.SubItem(1));
    CsvField(Row.SubItem(2));
    CsvField(Row.SubItem(3));
    CsvField(Row.tag);
    m_out.Write("\r\n");
}

} // namespace quelm::cli
