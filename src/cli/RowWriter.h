#pragma once

#include "CheckedOutput.h"
#include "RowSink.h"
#include "marks/MarkStore.h"
#include "record/SegmentRow.h"

#include <map>
#include <string>
#include <string_view>

namespace quelm::cli
{

enum class RowFormat { Table, Json, Csv };

// Writes segment rows one at a time as they become known, with nothing
// allocated per row: an aligned table with the window's columns (and the
// marks, for a file that has some), JSON lines (file, record, start, end,
// seconds, tag, star, heard, note) or RFC 4180 CSV with a header.
class RowWriter : public RowSink
{
  public:
    RowWriter(CheckedOutput& Out, RowFormat Format, bool ManyFiles)
        : m_out(Out), m_format(Format), m_manyFiles(ManyFiles)
    {
    }

    // Starts the rows of a record file: the table's heading (after the
    // file's name when there are several files); the CSV header once.
    void BeginFile(const std::string& Path);
    // The marks of the file begun, or nothing; the map must outlive its rows.
    void SetMarks(const std::map<MarkKey, Mark>* Marks) { m_marks = Marks; }
    void Take(const SegmentRow& Row) override;

  private:
    void WriteTableRow(const SegmentRow& Row);
    void WriteJsonRow(const SegmentRow& Row);
    void WriteCsvRow(const SegmentRow& Row);
    void TableCell(std::string_view Bytes, std::size_t Width);
    void JsonField(std::string_view Key, std::string_view Bytes);
    void CsvField(std::string_view Bytes);
    const Mark& MarkOf(const SegmentRow& Row) const;

    CheckedOutput& m_out;
    RowFormat m_format;
    bool m_manyFiles;
    bool m_started = false;
    std::string m_file; // the path in the output's form, made once per file
    std::size_t m_pendingBlanks = 0;
    const std::map<MarkKey, Mark>* m_marks = nullptr;
};

} // namespace quelm::cli
