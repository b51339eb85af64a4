#include "CheckedOutput.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

namespace quelm::cli
{

void CheckedOutput::Write(std::string_view Text)
{
    while (!Text.empty()) {
        if (m_used == m_buffer.size()) {
            Drain();
        }
        const std::size_t part = std::min(Text.size(), m_buffer.size() - m_used);
        std::memcpy(m_buffer.data() + m_used, Text.data(), part);
        m_used += part;
        Text.remove_prefix(part);
    }
}

void CheckedOutput::Close()
{
    Drain();
    // Nothing written to a descriptor that was never open is no failure.
    if (::close(m_fd) != 0 && errno != EBADF && errno != EINTR) {
        throw OutputFailure(std::string("cannot write the output: ") + std::strerror(errno));
    }
}

void CheckedOutput::Drain()
{
    std::size_t done = 0;
    while (done < m_used) {
        const ssize_t written = ::write(m_fd, m_buffer.data() + done, m_used - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            // A write that takes nothing has run out of room.
            const int error = written < 0 ? errno : ENOSPC;
            m_used = 0;
            throw OutputFailure(std::string("cannot write the output: ") + std::strerror(error));
        }
        done += static_cast<std::size_t>(written);
    }
    m_used = 0;
}

} // namespace quelm::cli
