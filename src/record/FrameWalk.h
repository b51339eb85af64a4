#pragma once

#include "mapped_file/ByteView.h"

#include <array>
#include <cstdint>

namespace quelm
{

// A walk over the MPEG audio frame headers of a record file, front to back
// as a decoder reads them. Marker pseudo-frames and any other bytes that are
// no frame are stepped over: after a gap the walk takes up again at a header
// that the next header confirms. It reads the bytes unguarded: its caller
// guards against a file cut short under it.
class FrameWalk
{
  public:
    // All that the walk goes on from: a walk resumed from a copy goes on
    // exactly as the walk it was taken from (the frame lengths in step follow
    // from kind and head1).
    struct State {
        std::uint64_t position = 0; // where the walk goes on
        // Time so far: whole seconds of earlier sample rates, and the samples
        // at the current one.
        double seconds = 0;
        std::uint64_t samples = 0;
        std::uint32_t rate = 0;
        std::uint32_t kind = 0; // the format of the frames so far; 0 before the first
        std::uint8_t head1 = 0; // the second header byte of the frame that set that format
        bool synced = false;    // the last thing read was a frame
    };

    // At the start of Bytes: past an ID3v2 tag, which a decoder skips.
    explicit FrameWalk(ByteView Bytes);

    const State& Now() const { return m_now; }
    // Goes on from a state of a walk over the same bytes.
    void Resume(const State& From);
    // No frame can start any more.
    bool Ended() const { return m_now.position + 4 > m_bytes.Size(); }
    // The audio decoded from the frames walked so far.
    double Seconds() const;

    // Walks while the position lies before Offset, up to the end.
    void WalkTo(std::uint64_t Offset);
    // The same, but stops early where frames in step break off, at the
    // gap's first byte (not at the position it starts from): where markers
    // lie between the frames.
    void WalkToGap(std::uint64_t Offset);

  private:
    struct Frame {
        std::uint32_t length = 0; // bytes, header included; 0: no frame
        std::uint32_t samples = 0;
        std::uint32_t rate = 0;
        std::uint32_t kind = 0; // version, layer and sample rate bits: the stream's format
    };

    static Frame Parse(const std::uint8_t* Header);
    template <bool kStopAtGap> void Walk(std::uint64_t Offset);
    void WalkInStep(std::uint64_t Offset);
    Frame Next() const;
    void Take(const Frame& Taken);
    void LearnFormat(std::uint8_t Head1, std::uint8_t RateBits);

    ByteView m_bytes;
    State m_now;
    // The frames of the current format, for the walk in step: the second
    // header byte and sample rate bits the table was made for, the samples
    // of a frame, and the length by the whole third byte (0: no frame).
    std::uint8_t m_tableHead1 = 0;
    std::uint8_t m_tableRateBits = 0;
    std::uint32_t m_frameSamples = 0;
    std::array<std::uint16_t, 256> m_lengths{};
};

} // namespace quelm
