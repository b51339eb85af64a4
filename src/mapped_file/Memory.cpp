#include "Memory.h"

#include "ReadOnlyFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace quelm
{

namespace
{

std::string SystemMessage(const std::string& what, const std::string& path, int error)
{
    return what + " " + path + ": " + std::strerror(error);
}

} // namespace

Memory::~Memory()
{
    if (!Closed()) {
        UnmapFile();
    }
}

ByteView Memory::MapFile(const std::string& File)
{
    UnmapFile();
    ReadOnlyFile file(File);
    const std::uint64_t size = file.Size();
    m_fileHandle = file.Release();
    if (size == 0) {
        return {};
    }
    if (size > static_cast<std::uint64_t>(SIZE_MAX)) {
        UnmapFile();
        throw Failure("cannot map " + File + ": the file is larger than the address space");
    }
    const int fd = m_fileHandle;
    void* base = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) {
        const int error = errno;
        UnmapFile();
        throw Failure(SystemMessage("cannot map", File, error));
    }
    m_viewBase = base;
    m_viewSize = size;
    // The scan reads front to back once; let the kernel read ahead and drop
    // pages behind us rather than hold the whole file.
    ::madvise(base, static_cast<std::size_t>(size), MADV_SEQUENTIAL);
    return ByteView(static_cast<const std::uint8_t*>(base), size);
}

void Memory::UnmapFile()
{
    if (m_viewBase != nullptr) {
        ::munmap(m_viewBase, static_cast<std::size_t>(m_viewSize));
        m_viewBase = nullptr;
        m_viewSize = 0;
    }
    if (m_fileHandle >= 0) {
        ::close(m_fileHandle);
        m_fileHandle = -1;
    }
}

} // namespace quelm
