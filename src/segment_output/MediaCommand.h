#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quelm
{

// The three media commands the program sends for its one sound "mysound".
struct MediaCommand {
    enum class Kind { Close, Open, Play, Unknown };
    Kind kind = Kind::Unknown;
    std::string alias;
    std::string path; // Open only
};

inline constexpr std::string_view kSoundAlias = "mysound";

// "close mysound", "open PATH  Alias mysound", "play mysound". Anything
// else is Unknown. A PATH that holds a blank or a double quote travels in
// double quotes, with a backslash before each quote and backslash in it;
// ParseMediaCommand reads back every path that OpenCommand writes.
MediaCommand ParseMediaCommand(std::string_view Text);

std::string CloseCommand();
std::string OpenCommand(const std::string& Path);
std::string PlayCommand();

// What actually makes the sound. Implementations may fail in any way; the
// layer below swallows it.
class MediaBackend
{
  public:
    virtual ~MediaBackend() = default;
    virtual void Open(const std::string& Alias, const std::string& Path) = 0;
    virtual void Play(const std::string& Alias) = 0;
    virtual void Close(const std::string& Alias) = 0;
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
