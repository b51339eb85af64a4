#include "PopulateAhead.h"

#include "Signals.h"

#include <algorithm>
#include <system_error>

namespace quelm
{

PopulateAhead::PopulateAhead(const Memory& Mapping, std::uint64_t Size) : m_mapping(Mapping), m_size(Size)
{
    if (m_size < kSmallest) {
        return;
    }
    try {
        m_thread = Signals::StartWithoutStops([this] { Run(); });
    } catch (const std::system_error&) {
        // The reader maps its own pages, a little slower.
    }
}

PopulateAhead::~PopulateAhead()
{
    if (m_thread.joinable()) {
        m_stop.store(true, std::memory_order_relaxed);
        m_reached.fetch_add(1, std::memory_order_release); // wakes a wait
        m_reached.notify_one();
        m_thread.join();
    }
}

void PopulateAhead::Reached(std::uint64_t Offset)
{
    if (Offset < m_nextTell) {
        return;
    }
    m_nextTell = Offset + kTell;
    m_reached.store(Offset, std::memory_order_release);
    m_reached.notify_one();
}

void PopulateAhead::Run()
{
    std::uint64_t done = 0;
    while (done < m_size && !m_stop.load(std::memory_order_relaxed)) {
        const std::uint64_t reached = m_reached.load(std::memory_order_acquire);
        // Pieces the reader has passed are not worth mapping.
        done = std::max(done, reached / kPiece * kPiece);
        if (done >= m_size) {
            return;
        }
        if (done >= reached + kAhead) {
            m_reached.wait(reached, std::memory_order_acquire);
            continue;
        }
        const std::uint64_t to = std::min(m_size, done + kPiece);
        if (!m_mapping.Populate(done, to)) {
            return;
        }
        done = to;
    }
}

} // namespace quelm
