#pragma once

#include "Failure.h"

#include "UniqueFd.h"

#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace quelm
{

// A record file opened for reading. Opening never blocks and never creates
// anything: a FIFO, a device, a socket or a folder at the path is refused
// before a byte is read, with a message that names what was found there.
// The descriptor is closed with the object.
class ReadOnlyFile
{
  public:
    // Throws Failure ("cannot open PATH: ...") when the path cannot be
    // opened or is not a regular file.
    explicit ReadOnlyFile(const std::string& Path);

    // Why Path cannot be opened as a ReadOnlyFile ("What PATH: reason"),
    // or nothing when it can right now. The one test of "is this a readable
    // regular file" for every caller.
    [[nodiscard]] static std::optional<Failure> Unreadable(const std::string& Path,
                                                           const std::string& What = "cannot open");

    int Descriptor() const { return m_fd.Get(); }
    const std::string& Path() const { return m_path; }
    // What fstat said right after opening: size, device, inode, times.
    const struct stat& Info() const { return m_info; }
    std::uint64_t Size() const { return static_cast<std::uint64_t>(m_info.st_size); }

    // Hands the descriptor over to the caller, who closes it from then on.
    [[nodiscard]] int Release() { return m_fd.Release(); }

  private:
    std::string m_path;
    UniqueFd m_fd;
    struct stat m_info {
    };
};

} // namespace quelm
