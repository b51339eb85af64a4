#pragma once

#include "Failure.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quelm
{

// Read-only bytes 0 .. Size() - 1 that borrow their storage (normally a
// mapping owned by a Memory object): a view never frees what it points at.
class ByteView
{
  public:
    ByteView() = default;
    ByteView(const std::uint8_t* Data, std::uint64_t Size) : m_data(Data), m_size(Size) {}

    const std::uint8_t* Data() const { return m_data; }
    std::uint64_t Size() const { return m_size; }
    bool Empty() const { return m_size == 0; }
    std::int64_t LowerBound() const { return 0; }
    std::int64_t UpperBound() const { return static_cast<std::int64_t>(m_size) - 1; }

    // Checked element access: an index outside the bounds is a failure,
    // never a read outside the view.
    std::uint8_t At(std::uint64_t Index) const
    {
        if (Index >= m_size) {
            throw Failure("subscript out of range: byte " + std::to_string(Index) + " of a view of " +
                          std::to_string(m_size) + " bytes");
        }
        return m_data[Index];
    }

  private:
    const std::uint8_t* m_data = nullptr;
    std::uint64_t m_size = 0;
};

} // namespace quelm
