#include "Memory.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quelm
{

Memory::~Memory()
{
    UnmapFile();
}

Memory::Memory(Memory&& Other) noexcept
    : m_fileHandle(std::move(Other.m_fileHandle)), m_viewBase(std::exchange(Other.m_viewBase, nullptr)),
      m_viewSize(std::exchange(Other.m_viewSize, 0)), m_viewStart(std::exchange(Other.m_viewStart, 0))
{
}

Memory& Memory::operator=(Memory&& Other) noexcept
{
    if (this != &Other) {
        UnmapFile();
        m_fileHandle = std::move(Other.m_fileHandle);
        m_viewBase = std::exchange(Other.m_viewBase, nullptr);
        m_viewSize = std::exchange(Other.m_viewSize, 0);
        m_viewStart = std::exchange(Other.m_viewStart, 0);
    }
    return *this;
}

ByteView Memory::MapFile(const std::string& File)
{
    UnmapFile();
    return MapFile(ReadOnlyFile(File));
}

ByteView Memory::MapFile(ReadOnlyFile&& File, std::uint64_t From)
{
    UnmapFile();
    const std::uint64_t size = File.Size();
    m_fileHandle.Reset(File.Release());
    if (From >= size) {
        return {};
    }
    // mmap wants a page-aligned offset; the view starts inside that page.
    const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t offset = From / page * page;
    const std::uint64_t length = size - offset;
    if (length > static_cast<std::uint64_t>(SIZE_MAX)) {
        UnmapFile();
        throw Failure("cannot map " + File.Path(), File.Path(), "the file is larger than the address space");
    }
    void* base = ::mmap(nullptr, static_cast<std::size_t>(length), PROT_READ, MAP_SHARED, m_fileHandle.Get(),
                        static_cast<off_t>(offset));
    if (base == MAP_FAILED) {
        const int error = errno;
        UnmapFile();
        throw Failure::System("cannot map", File.Path(), error);
    }
    m_viewBase = base;
    m_viewSize = length;
    m_viewStart = From - offset;
    // The scan reads front to back once: the kernel reads ahead further.
    // The pages read stay in the page cache and in this mapping (they count
    // as the process's file-backed memory, up to the file's size) until the
    // mapping goes or memory is short; nothing is dropped behind us.
    ::madvise(base, static_cast<std::size_t>(length), MADV_SEQUENTIAL);
    return ByteView(static_cast<const std::uint8_t*>(base) + (From - offset), size - From);
}

std::uint64_t Memory::CurrentSize() const
{
    struct stat info {
    };
    if (!m_fileHandle || ::fstat(m_fileHandle.Get(), &info) != 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

bool Memory::Pages(std::uint64_t Begin, std::uint64_t End, void*& Start, std::size_t& Length) const
{
    const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    // In the mapping, which begins at a page.
    std::uint64_t first = std::min(Begin + m_viewStart, m_viewSize);
    std::uint64_t last = std::min(End + m_viewStart, m_viewSize);
    first = first / page * page;
    last = std::min((last + page - 1) / page * page, m_viewSize);
    if (m_viewBase == nullptr || first >= last) {
        return false;
    }
    Start = static_cast<std::uint8_t*>(m_viewBase) + first;
    Length = static_cast<std::size_t>(last - first);
    return true;
}

bool Memory::Populate(std::uint64_t Begin, std::uint64_t End) const
{
#ifdef MADV_POPULATE_READ
    void* start = nullptr;
    std::size_t length = 0;
    // An older kernel says EINVAL once and is not asked again.
    static std::atomic<bool> refused{false};
    if (refused.load(std::memory_order_relaxed) || !Pages(Begin, End, start, length)) {
        return false;
    }
    if (::madvise(start, length, MADV_POPULATE_READ) == 0) {
        return true;
    }
    if (errno == EINVAL) {
        refused.store(true, std::memory_order_relaxed);
    }
    return false;
#else
    (void)Begin;
    (void)End;
    return false;
#endif
}

void Memory::UnmapFile()
{
    if (m_viewBase != nullptr) {
        ::munmap(m_viewBase, static_cast<std::size_t>(m_viewSize));
        m_viewBase = nullptr;
        m_viewSize = 0;
        m_viewStart = 0;
    }
    m_fileHandle.Reset();
}

} // namespace quelm
