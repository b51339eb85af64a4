#pragma once

#include "CompactRow.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace quelm
{

// The rows of a table in blocks of kBlockRows: a table of millions of rows
// grows without moving what it holds (no pause while a window's list
// fills, no second copy of it in memory meanwhile), and frees its first
// rows a block at a time.
class RowStore
{
  public:
    static constexpr std::size_t kBlockRows = 16384; // 1 MiB

    std::size_t Size() const { return m_size; }
    CompactRow& operator[](std::size_t Index)
    {
        const std::size_t at = m_first + Index;
        return m_blocks[at / kBlockRows][at % kBlockRows];
    }
    const CompactRow& operator[](std::size_t Index) const
    {
        const std::size_t at = m_first + Index;
        return m_blocks[at / kBlockRows][at % kBlockRows];
    }

    void PushBack(const CompactRow& Row);
    // Puts Row at Index, the rows from there on one further (rare: the
    // rows after a stopped scan's counter).
    void Insert(std::size_t Index, const CompactRow& Row);
    // Removes the row at Index, the rows after it one back.
    void Erase(std::size_t Index);
    // Removes the first Count rows.
    void EraseFront(std::size_t Count);
    // Removes every row and keeps the blocks for the next ones: a list
    // loaded anew fills them again without asking the system for pages.
    void Clear();

  private:
    std::vector<std::unique_ptr<CompactRow[]>> m_blocks;
    std::size_t m_first = 0; // where row 0 lies in the first block
    std::size_t m_size = 0;
};

} // namespace quelm
