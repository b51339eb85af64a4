#include "AudioTimeline.h"

#include "mapped_file/Failure.h"
#include "mapped_file/FaultGuard.h"

#include <array>

namespace quelm
{

namespace
{

struct FrameHeader {
    std::uint32_t length = 0; // bytes, header included
    std::uint32_t samples = 0;
    std::uint32_t rate = 0;
    std::uint32_t kind = 0; // version, layer and sample rate bits: the stream's format
};

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

// The frame that a header at Bytes announces, or a length of 0 when the
// four bytes are no header a decoder takes (free format included).
FrameHeader Parse(const std::uint8_t* Bytes)
{
    if (Bytes[0] != 0xFF || (Bytes[1] & 0xE0) != 0xE0) {
        return {};
    }
    const int version = (Bytes[1] >> 3) & 3;     // 0: 2.5, 1: none, 2: 2, 3: 1
    const int layer = 4 - ((Bytes[1] >> 1) & 3); // 1, 2, 3; 4: none
    const int bitrateIndex = Bytes[2] >> 4;
    const int rateIndex = (Bytes[2] >> 2) & 3;
    const std::uint32_t padding = (Bytes[2] >> 1) & 1;
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
        return {};
    }
    const bool mpeg1 = version == 3;
    const std::size_t table = mpeg1 ? static_cast<std::size_t>(layer - 1) : (layer == 1 ? 3 : 4);
    const std::uint32_t bitrate = kBitrates[table][static_cast<std::size_t>(bitrateIndex)] * 1000U;
    const std::uint32_t rate = kRates[static_cast<std::size_t>(rateIndex)] >> (mpeg1 ? 0 : (version == 2 ? 1 : 2));
    FrameHeader frame;
    frame.rate = rate;
    frame.kind = (std::uint32_t{Bytes[1]} & 0x1E) << 8 | (Bytes[2] & 0x0C);
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

AudioTimeline::AudioTimeline(const std::string& File) : m_path(File)
{
    m_bytes = m_memory.MapFile(File);
    m_position = TagSize(m_bytes);
}

bool AudioTimeline::Step()
{
    const std::uint64_t size = m_bytes.Size();
    if (m_position + 4 > size) {
        return false;
    }
    const std::uint8_t* data = m_bytes.Data();
    const FrameHeader frame = Parse(data + m_position);
    const std::uint64_t next = m_position + frame.length;
    // In step, a frame follows the one before. After a gap, a header of the
    // stream's format goes on with it, as a decoder takes it; any other
    // header starts a frame only when the next one confirms it (or it ends
    // the file).
    bool take = frame.length >= 4 && next <= size;
    if (take && !m_synced && frame.kind != m_kind && next + 4 <= size) {
        const FrameHeader following = Parse(data + next);
        take = following.length != 0 && following.rate == frame.rate;
    }
    if (!take) {
        m_synced = false;
        ++m_position;
        return true;
    }
    if (frame.rate != m_rate) {
        if (m_rate != 0) {
            m_seconds += static_cast<double>(m_samples) / m_rate;
        }
        m_samples = 0;
        m_rate = frame.rate;
    }
    m_samples += frame.samples;
    if (frame.kind != m_kind) {
        LearnFormat(data + m_position);
    }
    m_kind = frame.kind;
    m_position = next;
    m_synced = true;
    return true;
}

void AudioTimeline::LearnFormat(const std::uint8_t* Header)
{
    m_head1 = Header[1];
    m_rateBits = Header[2] & 0x0C;
    for (std::size_t third = 0; third < m_lengths.size(); ++third) {
        const std::uint8_t bytes[4] = {0xFF, m_head1, static_cast<std::uint8_t>(third << 1), 0};
        const FrameHeader frame = Parse(bytes);
        m_lengths[third] = (bytes[2] & 0x0C) == m_rateBits ? static_cast<std::uint16_t>(frame.length) : 0;
        if (frame.length != 0) {
            m_frameSamples = frame.samples;
        }
    }
}

void AudioTimeline::WalkTo(std::uint64_t Offset)
{
    const std::uint8_t* data = m_bytes.Data();
    const std::uint64_t size = m_bytes.Size();
    while (m_position < Offset) {
        // In step and in one format, only the bitrate and the padding
        // change from frame to frame: a table gives the length.
        // Each header's place depends on the one before: fetch ahead.
        __builtin_prefetch(data + m_position + 2048);
        if (m_synced && m_position + 4 <= size && data[m_position] == 0xFF && data[m_position + 1] == m_head1) {
            const std::uint32_t length = m_lengths[data[m_position + 2] >> 1];
            if (length >= 4 && m_position + length <= size) {
                m_samples += m_frameSamples;
                m_position += length;
                continue;
            }
        }
        if (!Step()) {
            return;
        }
    }
}

double AudioTimeline::SecondsBefore(std::uint64_t Offset)
{
    if (Offset < m_position) {
        m_position = TagSize(m_bytes);
        m_synced = false;
        m_seconds = 0;
        m_samples = 0;
        m_rate = 0;
        m_kind = 0;
    }
    struct Walk {
        AudioTimeline* self;
        std::uint64_t offset;
    } walk{this, Offset};
    const bool whole = RunGuarded(
        m_bytes.Data(), m_bytes.Size(),
        [](void* Context) {
            auto& w = *static_cast<Walk*>(Context);
            w.self->WalkTo(w.offset);
        },
        &walk);
    if (!whole) {
        throw Failure("the record file " + m_path + " was cut short while it was read", m_path, std::string());
    }
    return m_seconds + (m_rate != 0 ? static_cast<double>(m_samples) / m_rate : 0.0);
}

} // namespace quelm
