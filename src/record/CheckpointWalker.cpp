#include "CheckpointWalker.h"

#include "mapped_file/FaultGuard.h"
#include "mapped_file/Signals.h"

#include <algorithm>
#include <chrono>
#include <sys/mman.h>
#include <unistd.h>

namespace quelm
{

namespace
{

// The size of the pages the view's mapping is made of, or 0 when the view
// does not start on one (then no page is looked up or let go).
std::uint64_t PageOf(const ByteView& Bytes)
{
    const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    return reinterpret_cast<std::uintptr_t>(Bytes.Data()) % page == 0 ? page : 0;
}

} // namespace

CheckpointWalker::CheckpointWalker(ByteView Bytes)
    : m_bytes(Bytes), m_checkpoints(kCheckpoints), m_residency(kLookPages), m_page(PageOf(Bytes))
{
    m_thread = Signals::StartWithoutStops([this] { Run(); });
}

CheckpointWalker::~CheckpointWalker()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void CheckpointWalker::Run()
{
    // Made inside the guard: it reads the file's first bytes.
    std::optional<FrameWalk> walk;
    struct Walking {
        CheckpointWalker* self;
        std::optional<FrameWalk>* walk;
        Halt halt;
    } walking{this, &walk, Halt::Stop};
    for (;;) {
        const bool whole = RunGuarded(
            m_bytes.Data(), m_bytes.Size(),
            [](void* Context) {
                auto& w = *static_cast<Walking*>(Context);
                if (!*w.walk) {
                    w.walk->emplace(w.self->m_bytes);
                }
                w.halt = w.self->WalkAhead(**w.walk);
            },
            &walking);
        if (!whole) {
            return;
        }
        switch (walking.halt) {
        case Halt::Stop:
        case Halt::End:
            return;
        case Halt::Lead: {
            const std::lock_guard lock(m_mutex);
            if (m_lead.position > walk->Now().position) {
                walk->Resume(m_lead);
            }
            break;
        }
        case Halt::Cold: {
            // The scan reads the file in meanwhile, or the asker walks past.
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, std::chrono::milliseconds(1),
                            [&] { return m_stop || m_leadPosition > walk->Now().position; });
            break;
        }
        case Halt::Full: {
            std::unique_lock lock(m_mutex);
            m_waiting = true;
            // Until there is room for half as much again.
            m_wake.wait(lock, [&] {
                return m_stop || m_leadPosition > walk->Now().position ||
                       (m_recorded.load(std::memory_order_relaxed) - m_kept <= kCheckpoints / 2 &&
                        walk->Now().position <= m_askerPosition + kAhead / 2);
            });
            m_waiting = false;
            break;
        }
        }
    }
}

// Guarded: plain code that a fault may abandon anywhere.
CheckpointWalker::Halt CheckpointWalker::WalkAhead(FrameWalk& Walk)
{
    for (;;) {
        if (m_stop.load(std::memory_order_relaxed)) {
            return Halt::Stop;
        }
        if (m_leadPosition.load(std::memory_order_relaxed) > Walk.Now().position) {
            return Halt::Lead;
        }
        if (!Record(Walk.Now())) {
            return Halt::Full;
        }
        if (Walk.Ended()) {
            return Halt::End;
        }
        // A step reads up to a frame and a header past its end.
        const std::uint64_t from = Walk.Now().position;
        if (!Cached(from, std::min(from + 2 * kSpacing, m_bytes.Size()))) {
            return Halt::Cold;
        }
        Walk.WalkToGap(from + kSpacing);
    }
}

