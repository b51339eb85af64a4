#pragma once

#include "mapped_file/ByteView.h"
#include "mapped_file/Memory.h"

#include <array>
#include <cstdint>
#include <string>

namespace quelm
{

// Where the bytes of a record file lie in audio time: walks the MPEG audio
// frame headers front to back as a decoder reads them. Marker pseudo-frames
// and any other bytes that are no frame are stepped over: after a gap the
// walk takes up again at a header that the next header confirms. Holds only
// the mapping and the walk's position, whatever the file's size.
class AudioTimeline
{
  public:
    // Maps File. Throws Failure when it cannot be read.
    explicit AudioTimeline(const std::string& File);

    // The audio decoded from the frames that start before Offset, in
    // seconds. Offsets asked for in increasing order cost one walk of the
    // file in all; a smaller one starts the walk again. Throws Failure when
    // the file is cut short under the walk.
    double SecondsBefore(std::uint64_t Offset);

  private:
    bool Step(); // one frame or one byte further; false at the end
    void WalkTo(std::uint64_t Offset);
    void LearnFormat(const std::uint8_t* Header);

    std::string m_path;
    Memory m_memory;
    ByteView m_bytes;
    std::uint64_t m_position = 0; // where the walk goes on
    bool m_synced = false;        // the last thing read was a frame
    // Time so far: whole seconds of earlier sample rates, and the samples
    // at the current one.
    double m_seconds = 0;
    std::uint64_t m_samples = 0;
    std::uint32_t m_rate = 0;
    std::uint32_t m_kind = 0; // the format of the frames so far; 0 before the first
    // The frames of that format, for the walk in step: their second header
    // byte, sample rate bits, samples, and length by the third byte's
    // bitrate, rate and padding bits (0: no frame).
    std::uint8_t m_head1 = 0;
    std::uint8_t m_rateBits = 0;
    std::uint32_t m_frameSamples = 0;
    std::array<std::uint16_t, 128> m_lengths{};
};

} // namespace quelm
