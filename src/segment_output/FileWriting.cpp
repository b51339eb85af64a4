#include "FileWriting.h"

#include "../mapped_file/Failure.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace quelm
{

void SystemFailure(const std::string& What, const std::string& Path, int Error)
{
    throw Failure(What + " " + Path + ": " + std::strerror(Error));
}

void WriteAll(int Fd, const void* Data, std::size_t Size, const std::string& Path)
{
    const auto* bytes = static_cast<const char*>(Data);
    std::size_t done = 0;
    while (done < Size) {
        const ssize_t n = ::write(Fd, bytes + done, Size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            SystemFailure("cannot write", Path, n < 0 ? errno : EIO);
        }
        done += static_cast<std::size_t>(n);
    }
}

} // namespace quelm
