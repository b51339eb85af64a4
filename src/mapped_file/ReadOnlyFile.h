#pragma once

#include "Failure.h"

#include <cstdint>
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
    ~ReadOnlyFile();
    ReadOnlyFile(ReadOnlyFile&& Other) noexcept;
    ReadOnlyFile& operator=(ReadOnlyFile&& Other) noexcept;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    int Descriptor() const { return m_fd; }
    const std::string& Path() const { return m_path; }
    // What fstat said right after opening: size, device, inode, times.
    const struct stat& Info() const { return m_info; }
    std::uint64_t Size() const { return static_cast<std::uint64_t>(m_info.st_size); }

    // Hands the descriptor over to the caller, who closes it from then on.
    int Release();

  private:
    std::string m_path;
    int m_fd = -1;
    struct stat m_info {
    };
};

} // namespace quelm
