#pragma once

#include "Memory.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace quelm
{

// Maps a view's pages on a thread of its own, a stretch ahead of one reader
// going front to back. A file just written sits in the page cache in 4 KiB
// pages; mapping them costs the kernel about as much as the reader's own
// work, and on the other core the two overlap. It keeps at most kAhead bytes
// ahead of the reader, so the mapping grows with the reader, not the file,
// and stops at the first piece it cannot map (a file cut short: the reader
// meets the fault itself). Without a thread, or on a kernel that cannot
// populate, the reader faults its pages in as it goes.
class PopulateAhead
{
  public:
    static constexpr std::uint64_t kPiece = std::uint64_t{2} << 20;
    static constexpr std::uint64_t kAhead = std::uint64_t{32} << 20;
    // The reader tells its place this often: waking the thread costs a
    // system call, which for each small step of a fast reader adds up.
    static constexpr std::uint64_t kTell = kAhead / 4;
    // Smaller views are read before a thread would have started.
    static constexpr std::uint64_t kSmallest = std::uint64_t{8} << 20;

    // Starts on view offsets 0 .. Size - 1 of Mapping, which must outlive it.
    PopulateAhead(const Memory& Mapping, std::uint64_t Size);
    ~PopulateAhead();
    PopulateAhead(const PopulateAhead&) = delete;
    PopulateAhead& operator=(const PopulateAhead&) = delete;

    // The reader reads no byte before Offset from now on.
    void Reached(std::uint64_t Offset);

  private:
    void Run();

    const Memory& m_mapping;
    const std::uint64_t m_size;
    std::uint64_t m_nextTell = 0; // the reader's
    alignas(64) std::atomic<std::uint64_t> m_reached{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread; // last: it starts once the rest is there
};

} // namespace quelm
