#include "AudioExport.h"

#include "PathUtils.h"
#include "record/MarkerFormat.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace quelm
{

namespace
{

// A value in an FFMETADATA file: its special characters escaped.
std::string MetadataValue(const std::string& Text)
{
    std::string value;
    for (const char c : Text) {
        if (c == '=' || c == ';' || c == '#' || c == '\\' || c == '\n') {
            value += '\\';
        }
        value += c;
    }
    return value;
}

// A CUE sheet's quoted text has no escapes: a double quote becomes single.
std::string CueText(std::string Text)
{
    for (char& c : Text) {
        if (c == '"') {
            c = '\'';
        }
    }
    return Text;
}

// MM:SS:FF, 75 frames a second.
std::string CueTime(double Seconds)
{
    const auto frames = static_cast<std::int64_t>(std::llround(Seconds * 75));
    char text[48];
    std::snprintf(text, sizeof text, "%02" PRId64 ":%02" PRId64 ":%02" PRId64, frames / (std::int64_t{75} * 60),
                  frames / 75 % 60, frames % 75);
    return text;
}

} // namespace

AudioExport::AudioExport(ExportFormat Format, const std::string& RecordFile, TextForm Form)
    : m_format(Format), m_recordFile(RecordFile), m_form(std::move(Form)), m_timeline(RecordFile)
{
}

std::string AudioExport::Seconds(double Value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", Value);
    return text;
}

std::optional<std::pair<double, double>> AudioExport::Place(const SegmentRow& Row)
{
    const auto offsets = Row.Offsets();
    if (!offsets) {
        return std::nullopt;
    }
    // The audio of a message lies between its markers: the frames that
    // start before each marker's first byte have been heard by then.
    const double start = m_timeline.SecondsBefore(static_cast<std::uint64_t>(offsets->p1 - kMarkerLastByte));
    const double end = m_timeline.SecondsBefore(static_cast<std::uint64_t>(offsets->p2 - kMarkerLastByte));
    return std::pair{start, end};
}

std::string AudioExport::Title(const SegmentRow& Row) const
{
    // What an exported message is called: its record number and start stamp.
    std::string stamp = Row.SubItem(1);
    stamp.erase(stamp.find_last_not_of(' ') + 1);
    std::string title = Row.text;
    title.append(" ").append(stamp);
    return m_form(title);
}

std::string AudioExport::Header() const
{
    switch (m_format) {
    case ExportFormat::Chapters:
        return ";FFMETADATA1\n";
    case ExportFormat::Cue: {
        std::string header = "FILE \"";
        header.append(CueText(m_form(GetFilename(m_recordFile)))).append("\" MP3\n");
        return header;
    }
    case ExportFormat::Labels:
        break;
    }
    return {};
}

std::string AudioExport::Row(const SegmentRow& Row)
{
    const auto place = Place(Row);
    if (!place) {
        return {}; // no end yet: no place in time
    }
    const auto [start, end] = *place;
    std::string text;
    switch (m_format) {
    case ExportFormat::Labels:
        text.append(Seconds(start)).append("\t").append(Seconds(end)).append("\t").append(Title(Row)).append("\n");
        break;
    case ExportFormat::Chapters:
        text.append("[CHAPTER]\nTIMEBASE=1/1000\nSTART=")
            .append(std::to_string(std::llround(start * 1000)))
            .append("\nEND=")
            .append(std::to_string(std::llround(end * 1000)))
            .append("\ntitle=")
            .append(MetadataValue(Title(Row)))
            .append("\n");
        break;
    case ExportFormat::Cue: {
        if (m_tracks == kCueTracks) {
            ++m_leftOut;
            return {};
        }
        char track[16];
        std::snprintf(track, sizeof track, "%02d", ++m_tracks);
        text.append("  TRACK ")
            .append(track)
            .append(" AUDIO\n    TITLE \"")
            .append(CueText(Title(Row)))
            .append("\"\n    INDEX 01 ")
            .append(CueTime(start))
            .append("\n");
        break;
    }
    }
    return text;
}

} // namespace quelm
