#pragma once

#include "ByteView.h"
#include "ReadOnlyFile.h"
#include "UniqueFd.h"

#include <cstdint>
#include <string>

namespace quelm
{

// A whole file mapped read-only for one scan. The view handed out by
// MapFile borrows the mapping; it must not be read after UnmapFile.
class Memory
{
  public:
    Memory() = default;
    ~Memory();
    // A moved mapping stays valid: views handed out before still read it.
    Memory(Memory&& Other) noexcept;
    Memory& operator=(Memory&& Other) noexcept;
    Memory(const Memory&) = delete;
    Memory& operator=(const Memory&) = delete;

    // Opens and maps the whole file. Never creates the file. Throws Failure
    // with a clear message when the path is missing, not a regular file, or
    // cannot be opened or mapped. An empty file gives an empty view.
    ByteView MapFile(const std::string& File);

    // Maps the bytes From .. size - 1 of an opened file and takes the file
    // over: element 0 of the view is the file's byte at offset From. A From
    // at or past the end gives an empty view.
    ByteView MapFile(ReadOnlyFile&& File, std::uint64_t From = 0);

    // Releases the view, then the file; harmless when nothing is held.
    void UnmapFile();

    // The size of the mapped file now, which a writer may have changed
    // since it was mapped; 0 when nothing is held or fstat fails.
    std::uint64_t CurrentSize() const;

    bool Closed() const { return !m_fileHandle.Valid(); }
    // The mapped file's descriptor, or -1.
    int Descriptor() const { return m_fileHandle.Get(); }

    // Maps the pages of view offsets Begin .. End - 1 that are in the page
    // cache (reading those that are not) in one call, ahead of a reader, so
    // that it does not fault them in one small piece at a time. False, and
    // harmless, where the kernel cannot (before Linux 5.14) or past the
    // file's end. Safe to call from another thread while the view is read.
    bool Populate(std::uint64_t Begin, std::uint64_t End) const;

  private:
    UniqueFd m_fileHandle;
    // The pages that view offsets [Begin, End) touch, within the mapping;
    // false when none.
    bool Pages(std::uint64_t Begin, std::uint64_t End, void*& Start, std::size_t& Length) const;

    void* m_viewBase = nullptr;
    std::uint64_t m_viewSize = 0;
    std::uint64_t m_viewStart = 0; // the view's first byte in the mapping
};

} // namespace quelm
