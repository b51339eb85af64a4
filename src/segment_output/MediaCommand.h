#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quelm
{

// The media commands the program sends for its one sound "mysound".
struct MediaCommand {
    enum class Kind { Close, Open, Play, Pause, Resume, Seek, Speed, Gain, Unknown };
    Kind kind = Kind::Unknown;
    std::string alias;
    std::string path;       // Open only
    std::int64_t value = 0; // Seek: milliseconds from the start; Speed and Gain: thousandths
};

inline constexpr std::string_view kSoundAlias = "mysound";

// "close mysound", "open PATH  Alias mysound", "play mysound", "pause
// mysound", "resume mysound", "seek mysound to MS", "set mysound speed N"
// (N thousandths of the normal speed), "setaudio mysound volume to N" (N
// thousandths of the sound's own loudness). Anything else is Unknown. A PATH that holds a blank or a double quote
// travels in double quotes, with a backslash before each quote and backslash in it; ParseMediaCommand reads back every
// path that OpenCommand writes.
MediaCommand ParseMediaCommand(std::string_view Text);

std::string CloseCommand();
std::string OpenCommand(const std::string& Path);
std::string PlayCommand();
std::string PauseCommand();
std::string ResumeCommand();
std::string SeekCommand(std::int64_t Milliseconds);
std::string SpeedCommand(double Speed);
std::string GainCommand(double Gain);

// Told by a backend what became of the sound it was asked to play, on the
// thread that sends the commands.
class MediaListener
{
  public:
    virtual ~MediaListener() = default;
    // The sound reaches the output.
    virtual void MediaPlaying() {}
    // The sound played to its end.
    virtual void MediaEnded() {}
    // Nothing sounds, and Why says why in a few words ("no sound output").
    virtual void MediaFailed(const std::string& Why) = 0;
};

// What actually makes the sound. Implementations may fail in any way; the
// layer below swallows it.
class MediaBackend
{
  public:
    virtual ~MediaBackend() = default;
    virtual void Open(const std::string& Alias, const std::string& Path) = 0;
    virtual void Play(const std::string& Alias) = 0;
    virtual void Close(const std::string& Alias) = 0;
    // Backends that cannot pause, seek or change speed ignore these.
    virtual void Pause(const std::string& /*Alias*/) {}
    virtual void Resume(const std::string& /*Alias*/) {}
    virtual void Seek(const std::string& /*Alias*/, std::int64_t /*Milliseconds*/) {}
    virtual void SetSpeed(const std::string& /*Alias*/, double /*Speed*/) {}
    // Linear: 1 is the sound as recorded. Holds for the sounds after it.
    virtual void SetGain(const std::string& /*Alias*/, double /*Gain*/) {}
    // Where to report what became of the sound; null for nowhere.
    virtual void SetListener(MediaListener* /*Listener*/) {}
    // Readies, without a sound, what the first sound needs, so that it
    // starts as soon as the ones after it. Returns at once.
    virtual void Warm() {}
};

// Parses command texts and hands them to a backend. No failure of the
// backend ever reaches the caller; closing with nothing open does nothing.
class MediaLayer
{
  public:
    explicit MediaLayer(MediaBackend& Backend) : m_backend(Backend) {}
    void Send(std::string_view Command) noexcept;

    // The last commands sent, oldest first.
    const std::vector<std::string>& Sent() const { return m_sent; }

  private:
    static constexpr std::size_t kKeptCommands = 64;
    MediaBackend& m_backend;
    std::vector<std::string> m_sent;
    std::string m_openAlias;
};

} // namespace quelm
