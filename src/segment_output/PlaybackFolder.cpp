#include "PlaybackFolder.h"

#include "../mapped_file/Failure.h"
#include "TempFiles.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quelm
{

namespace
{

// PID or PID-N: the only names this class makes, and so the only ones it
// ever removes.
bool IsWindowFolderName(const char* Name)
{
    const char* at = Name;
    auto digits = [&at] {
        const char* begin = at;
        while (*at >= '0' && *at <= '9') {
            ++at;
        }
        return at != begin;
    };
    if (!digits()) {
        return false;
    }
    if (*at == '-') {
        ++at;
        if (!digits()) {
            return false;
        }
    }
    return *at == '\0';
}

UniqueFd OpenFolder(int At, const char* Name)
{
    return UniqueFd(::openat(At, Name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// The entries of an open folder, through a descriptor of their own so that
// Fd stays open for the *at calls.
UniqueDir ListFolder(int Fd)
{
    UniqueFd copy(::dup(Fd));
    if (!copy) {
        return UniqueDir();
    }
    UniqueDir folder(::fdopendir(copy.Get()));
    if (folder) {
        (void)copy.Release();      // the stream closes it now
        ::rewinddir(folder.Get()); // the copy shares its position with Fd
    }
    return folder;
}

bool TryLock(int Fd)
{
    return ::flock(Fd, LOCK_EX | LOCK_NB) == 0;
}

// Deletes the files in an open folder; a window folder holds nothing else.
void RemoveContents(int Fd) noexcept
{
    const UniqueDir folder = ListFolder(Fd);
    if (!folder) {
        return;
    }
    while (const dirent* entry = ::readdir(folder.Get())) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            ::unlinkat(Fd, entry->d_name, 0);
        }
    }
}

} // namespace

PlaybackFolder::PlaybackFolder() noexcept
{
    try {
        RemoveAbandoned(TempFolder());
        Make();
    } catch (...) {
        // The first play tries again and reports what is wrong.
    }
}

PlaybackFolder::~PlaybackFolder()
{
    Remove();
}

void PlaybackFolder::RemoveAbandoned(const std::string& Folder) noexcept
{
    const UniqueFd base = OpenFolder(AT_FDCWD, Folder.c_str());
    const UniqueDir entries = base ? ListFolder(base.Get()) : UniqueDir();
    if (!entries) {
        return;
    }
    while (const dirent* entry = ::readdir(entries.Get())) {
        if (!IsWindowFolderName(entry->d_name)) {
            continue;
        }
        const UniqueFd fd = OpenFolder(base.Get(), entry->d_name);
        // A lock that can be taken has no window behind it any more.
        if (fd && TryLock(fd.Get())) {
            RemoveContents(fd.Get());
            ::unlinkat(base.Get(), entry->d_name, AT_REMOVEDIR);
        }
    }
}

void PlaybackFolder::Make()
{
    const std::string base = TempFolder();
    const std::string pid = std::to_string(::getpid());
    int number = 1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = base + "/" + (number == 1 ? pid : pid + "-" + std::to_string(number));
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
            throw Failure::System("cannot create the playback folder", path, errno);
        }
        UniqueFd fd = OpenFolder(AT_FDCWD, path.c_str());
        if (!fd) {
            if (errno != ENOENT) {
                ++number; // not a folder: leave it alone
            }
            continue;
        }
        if (!TryLock(fd.Get())) {
            ++number; // another window of this process holds it
            continue;
        }
        m_fd = std::move(fd);
        m_path = path;
        // Another window's start may have removed the folder before the lock
        // was taken; then it is made again.
        if (!StillInPlace()) {
            m_fd.Reset();
            m_path.clear();
            continue;
        }
        RemoveContents(m_fd.Get()); // files of an earlier window with this number
        return;
    }
    throw Failure("cannot find a free playback folder in " + base, base, std::string());
}

bool PlaybackFolder::StillInPlace() const
{
    struct stat held {
    };
    struct stat named {
    };
    return m_fd && ::fstat(m_fd.Get(), &held) == 0 && ::lstat(m_path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

std::string PlaybackFolder::TempFile(std::int32_t Num)
{
    if (!StillInPlace()) {
        Remove();
        Make();
    }
    return m_path + "/" + TempFileName(Num);
}

void PlaybackFolder::Remove() noexcept
{
    if (!m_fd) {
        return;
    }
    if (StillInPlace()) {
        RemoveContents(m_fd.Get());
        ::rmdir(m_path.c_str());
    }
    m_fd.Reset(); // the lock goes last, with the folder already gone
    m_path.clear();
}

} // namespace quelm
