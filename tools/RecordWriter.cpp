#include "RecordWriter.h"

#include "record/MarkerFormat.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef QUELMRDR_TOOLS_DATA
#define QUELMRDR_TOOLS_DATA "tools/data"
#endif

namespace quelm::tools
{

namespace
{

std::size_t FrameLength(const unsigned char* h)
{
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) {
        return 0;
    }
    const int version = (h[1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const int layer = (h[1] >> 1) & 3;   // 1: layer III
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    const int padding = (h[2] >> 1) & 1;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
        return 0;
    }
    static constexpr std::array<int, 15> v1 = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static constexpr std::array<int, 15> v2 = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static constexpr std::array<std::array<int, 3>, 4> rates = {
        {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}}};
    const int bitrate = (version == 3 ? v1 : v2)[static_cast<std::size_t>(bitrateIndex)] * 1000;
    const int rate = rates[static_cast<std::size_t>(version)][static_cast<std::size_t>(rateIndex)];
    const int factor = version == 3 ? 144 : 72;
    return static_cast<std::size_t>(factor * bitrate / rate + padding);
}

} // namespace

std::vector<std::string> SplitFrames(const std::string& Mp3)
{
    std::vector<std::string> frames;
    std::size_t at = 0;
    while (at + 4 <= Mp3.size()) {
        const std::size_t length = FrameLength(reinterpret_cast<const unsigned char*>(Mp3.data() + at));
        if (length == 0 || at + length > Mp3.size()) {
            ++at; // not a frame header: resynchronise
            continue;
        }
        frames.push_back(Mp3.substr(at, length));
        at += length;
    }
    if (frames.empty()) {
        throw std::runtime_error("the clip holds no MP3 frames");
    }
    return frames;
}

