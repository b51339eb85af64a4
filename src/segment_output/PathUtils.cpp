#include "PathUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quelm
{

bool FileExists(const std::string& Path)
{
    if (Path.empty()) {
        return false;
    }
    // O_NONBLOCK: a FIFO must not hang the dialog loop.
    const int fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info {
    };
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const bool closed = ::close(fd) == 0;
    return regular && closed;
}

std::string GetFilename(const std::string& Path)
{
    const auto slash = Path.rfind('/');
    return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

} // namespace quelm
