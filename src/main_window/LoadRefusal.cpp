#include "LoadRefusal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quelm
{

QString WhyUnreadable(const std::string& Path)
{
    struct stat info {
    };
    if (::stat(Path.c_str(), &info) != 0) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        return "it is a folder";
    }
    if (!S_ISREG(info.st_mode)) {
        return "it is not a regular file";
    }
    const int fd = ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    ::close(fd);
    return "it cannot be read";
}

} // namespace quelm
