#include "Memory.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
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
    // O_RDONLY without O_CREAT: a reader must never create files in the
    // user's folders.
    const int fd = ::open(File.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw Failure(SystemMessage("cannot open", File, errno));
    }
    m_fileHandle = fd;

    struct stat info {
    };
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        UnmapFile();
        throw Failure(SystemMessage("cannot read the size of", File, error));
    }
    if (!S_ISREG(info.st_mode)) {
        UnmapFile();
        throw Failure("cannot map " + File + ": not a regular file");
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size == 0) {
        return {};
    }
    if (size > static_cast<std::uint64_t>(SIZE_MAX)) {
        UnmapFile();
        throw Failure("cannot map " + File + ": the file is larger than the address space");
    }
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
