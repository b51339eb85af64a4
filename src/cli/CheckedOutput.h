#pragma once

#include "mapped_file/Failure.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace quelm::cli
{

// A write to the program's output failed ("cannot write the output: why").
[[nodiscard]] Failure OutputFailure(int Error);

// True for the failure of the output itself, which ends the whole run.
bool IsOutputFailure(const std::exception& Error);

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
    void Write(std::string_view Text)
    {
        // Rows are written a few bytes at a time: those that fit are copied
        // here, without a call.
        if (Text.size() <= m_buffer.size() - m_used) {
            Copy(m_buffer.data() + m_used, Text.data(), Text.size());
            m_used += Text.size();
        } else {
            WriteSpilling(Text);
        }
    }
    void Flush() { Drain(); }
    // Throws OutputFailure (EPIPE) when the descriptor is a pipe whose reader
    // has gone: a run that writes only now and then (following a file) must
    // not wait for its next line to find out.
    void CheckReader() const;
    // Flushes and closes the descriptor: some file systems report a failed
    // write only then.
    void Close();

  private:
    // memcpy, with the short copies of a row's cells done in a few moves
    // of fixed size (which may overlap) instead of a call.
    static void Copy(char* To, const char* From, std::size_t Size)
    {
        if (Size >= 8 && Size <= 16) {
            std::memcpy(To, From, 8);
            std::memcpy(To + Size - 8, From + Size - 8, 8);
        } else if (Size > 16 && Size <= 32) {
            std::memcpy(To, From, 16);
            std::memcpy(To + Size - 16, From + Size - 16, 16);
        } else if (Size >= 4 && Size < 8) {
            std::memcpy(To, From, 4);
            std::memcpy(To + Size - 4, From + Size - 4, 4);
        } else if (Size > 0 && Size < 4) {
            To[0] = From[0];
            To[Size / 2] = From[Size / 2];
            To[Size - 1] = From[Size - 1];
        } else if (Size > 32) {
            std::memcpy(To, From, Size);
        }
    }
    void WriteSpilling(std::string_view Text);
    void Drain();

    int m_fd;
    std::size_t m_used = 0;
    std::array<char, std::size_t{64} * 1024> m_buffer;
};

} // namespace quelm::cli
