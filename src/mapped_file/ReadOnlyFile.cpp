#include "ReadOnlyFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace quelm
{

namespace
{

const char* NotRegular(mode_t Mode)
{
    if (S_ISDIR(Mode)) {
        return "it is a folder, not a regular file";
    }
    if (S_ISFIFO(Mode)) {
        return "it is a FIFO (named pipe), not a regular file";
    }
    if (S_ISCHR(Mode) || S_ISBLK(Mode)) {
        return "it is a device, not a regular file";
    }
    if (S_ISSOCK(Mode)) {
        return "it is a socket, not a regular file";
    }
    return "it is not a regular file";
}

} // namespace

ReadOnlyFile::ReadOnlyFile(const std::string& Path) : m_path(Path)
{
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait
    // forever. No O_CREAT: a reader never creates files in the user's
    // folders. O_NOCTTY: a terminal device never becomes ours.
    const int fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        throw Failure("cannot open " + Path + ": " + std::strerror(errno));
    }
    if (::fstat(fd, &m_info) != 0) {
        const int error = errno;
        ::close(fd);
        throw Failure("cannot open " + Path + ": " + std::strerror(error));
    }
    if (!S_ISREG(m_info.st_mode)) {
        ::close(fd);
        throw Failure("cannot open " + Path + ": " + NotRegular(m_info.st_mode));
    }
    // Reads of a regular file never block anyway; drop the flag so that
    // the descriptor behaves as an ordinary one wherever it goes.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    m_fd = fd;
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& Other) noexcept : m_fd(std::exchange(Other.m_fd, -1)), m_info(Other.m_info)
{
}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& Other) noexcept
{
    if (this != &Other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_path = std::move(Other.m_path);
        m_fd = std::exchange(Other.m_fd, -1);
        m_info = Other.m_info;
    }
    return *this;
}

int ReadOnlyFile::Release()
{
    return std::exchange(m_fd, -1);
}

} // namespace quelm
