#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace quelm::tools
{

// Splits an MP3 clip (MPEG audio layer III) into whole frames.
std::vector<std::string> SplitFrames(const std::string& Mp3);

// The clip shipped with the tools, found next to the sources.
std::string LoadSpeechClip();

// A 30-byte marker: signature, 6-byte keyword, 20-byte time stamp; the
// stamp is padded with blanks or cut to 20 bytes.
std::string Marker(std::string_view Keyword, std::string_view Stamp);

// "dd/MM/yyyy HH:mm:ss " for a count of seconds since 1 January 2026 00:00.
std::string Stamp(std::int64_t Seconds);

// How a file grows while it is written, as the recorder makes it grow:
// appended in steps of 1 to 2 x step bytes (so that a step may end anywhere,
// inside a marker too), with a pause after each. A step of 0 writes at once.
struct Growth {
    std::uint64_t stepBytes = 0;
    double paceSeconds = 0.0;
    bool append = false; // add to an existing file instead of replacing it
    // Called after every step, with the bytes written so far by this run.
    std::function<void(std::uint64_t)> onStep;
};

// Writes a record file as the recorder does: audio frames, with start and
// end markers between frames.
class RecordWriter
{
  public:
    RecordWriter(const std::string& Path, std::uint32_t Seed, Growth Grow = {});

    void Audio(std::size_t Frames);
    void AudioBytes(std::uint64_t Bytes); // whole frames, at least this many bytes
    void Raw(std::string_view Bytes);
    void Start(std::int64_t Seconds) { Raw(Marker("STIME ", Stamp(Seconds))); }
    void End(std::int64_t Seconds) { Raw(Marker("ETIME ", Stamp(Seconds))); }
    std::uint64_t Written() const { return m_written; }
    void Close();

  private:
    void Step(std::string_view Bytes);

    std::ofstream m_out;
    Growth m_growth;
    std::string m_pending;        // bytes of the step being gathered
    std::uint64_t m_stepSize = 0; // the size this step is to reach
    std::vector<std::string> m_frames;
    std::mt19937 m_random;
    std::size_t m_next = 0;
    std::uint64_t m_written = 0;
    std::uint64_t m_flushed = 0; // written to the file, step by step
};

struct RecordPlan {
    std::int32_t segments = 100;
    std::uint64_t bytes = 0; // 0: about 4 KiB of audio per second
    std::uint32_t seed = 1;
    std::int64_t startSeconds = 340 * 86400 + 8 * 3600; // 7 December 2026, 08:00
    bool oddCases = false;
    bool truncateEnd = false;
    Growth growth;
};

// Writes a whole generated record file.
void WriteRecordFile(const std::string& Path, const RecordPlan& Plan);

} // namespace quelm::tools
