#include "RowStore.h"

#include <algorithm>

namespace quelm
{

void RowStore::PushBack(const CompactRow& Row)
{
    const std::size_t at = m_first + m_size;
    if (at == m_blocks.size() * kBlockRows) {
        // Left as allocated: the pages are touched only as rows fill them.
        m_blocks.push_back(std::unique_ptr<CompactRow[]>(new CompactRow[kBlockRows]));
    }
    m_blocks[at / kBlockRows][at % kBlockRows] = Row;
    ++m_size;
}

void RowStore::Insert(std::size_t Index, const CompactRow& Row)
{
    PushBack(Row);
    for (std::size_t i = m_size - 1; i > Index; --i) {
        (*this)[i] = (*this)[i - 1];
    }
    (*this)[Index] = Row;
}

void RowStore::Erase(std::size_t Index)
{
    for (std::size_t i = Index; i + 1 < m_size; ++i) {
        (*this)[i] = (*this)[i + 1];
    }
    --m_size;
    // A spare block stays for the next row; blocks past it go.
    const std::size_t used = (m_first + m_size + kBlockRows - 1) / kBlockRows;
    if (m_blocks.size() > used + 1) {
        m_blocks.pop_back();
    }
}

void RowStore::EraseFront(std::size_t Count)
{
    Count = std::min(Count, m_size);
    m_first += Count;
    m_size -= Count;
    const std::size_t whole = m_first / kBlockRows;
    m_blocks.erase(m_blocks.begin(), m_blocks.begin() + static_cast<std::ptrdiff_t>(whole));
    m_first -= whole * kBlockRows;
}

void RowStore::Clear()
{
    m_first = 0;
    m_size = 0;
}

} // namespace quelm
