#pragma once

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string_view>

namespace quelm::cli
{

// A write to the output failed: the message says why, fit to show as is.
class OutputFailure : public std::runtime_error
{
  public:
    explicit OutputFailure(const std::string& Message) : std::runtime_error(Message) {}
};

// Buffered output to a file descriptor in which every write is checked: a
// full disk, /dev/full or a reader that went away throws OutputFailure
// instead of being lost. Nothing is written behind the caller's back: what
// is still buffered goes out only on Flush.
class CheckedOutput
{
  public:
    explicit CheckedOutput(int Fd) : m_fd(Fd) {}
    CheckedOutput(const CheckedOutput&) = delete;
    CheckedOutput& operator=(const CheckedOutput&) = delete;

    void Put(char C)
    {
        if (m_used == m_buffer.size()) {
            Drain();
        }
        m_buffer[m_used++] = C;
    }
    void Write(std::string_view Text);
    void Flush() { Drain(); }
    // Flushes and closes the descriptor: some file systems report a failed
    // write only then.
    void Close();

  private:
    void Drain();

    int m_fd;
    std::size_t m_used = 0;
    std::array<char, 64 * 1024> m_buffer;
};

} // namespace quelm::cli
