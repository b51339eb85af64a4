#include "CheckedOutput.h"

#include "mapped_file/FileIo.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace quelm::cli
{

Failure OutputFailure(int Error)
{
    return {"cannot write the output", std::string(), std::strerror(Error), Error, FailureKind::Output};
}

bool IsOutputFailure(const std::exception& Error)
{
    const auto* failure = dynamic_cast<const Failure*>(&Error);
    return failure != nullptr && failure->Kind() == FailureKind::Output;
}

void CheckedOutput::WriteSpilling(std::string_view Text)
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

void CheckedOutput::CheckReader() const
{
    // The write end of a pipe without a reader polls as an error.
    pollfd watched{m_fd, 0, 0};
    if (::poll(&watched, 1, 0) == 1 && (watched.revents & POLLERR) != 0) {
        throw OutputFailure(EPIPE);
    }
}

void CheckedOutput::Close()
{
    Drain();
    // Nothing written to a descriptor that was never open is no failure.
    if (::close(m_fd) != 0 && errno != EBADF && errno != EINTR) {
        throw OutputFailure(errno);
    }
}

void CheckedOutput::Drain()
{
    const int error = WriteFully(m_fd, std::string_view(m_buffer.data(), m_used));
    m_used = 0;
    if (error != 0) {
        throw OutputFailure(error);
    }
}

} // namespace quelm::cli
