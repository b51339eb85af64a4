#pragma once

#include "record/AudioTimeline.h"
#include "record/SegmentRow.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace quelm
{

// What other players and editors read: an Audacity label track, an
// FFMETADATA1 chapter file, a CUE sheet.
enum class ExportFormat { Labels, Chapters, Cue };

// Writes a record file's messages, one at a time, as places in the file's
// audio (its frame timeline), without touching the file: the command line
// and the window write the same text.
class AudioExport
{
  public:
    // A CUE sheet holds at most this many tracks.
    static constexpr int kCueTracks = 99;
    // How a stamp or a name is written out (control characters and bytes
    // that are no UTF-8 in the output's own form).
    using TextForm = std::function<std::string(std::string_view)>;

    // Walks the audio of RecordFile once. Throws Failure.
    AudioExport(ExportFormat Format, const std::string& RecordFile, TextForm Form);

    // What comes before the rows.
    std::string Header() const;
    // One message; nothing for one with no end yet, or past a CUE sheet's
    // last track (counted in LeftOut).
    std::string Row(const SegmentRow& Row);
    std::int64_t LeftOut() const { return m_leftOut; }

    // A message's start and end in seconds of audio, once it has an end.
    std::optional<std::pair<double, double>> Place(const SegmentRow& Row);
    // Seconds with six decimals, as label tracks and the timeline give them.
    static std::string Seconds(double Value);

  private:
    std::string Title(const SegmentRow& Row) const;

    ExportFormat m_format;
    std::string m_recordFile;
    TextForm m_form;
    AudioTimeline m_timeline;
    int m_tracks = 0;
    std::int64_t m_leftOut = 0;
};

} // namespace quelm
