#pragma once

#include "FrameWalk.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace quelm
{

// Walks a record file's frames on a thread of its own, ahead of the thread
// that asks for times, and keeps checkpoints of its walk for that one to go
// on from: one every kSpacing bytes, and one at every gap in the frames
// (where markers lie), so that most asks are answered without a walk. It
// goes at most kAhead bytes past the asker, keeps at most kCheckpoints, and
// lets go of the pages the asker has passed, so that neither its memory nor
// the file's mapping grows with the file. It walks only over bytes in the
// page cache: on a file not read yet it follows the scan's reading instead
// of making the disk seek between two places. A file cut short ends this
// walk; the asker, walking on by itself, meets the fault in its own walk.
class CheckpointWalker
{
  public:
    static constexpr std::uint64_t kSpacing = 8192;
    static constexpr std::uint64_t kCheckpoints = 32768;
    // Rows reach an asker a scan's yield at a time (Scanner::kYieldInterval):
    // the walk keeps further ahead than a fast scan gets between two.
    static constexpr std::uint64_t kAhead = 128 << 20;
    static constexpr std::uint64_t kDropStep = 16 << 20; // bytes passed before their pages go
    static constexpr std::uint64_t kLookPages = 1024;    // pages looked up in the page cache at once

    // Starts walking Bytes from their start. Throws std::system_error when
    // no thread can be started.
    explicit CheckpointWalker(ByteView Bytes);
    ~CheckpointWalker();
    CheckpointWalker(const CheckpointWalker&) = delete;
    CheckpointWalker& operator=(const CheckpointWalker&) = delete;

    // The latest checkpoint at or before Offset, when it lies past After.
    // It and those before it are given up: an asker's offsets go up, and
    // one that goes back walks from the start of the file.
    std::optional<FrameWalk::State> Before(std::uint64_t Offset, std::uint64_t After);
    // The asker walked by itself to Now, past this walk: it goes on from
    // there rather than walk the same frames again.
    void Overtaken(const FrameWalk::State& Now);

  private:
    enum class Halt { Full, Cold, Lead, Stop, End };

    void Run();
    Halt WalkAhead(FrameWalk& Walk);
    bool Record(const FrameWalk::State& Checkpoint);
    bool Room(std::uint64_t Count, std::uint64_t Position) const;
    void DropBehind();
    bool Cached(std::uint64_t From, std::uint64_t To);
    const FrameWalk::State& At(std::uint64_t Index) const { return m_checkpoints[Index % kCheckpoints]; }

    ByteView m_bytes;
    // A ring, by the count of checkpoints recorded: the walk writes them,
    // the asker keeps those from m_kept on. Each side's counter on a cache
    // line of its own.
    std::vector<FrameWalk::State> m_checkpoints;
    alignas(64) std::atomic<std::uint64_t> m_recorded{0};
    // The walk's own: its last readings of m_kept and m_askerPosition, when
    // it reads them next, the bytes whose pages it let go, and what it found
    // in the page cache.
    std::uint64_t m_keptSeen = 0;
    std::uint64_t m_askerSeen = 0;
    std::uint64_t m_nextLook = 0;
    std::uint64_t m_dropped = 0;
    std::uint64_t m_cachedTo = 0; // the bytes before it were in the page cache
    std::vector<unsigned char> m_residency;
    std::uint64_t m_page; // 0: the view does not start on a page
    alignas(64) std::atomic<std::uint64_t> m_kept{0};
    std::atomic<std::uint64_t> m_askerPosition{0}; // the asker reads no byte before it
    // Seldom written: the asker's orders, and whether the walk waits.
    alignas(64) std::atomic<bool> m_stop{false};
    std::atomic<bool> m_waiting{false};
    std::atomic<std::uint64_t> m_leadPosition{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    FrameWalk::State m_lead; // under m_mutex
    std::thread m_thread;    // last: it starts once the rest is there
};

} // namespace quelm
