// Reads a recording of the sound server's monitor (raw s16le, mono, 44100 Hz)
// and a played MP3 file, and prints how long after a moment of the recording
// the played sound was first heard: the first sample at or above a level
// after that moment, less the silence the sound itself starts with.
//
//   click_onset MONITOR.raw FROM_BYTE PLAYED.mp3 [LEVEL]
//
// Prints "ONSET_MS LEAD_MS QUIET_BEFORE" (QUIET_BEFORE: 1 when the 100 ms
// before the moment were silent, so that nothing else was still sounding).
#include <mpg123.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace
{

constexpr double kMonitorRate = 44100.0;

std::vector<short> ReadRaw(const std::string& Path)
{
    std::ifstream in(Path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<short> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto low = static_cast<unsigned char>(bytes[2 * i]);
        const auto high = static_cast<unsigned char>(bytes[2 * i + 1]);
        samples[i] = static_cast<short>(static_cast<unsigned short>(low | (high << 8)));
    }
    return samples;
}

// Milliseconds of the file's own silence before its first sample at Level;
// -1 when it never gets there.
double LeadMs(const std::string& Path, int Level)
{
    mpg123_init();
    int error = 0;
    mpg123_handle* handle = mpg123_new(nullptr, &error);
    if (handle == nullptr) {
        return -1;
    }
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    if (mpg123_open(handle, Path.c_str()) != MPG123_OK) {
        return -1;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    mpg123_format_none(handle);
    for (const long each : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L}) {
        mpg123_format(handle, each, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
    std::vector<unsigned char> buffer(65536);
    long long frames = 0;
    double lead = -1;
    while (lead < 0) {
        std::size_t done = 0;
        const int result = mpg123_read(handle, buffer.data(), buffer.size(), &done);
        if (result == MPG123_NEW_FORMAT) {
            mpg123_getformat(handle, &rate, &channels, &encoding);
            continue;
        }
        const std::size_t count = done / 2;
        for (std::size_t i = 0; i < count && channels > 0; ++i) {
            const short sample =
                static_cast<short>(static_cast<unsigned short>(buffer[2 * i] | (buffer[2 * i + 1] << 8)));
            if (std::abs(sample) >= Level) {
                lead = static_cast<double>(frames + static_cast<long long>(i) / channels) * 1000.0 /
                       static_cast<double>(rate);
                break;
            }
        }
        if (channels > 0) {
            frames += static_cast<long long>(count) / channels;
        }
        if (result != MPG123_OK) {
            break;
        }
    }
    mpg123_close(handle);
    mpg123_delete(handle);
    return lead;
}

} // namespace

int main(int Argc, char** Argv)
{
    if (Argc < 4) {
        std::cerr << "usage: click_onset MONITOR.raw FROM_BYTE PLAYED.mp3 [LEVEL]\n";
        return 2;
    }
    const std::vector<short> monitor = ReadRaw(Argv[1]);
    const std::size_t from = std::stoull(Argv[2]) / 2;
    const int level = Argc > 4 ? std::atoi(Argv[4]) : 1000;
    const double lead = LeadMs(Argv[3], level);
    if (lead < 0) {
        std::cerr << "the played file never reaches the level\n";
        return 1;
    }
    bool quiet = true;
    const std::size_t before = static_cast<std::size_t>(kMonitorRate / 10);
    for (std::size_t i = from > before ? from - before : 0; i < from && i < monitor.size(); ++i) {
        quiet = quiet && std::abs(monitor[i]) < level;
    }
    for (std::size_t i = from; i < monitor.size(); ++i) {
        if (std::abs(monitor[i]) >= level) {
            const double onset = static_cast<double>(i - from) * 1000.0 / kMonitorRate;
            std::printf("%.0f %.0f %d\n", onset - lead, lead, quiet ? 1 : 0);
            return 0;
        }
    }
    std::cerr << "nothing sounded after the moment\n";
    return 1;
}