std::string LoadSpeechClip()
{
    const std::string path = std::string(QUELMRDR_TOOLS_DATA) + "/speech.mp3";
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string Marker(std::string_view Keyword, std::string_view Stamp)
{
    return MakeMarker(Keyword, Stamp);
}

std::string Stamp(std::int64_t Seconds)
{
    // A plain proleptic calendar from 1 January 2026 (a Thursday); enough
    // for generated files spanning days or years.
    std::int64_t days = Seconds / 86400;
    const std::int64_t time = Seconds % 86400;
    int year = 2026;
    auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
    while (days >= (leap(year) ? 366 : 365)) {
        days -= leap(year) ? 366 : 365;
        ++year;
    }
    std::array<int, 12> lengths = {31, leap(year) ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int month = 0;
    while (days >= lengths[static_cast<std::size_t>(month)]) {
        days -= lengths[static_cast<std::size_t>(month)];
        ++month;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d ", static_cast<int>(days + 1), month + 1, year,
                  static_cast<int>(time / 3600), static_cast<int>(time / 60 % 60), static_cast<int>(time % 60));
    return text;
}

RecordWriter::RecordWriter(const std::string& Path, std::uint32_t Seed, Growth Grow)
    : m_out(Path, std::ios::binary | (Grow.append ? std::ios::app : std::ios::trunc)), m_growth(std::move(Grow)),
      m_frames(SplitFrames(LoadSpeechClip())), m_random(Seed)
{
    if (!m_out) {
        throw std::runtime_error("cannot write " + Path);
    }
    m_stepSize = m_growth.stepBytes > 0 ? 1 + m_random() % (2 * m_growth.stepBytes) : 0;
}

void RecordWriter::Audio(std::size_t Frames)
{
    for (std::size_t i = 0; i < Frames; ++i) {
        Raw(m_frames[m_next]);
        m_next = (m_next + 1) % m_frames.size();
    }
}

void RecordWriter::AudioBytes(std::uint64_t Bytes)
{
    const std::uint64_t until = m_written + Bytes;
    while (m_written < until) {
        Audio(1);
    }
}

void RecordWriter::Raw(std::string_view Bytes)
{
    m_written += Bytes.size();
    if (m_growth.stepBytes == 0) {
        m_out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
        return;
    }
    while (!Bytes.empty()) {
        const std::size_t take = std::min<std::size_t>(Bytes.size(), m_stepSize - m_pending.size());
        m_pending.append(Bytes.substr(0, take));
        Bytes.remove_prefix(take);
        if (m_pending.size() == m_stepSize) {
            Step(m_pending);
            m_pending.clear();
            m_stepSize = 1 + m_random() % (2 * m_growth.stepBytes);
        }
    }
}

void RecordWriter::Step(std::string_view Bytes)
{
    m_out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    // Readers must see each step on its own.
    m_out.flush();
    if (!m_out) {
        throw std::runtime_error("writing the record file failed");
    }
    m_flushed += Bytes.size();
    if (m_growth.onStep) {
        m_growth.onStep(m_flushed);
    }
    if (m_growth.paceSeconds > 0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(m_growth.paceSeconds));
    }
}

void RecordWriter::Close()
{
    if (!m_pending.empty()) {
        Step(m_pending);
        m_pending.clear();
    }
    m_out.close();
    if (!m_out) {
        throw std::runtime_error("writing the record file failed");
    }
}

void WriteRecordFile(const std::string& Path, const RecordPlan& Plan)
{
    RecordWriter out(Path, Plan.seed, Plan.growth);
    std::mt19937 random(Plan.seed);
    constexpr std::uint64_t kBytesPerSecond = 4000; // the clip's 32 kbit/s
    const std::uint64_t perSegment =
        Plan.segments > 0 && Plan.bytes > 0 ? Plan.bytes / static_cast<std::uint64_t>(Plan.segments) : 0;
    std::int64_t now = Plan.startSeconds;

    out.Audio(3); // the recorder starts with a little noise
    for (std::int32_t i = 0; i < Plan.segments; ++i) {
        // Mostly messages of 3 s to 2 min, with some of 0 to 3 s for the filter.
        std::int64_t seconds =
            random() % 6 == 0 ? static_cast<std::int64_t>(random() % 4) : 3 + static_cast<std::int64_t>(random() % 118);
        std::uint64_t audio = seconds * kBytesPerSecond;
        std::uint64_t gap = 400;
        if (perSegment > 0) {
            audio = perSegment * 9 / 10;
            gap = perSegment - audio;
        }
        out.Start(now);
        out.AudioBytes(audio);
        now += seconds;
        out.End(now);
        out.AudioBytes(gap);
        now += 1 + static_cast<std::int64_t>(random() % 900);

        if (Plan.oddCases && i % 10 == 5) {
            switch ((i / 10) % 6) {
            case 0: // keywords that are no markers of ours
                out.Raw(Marker("stime ", Stamp(now)));
                out.Raw(Marker("XTIME ", Stamp(now)));
                out.Raw(Marker("STIMEX", Stamp(now)));
                break;
            case 1: // a signature inside a marker's text is not a marker
                out.Raw(Marker("JUNK  ", std::string("ab\xFF\xE9\x09\xCC") + "STIME 1:2:3"));
                break;
            case 2: // an FF just before a marker
                out.Raw("\xFF");
                out.Start(now);
                out.Audio(5);
                out.End(now + 5);
                now += 6;
                break;
            case 3: // a message running over midnight
                now = (now / 86400 + 1) * 86400 - 7;
                out.Start(now);
                out.Audio(40);
                out.End(now + 12);
                now += 20;
                break;
            case 4: // a start whose end never came, then a normal message
                out.Start(now);
                out.Audio(10);
                now += 30;
                break;
            case 5: // markers back to back
                out.Start(now);
                out.End(now + 4);
                now += 5;
                break;
            }
        }
    }
    if (Plan.oddCases) {
        // A last message whose end marker ends the file.
        out.Start(now);
        out.Audio(20);
        out.End(now + 5);
    }
    if (Plan.truncateEnd) {
        out.Raw(Marker("STIME ", Stamp(now + 10)).substr(0, 20));
    }
    out.Close();
}

} // namespace quelm::tools
