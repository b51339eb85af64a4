#pragma once

#include "CheckedOutput.h"
#include "RowSink.h"
#include "marks/MarkStore.h"
#include "record/RowTexts.h"
#include "record/SegmentRow.h"
#include "segment_output/AudioExport.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quelm::cli
{

// How list writes its rows: for people, for programs, or as the label
// track, chapter file or CUE sheet that other players and editors read.
enum class RowFormat { Table, Json, Csv, Labels, Chapters, Cue };

// Writes segment rows one at a time as they become known, with nothing
// allocated per row: an aligned table with the window's columns (and the
// marks, for a file that has some), JSON lines (file, record, start, end,
// seconds, tag, star, heard, note) or RFC 4180 CSV with a header.
class RowWriter : public RowSink
{
  public:
    // Timeline: JSON and CSV rows carry each message's place in the audio.
    // Loudness: and each message's integrated loudness in LUFS.
    RowWriter(CheckedOutput& Out, RowFormat Format, bool ManyFiles, bool Timeline = false, bool Loudness = false)
        : m_out(Out), m_format(Format), m_manyFiles(ManyFiles), m_withTimeline(Timeline), m_withLoudness(Loudness)
    {
    }

    // The messages a CUE sheet had no room for.
    std::int64_t LeftOut() const { return m_leftOut + (m_export ? m_export->LeftOut() : 0); }

    // Starts the rows of a record file: the table's heading (after the
    // file's name when there are several files); the CSV header once.
    void BeginFile(const std::string& Path);
    // The marks of the file begun, or nothing; the map must outlive its rows.
    void SetMarks(const std::map<MarkKey, Mark>* Marks) { m_marks = Marks; }
    void Take(const SegmentRow& Row) override;
    // Rows without marks, timeline or loudness are written from their
    // texts as the table holds them, without being made.
    void TakeFrom(const SegmentTable& Table, std::int32_t Position) override;

  private:
    // True when writing a row needs more than its texts.
    bool NeedsWholeRow() const;
    // Row: the row itself, needed only when NeedsWholeRow.
    void WriteRow(const RowTexts& Texts, const SegmentRow* Row);
    void WriteTableRow(const RowTexts& Texts, const SegmentRow* Row);
    void WriteJsonRow(const RowTexts& Texts, const SegmentRow* Row);
    void WriteCsvRow(const RowTexts& Texts, const SegmentRow* Row);
    void WriteExportRow(const SegmentRow& Row);
    std::string LoudnessOf(const SegmentRow& Row) const;
    // What follows the tag in JSON and CSV: the marks, then the timeline
    // and the loudness when asked for.
    void WriteExtraFields(const SegmentRow* Row);
    void Extra(std::string_view Key, std::string_view Json, std::string_view Csv);
    void TableCell(std::string_view Bytes, std::size_t Width);
    // Key: what comes before the value, its opening quote included.
    void JsonField(std::string_view Key, std::string_view Bytes);
    void CsvField(std::string_view Bytes);
    const Mark& MarkOf(const SegmentRow* Row) const;

    CheckedOutput& m_out;
    RowFormat m_format;
    bool m_manyFiles;
    bool m_started = false;
    std::string m_file; // the path in the output's form, made once per file
    std::size_t m_pendingBlanks = 0;
    const std::map<MarkKey, Mark>* m_marks = nullptr;
    bool m_withTimeline;
    bool m_withLoudness;
    std::string m_recordFile;            // as given, for measuring
    std::optional<AudioExport> m_export; // the file's timeline, when asked for
    std::int64_t m_leftOut = 0;          // of the files before
};

} // namespace quelm::cli
