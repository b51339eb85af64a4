#include "Loudness.h"

#include "../mapped_file/FileIo.h"
#include "../mapped_file/ReadOnlyFile.h"
#include "FileWriting.h"

#include <cmath>
#include <ebur128.h>
#include <memory>
#include <mpg123.h>
#include <vector>

namespace quelm
{

namespace
{

struct DecoderEnd {
    void operator()(mpg123_handle* Handle) const { mpg123_delete(Handle); }
};
struct MeterEnd {
    void operator()(ebur128_state* State) const { ebur128_destroy(&State); }
};
using Decoder = std::unique_ptr<mpg123_handle, DecoderEnd>;
using Meter = std::unique_ptr<ebur128_state, MeterEnd>;

constexpr std::size_t kPiece = std::size_t{64} * 1024;

// A feeding decoder that gives 32-bit float samples at any rate, mono or
// stereo, quietly.
Decoder FloatDecoder()
{
    Decoder decoder(mpg123_new(nullptr, nullptr));
    if (!decoder) {
        throw Failure("cannot start the MP3 decoder");
    }
    mpg123_param(decoder.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(decoder.get());
    const long* rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    for (std::size_t i = 0; i < count; ++i) {
        mpg123_format(decoder.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    }
    if (mpg123_open_feed(decoder.get()) != MPG123_OK) {
        throw Failure("cannot start the MP3 decoder");
    }
    return decoder;
}

} // namespace

std::optional<double> MessageLoudness(const std::string& RecordFile, const SegmentOffsets& Offsets)
{
    const ReadOnlyFile file(RecordFile);
    const ByteRange range = PlaybackRange(Offsets);
    if (range.first < 0 || range.length <= 0) {
        return std::nullopt;
    }
    Decoder decoder = FloatDecoder();
    Meter meter;
    std::vector<char> piece(kPiece);
    std::vector<unsigned char> samples(kPiece * 8);
    long rate = 0;
    int channels = 0;
    for (std::int64_t done = 0; done < range.length;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(range.length - done, kPiece));
        const ssize_t got = ReadFullyAt(file.Descriptor(), piece.data(), want, static_cast<off_t>(range.first + done));
        if (got < 0) {
            SystemFailure("cannot read", RecordFile, static_cast<int>(-got));
        }
        if (got == 0) {
            break; // the file is shorter now: what was there is measured
        }
        done += got;
        mpg123_feed(decoder.get(), reinterpret_cast<const unsigned char*>(piece.data()), static_cast<std::size_t>(got));
        for (;;) {
            std::size_t bytes = 0;
            const int result = mpg123_read(decoder.get(), samples.data(), samples.size(), &bytes);
            if (result == MPG123_NEW_FORMAT) {
                int encoding = 0;
                long newRate = 0;
                int newChannels = 0;
                mpg123_getformat(decoder.get(), &newRate, &newChannels, &encoding);
                // A record file keeps one format; should it change, the
                // meter starts again with the new one.
                if (!meter || newRate != rate || newChannels != channels) {
                    rate = newRate;
                    channels = newChannels;
                    meter.reset(ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate),
                                             EBUR128_MODE_I));
                    if (!meter) {
                        throw Failure("cannot measure loudness: out of memory");
                    }
                }
                continue;
            }
            if (meter && bytes > 0) {
                const std::size_t frames = bytes / (sizeof(float) * static_cast<std::size_t>(channels));
                ebur128_add_frames_float(meter.get(), reinterpret_cast<const float*>(samples.data()), frames);
            }
            if (result != MPG123_OK) {
                break;
            }
        }
    }
    double loudness = -HUGE_VAL;
    if (!meter || ebur128_loudness_global(meter.get(), &loudness) != EBUR128_SUCCESS || !std::isfinite(loudness)) {
        return std::nullopt;
    }
    return loudness;
}

} // namespace quelm
