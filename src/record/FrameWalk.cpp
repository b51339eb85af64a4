#include "FrameWalk.h"

#include <algorithm>

namespace quelm
{

namespace
{

// The kbit/s of each bitrate index: MPEG-1 layers I, II, III, then MPEG-2
// and 2.5 layer I, and layers II and III.
constexpr std::array<std::array<std::uint16_t, 15>, 5> kBitrates = {{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
}};
constexpr std::array<std::uint32_t, 3> kRates = {44100, 48000, 32000}; // MPEG-1; halved for 2, quartered for 2.5

// Each header's place depends on the one before, so the memory ahead is
// fetched before the walk gets there: two cache lines a frame, as many as
// the shortest frames of a speech recording span.
constexpr std::uint64_t kFetchAhead = 4096;
constexpr std::uint64_t kCacheLine = 64;

// The size of an ID3v2 tag at the start of the file, which a decoder skips.
std::uint64_t TagSize(const ByteView& Bytes)
{
    const std::uint8_t* d = Bytes.Data();
    if (Bytes.Size() < 10 || d[0] != 'I' || d[1] != 'D' || d[2] != '3' || ((d[6] | d[7] | d[8] | d[9]) & 0x80) != 0) {
        return 0;
    }
    const std::uint64_t size =
        (std::uint64_t{d[6]} << 21) | (std::uint64_t{d[7]} << 14) | (std::uint64_t{d[8]} << 7) | std::uint64_t{d[9]};
    const bool footer = (d[5] & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

} // namespace

FrameWalk::FrameWalk(ByteView Bytes) : m_bytes(Bytes)
{
    m_now.position = TagSize(m_bytes);
}

// The frame that a header announces, or a length of 0 when the four bytes
// are no header a decoder takes (free format included).
FrameWalk::Frame FrameWalk::Parse(const std::uint8_t* Header)
{
    if (Header[0] != 0xFF || (Header[1] & 0xE0) != 0xE0) {
        return {};
    }
    const int version = (Header[1] >> 3) & 3;     // 0: 2.5, 1: none, 2: 2, 3: 1
    const int layer = 4 - ((Header[1] >> 1) & 3); // 1, 2, 3; 4: none
    const int bitrateIndex = Header[2] >> 4;
    const int rateIndex = (Header[2] >> 2) & 3;
    const std::uint32_t padding = (Header[2] >> 1) & 1;
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
        return {};
    }
    const bool mpeg1 = version == 3;
    const std::size_t table = mpeg1 ? static_cast<std::size_t>(layer - 1) : (layer == 1 ? 3 : 4);
    const std::uint32_t bitrate = kBitrates[table][static_cast<std::size_t>(bitrateIndex)] * 1000U;
    const std::uint32_t rate = kRates[static_cast<std::size_t>(rateIndex)] >> (mpeg1 ? 0 : (version == 2 ? 1 : 2));
    Frame frame;
    frame.rate = rate;
    frame.kind = (std::uint32_t{Header[1]} & 0x1E) << 8 | (Header[2] & 0x0C);
    if (layer == 1) {
        frame.samples = 384;
        frame.length = (12 * bitrate / rate + padding) * 4;
    } else if (layer == 2 || mpeg1) {
        frame.samples = 1152;
        frame.length = 144 * bitrate / rate + padding;
    } else {
        frame.samples = 576;
        frame.length = 72 * bitrate / rate + padding;
    }
    return frame;
}

void FrameWalk::Resume(const State& From)
{
    m_now = From;
    const auto rateBits = static_cast<std::uint8_t>(From.kind & 0x0C);
    if (From.head1 != m_tableHead1 || rateBits != m_tableRateBits) {
        LearnFormat(From.head1, rateBits);
    }
}

double FrameWalk::Seconds() const
{
    return m_now.seconds + (m_now.rate != 0 ? static_cast<double>(m_now.samples) / m_now.rate : 0.0);
}

template <bool kStopAtGap> void FrameWalk::Walk(std::uint64_t Offset)
{
    const std::uint64_t from = m_now.position;
    while (m_now.position < Offset && !Ended()) {
        if (m_now.synced) {
            WalkInStep(Offset);
            if (m_now.position >= Offset || Ended()) {
                return;
            }
        }
        const Frame frame = Next();
        if (frame.length != 0) {
            Take(frame);
            continue;
        }
        if (kStopAtGap && m_now.synced && m_now.position != from) {
            return;
        }
        m_now.synced = false;
        ++m_now.position;
    }
}

void FrameWalk::WalkTo(std::uint64_t Offset)
{
    Walk<false>(Offset);
}

void FrameWalk::WalkToGap(std::uint64_t Offset)
{
    Walk<true>(Offset);
}

void FrameWalk::WalkInStep(std::uint64_t Offset)
{
    // In step and in one format, only the bitrate and the padding change
    // from frame to frame: a table gives the length. Kept in locals, since
    // the bytes read could alias members.
    const std::uint8_t* data = m_bytes.Data();
    const std::uint64_t size = m_bytes.Size();
    const std::uint64_t before = std::min(Offset, size - 3); // a whole header lies before size - 3
    const std::uint8_t head1 = m_tableHead1;
    std::uint64_t position = m_now.position;
    std::uint64_t frames = 0;
    while (position < before && data[position] == 0xFF && data[position + 1] == head1) {
        const std::uint32_t length = m_lengths[data[position + 2]];
        if (length < 4 || position + length > size) {
            break;
        }
        __builtin_prefetch(data + position + kFetchAhead);
        __builtin_prefetch(data + position + kFetchAhead + kCacheLine);
        ++frames;
        position += length;
    }
    m_now.samples += frames * m_frameSamples;
    m_now.position = position;
}

// What the walk reads at its position: the frame it takes there, or a
// length of 0 when it steps over the byte. In step, a frame follows the one
// before. After a gap, a header of the stream's format goes on with it, as a
// decoder takes it; any other header starts a frame only when the next one
// confirms it (or it ends the file).
FrameWalk::Frame FrameWalk::Next() const
{
    const std::uint8_t* data = m_bytes.Data();
    const std::uint64_t size = m_bytes.Size();
    const Frame frame = Parse(data + m_now.position);
    const std::uint64_t next = m_now.position + frame.length;
    bool take = frame.length >= 4 && next <= size;
    if (take && !m_now.synced && frame.kind != m_now.kind && next + 4 <= size) {
        const Frame following = Parse(data + next);
        take = following.length != 0 && following.rate == frame.rate;
    }
    return take ? frame : Frame{};
}

void FrameWalk::Take(const Frame& Taken)
{
    if (Taken.rate != m_now.rate) {
        if (m_now.rate != 0) {
            m_now.seconds += static_cast<double>(m_now.samples) / m_now.rate;
        }
        m_now.samples = 0;
        m_now.rate = Taken.rate;
    }
    m_now.samples += Taken.samples;
    if (Taken.kind != m_now.kind) {
        m_now.kind = Taken.kind;
        m_now.head1 = m_bytes.Data()[m_now.position + 1];
        LearnFormat(m_now.head1, static_cast<std::uint8_t>(Taken.kind & 0x0C));
    }
    m_now.position += Taken.length;
    m_now.synced = true;
}

void FrameWalk::LearnFormat(std::uint8_t Head1, std::uint8_t RateBits)
{
    m_tableHead1 = Head1;
    m_tableRateBits = RateBits;
    for (std::size_t third = 0; third < m_lengths.size(); ++third) {
        const std::uint8_t header[4] = {0xFF, Head1, static_cast<std::uint8_t>(third), 0};
        const Frame frame = Parse(header);
        m_lengths[third] = (third & 0x0C) == RateBits ? static_cast<std::uint16_t>(frame.length) : 0;
        if (frame.length != 0) {
            m_frameSamples = frame.samples;
        }
    }
}

} // namespace quelm
