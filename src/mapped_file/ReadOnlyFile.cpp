#include "ReadOnlyFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

// Opens Path for reading if it is a regular file; otherwise says why.
std::optional<Failure> Open(const std::string& Path, const std::string& What, UniqueFd& Fd, struct stat& Info)
{
    if (Path.empty()) {
        return Failure(What + " an empty path", Path, std::strerror(ENOENT), ENOENT);
    }
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait
    // forever. No O_CREAT: a reader never creates files in the user's
    // folders. O_NOCTTY: a terminal device never becomes ours.
    Fd.Reset(::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!Fd) {
        return Failure::System(What, Path, errno);
    }
    if (::fstat(Fd.Get(), &Info) != 0) {
        return Failure::System(What, Path, errno);
    }
    if (!S_ISREG(Info.st_mode)) {
        return Failure(What + " " + Path, Path, NotRegular(Info.st_mode));
    }
    return std::nullopt;
}

} // namespace

ReadOnlyFile::ReadOnlyFile(const std::string& Path) : m_path(Path)
{
    if (auto failure = Open(Path, "cannot open", m_fd, m_info)) {
        throw *failure;
    }
    // Reads of a regular file never block anyway; drop the flag so that
    // the descriptor behaves as an ordinary one wherever it goes.
    const int flags = ::fcntl(m_fd.Get(), F_GETFL);
    if (flags >= 0) {
        ::fcntl(m_fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
    }
}

std::optional<Failure> ReadOnlyFile::Unreadable(const std::string& Path, const std::string& What)
{
    UniqueFd fd;
    struct stat info {
    };
    auto failure = Open(Path, What, fd, info);
    if (!failure && !fd.Close()) {
        return Failure::System(What, Path, errno);
    }
    return failure;
}

} // namespace quelm