bool CheckpointWalker::Record(const FrameWalk::State& Checkpoint)
{
    const std::uint64_t count = m_recorded.load(std::memory_order_relaxed);
    if (count > 0 && At(count - 1).position == Checkpoint.position) {
        return true; // recorded before a wait: the walk visits a place once
    }
    if (count >= m_nextLook || !Room(count, Checkpoint.position)) {
        m_keptSeen = m_kept.load(std::memory_order_acquire);
        m_askerSeen = m_askerPosition.load(std::memory_order_relaxed);
        m_nextLook = count + kCheckpoints / 8;
        DropBehind();
        if (!Room(count, Checkpoint.position)) {
            return false;
        }
    }
    m_checkpoints[count % kCheckpoints] = Checkpoint;
    m_recorded.store(count + 1, std::memory_order_release);
    return true;
}

bool CheckpointWalker::Room(std::uint64_t Count, std::uint64_t Position) const
{
    return Count - m_keptSeen < kCheckpoints && Position < m_askerSeen + kAhead;
}

void CheckpointWalker::DropBehind()
{
    const std::uint64_t behind = m_askerSeen;
    if (behind < m_dropped + kDropStep || m_page == 0) {
        return;
    }
    // Whole pages only, from the first past the bytes let go before.
    const std::uint64_t first = (m_dropped + m_page - 1) / m_page;
    const std::uint64_t last = behind / m_page;
    if (last > first) {
        // The page cache keeps the bytes: an asker that goes back reads them again.
        ::madvise(const_cast<std::uint8_t*>(m_bytes.Data()) + first * m_page, (last - first) * m_page, MADV_DONTNEED);
    }
    m_dropped = behind;
}

bool CheckpointWalker::Cached(std::uint64_t From, std::uint64_t To)
{
    if (To <= m_cachedTo) {
        return true;
    }
    const std::uint64_t first = m_page != 0 ? From / m_page : 0;
    const std::uint64_t pages = m_page != 0 ? std::min(kLookPages, (m_bytes.Size() + m_page - 1) / m_page - first) : 0;
    if (pages == 0 || ::mincore(const_cast<std::uint8_t*>(m_bytes.Data()) + first * m_page, pages * m_page,
                                m_residency.data()) != 0) {
        m_cachedTo = m_bytes.Size(); // no answer: walk on as without the look
        return true;
    }
    std::uint64_t cached = 0;
    while (cached < pages && (m_residency[cached] & 1) != 0) {
        ++cached;
    }
    m_cachedTo = (first + cached) * m_page;
    return To <= m_cachedTo;
}

std::optional<FrameWalk::State> CheckpointWalker::Before(std::uint64_t Offset, std::uint64_t After)
{
    const std::uint64_t recorded = m_recorded.load(std::memory_order_acquire);
    std::uint64_t low = m_kept.load(std::memory_order_relaxed);
    if (low == recorded || At(low).position > Offset) {
        return std::nullopt;
    }
    // The checkpoints go up by position, and the one sought is mostly a few
    // past the first kept: gallop, then halve.
    std::uint64_t step = 1;
    while (low + step < recorded && At(low + step).position <= Offset) {
        low += step;
        step *= 2;
    }
    std::uint64_t high = std::min(low + step, recorded);
    while (high - low > 1) {
        const std::uint64_t middle = low + (high - low) / 2;
        (At(middle).position <= Offset ? low : high) = middle;
    }
    const FrameWalk::State found = At(low);
    const std::uint64_t newest = At(recorded - 1).position;
    const std::uint64_t position = std::max(found.position, After);
    m_askerPosition.store(position, std::memory_order_relaxed);
    m_kept = low + 1;
    // The walk waits for room for half as much again (it stands a little
    // past its newest checkpoint).
    if (m_waiting && recorded - (low + 1) <= kCheckpoints / 2 && newest <= position + kAhead / 2) {
        {
            const std::lock_guard lock(m_mutex);
        }
        m_wake.notify_one();
    }
    if (found.position <= After) {
        return std::nullopt;
    }
    return found;
}

void CheckpointWalker::Overtaken(const FrameWalk::State& Now)
{
    {
        const std::lock_guard lock(m_mutex);
        m_lead = Now;
        m_leadPosition.store(Now.position, std::memory_order_relaxed);
    }
    m_wake.notify_one();
}

} // namespace quelm
