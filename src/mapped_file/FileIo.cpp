#include "FileIo.h"

#include <cerrno>
#include <unistd.h>

namespace quelm
{

int WriteFully(int Fd, std::string_view Data) noexcept
{
    while (!Data.empty()) {
        const ssize_t written = ::write(Fd, Data.data(), Data.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : ENOSPC;
        }
        Data.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

ssize_t ReadFullyAt(int Fd, char* Data, std::size_t Size, off_t Offset) noexcept
{
    std::size_t done = 0;
    while (done < Size) {
        const ssize_t n = ::pread(Fd, Data + done, Size - done, Offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return -errno;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

} // namespace quelm
