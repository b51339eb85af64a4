#include "TemporaryFile.h"

#include "../mapped_file/Failure.h"
#include "../mapped_file/Signals.h"
#include "FileWriting.h"
#include "SegmentBatch.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quelm
{

namespace
{

// The temporaries of the saves in progress, where a signal handler can
// reach them without locking or allocating: a slot is free (-1), being
// filled (-2) or holds the open folder and the name of a temporary.
constexpr int kFree = -1;
constexpr int kFilling = -2;
constexpr std::size_t kSlots = 2 * SegmentBatch::kGroupSize;
constexpr std::size_t kNameBytes = 16;

struct Slot {
    std::atomic<int> folder{kFree};
    char name[kNameBytes] = {};
};
static_assert(std::atomic<int>::is_always_lock_free);

Slot g_slots[kSlots];
std::atomic<std::size_t> g_nextSlot{0};

int Claim(int Folder, const char* Name)
{
    const std::size_t first = g_nextSlot.load(std::memory_order_relaxed);
    for (std::size_t i = 0; i < kSlots; ++i) {
        const std::size_t index = (first + i) % kSlots;
        int expected = kFree;
        if (g_slots[index].folder.compare_exchange_strong(expected, kFilling)) {
            std::memcpy(g_slots[index].name, Name, kNameBytes);
            g_slots[index].folder.store(Folder, std::memory_order_release);
            g_nextSlot.store(index + 1, std::memory_order_relaxed);
            return static_cast<int>(index);
        }
    }
    throw Failure("too many files are being saved at once");
}

void Release(int Index)
{
    g_slots[Index].folder.store(kFree, std::memory_order_release);
}

// ".qlm" and eight characters: short enough that any valid target name
// also works as a temporary name in the same folder.
void MakeName(char (&Name)[kNameBytes])
{
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::atomic<std::uint64_t> counter{std::random_device{}() ^ (std::uint64_t(::getpid()) << 32)};
    // splitmix64 of a counter: distinct for every call, hard to guess.
    std::uint64_t z = counter.fetch_add(0x9E3779B97F4A7C15ULL) + 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    std::memcpy(Name, ".qlm", 4);
    for (int i = 0; i < 8; ++i) {
        Name[4 + i] = kDigits[z % (sizeof kDigits - 1)];
        z /= sizeof kDigits - 1;
    }
    Name[12] = '\0';
}

// Unnamed files are linked by their descriptor (AT_EMPTY_PATH), which a
// kernel since 6.10 allows for a file the caller opened itself, and older
// ones only with a privilege users lack; where it is refused, through
// /proc/self/fd, and that from then on.
bool ProcFdUsable()
{
    static const bool kUsable = ::access("/proc/self/fd", X_OK) == 0;
    return kUsable;
}

std::atomic<bool> g_byDescriptor{true};

// Links the open file Fd under Name in the folder Folder; 0 or -1 (errno).
int LinkAt(int Fd, int Folder, const char* Name)
{
    if (g_byDescriptor.load(std::memory_order_relaxed)) {
        const int done = ::linkat(Fd, "", Folder, Name, AT_EMPTY_PATH);
        if (done == 0 || (errno != ENOENT && errno != EPERM && errno != EINVAL)) {
            return done;
        }
        g_byDescriptor.store(false, std::memory_order_relaxed);
    }
    char path[32];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", Fd);
    return ::linkat(AT_FDCWD, path, Folder, Name, AT_SYMLINK_FOLLOW);
}

} // namespace

void RemoveTemporaryFiles() noexcept
{
    const int savedErrno = errno;
    for (Slot& slot : g_slots) {
        const int folder = slot.folder.load(std::memory_order_acquire);
        if (folder >= 0) {
            ::unlinkat(folder, slot.name, 0);
        }
    }
    errno = savedErrno;
}

namespace
{

bool IsTemporaryName(std::string_view Name)
{
    if (Name.size() != 12 || !Name.starts_with(".qlm")) {
        return false;
    }
    return std::all_of(Name.begin() + 4, Name.end(),
                       [](char C) { return std::isalnum(static_cast<unsigned char>(C)); });
}

void RemoveStale(int Folder)
{
    UniqueFd listing(::openat(Folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!listing) {
        return;
    }
    const int owned = listing.Release();
    DIR* entries = ::fdopendir(owned); // owns the descriptor from here on
    if (entries == nullptr) {
        ::close(owned);
        return;
    }
    while (const dirent* entry = ::readdir(entries)) {
        struct stat info {
        };
        if (IsTemporaryName(entry->d_name) && ::fstatat(Folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == ::geteuid()) {
            ::unlinkat(Folder, entry->d_name, 0);
        }
    }
    ::closedir(entries);
}

} // namespace

void ClaimSaveFolder(int Folder, bool Sweep)
{
    // Only the lock of another process fails this one: no run is saving
    // here, so every temporary here is a dead run's.
    if (Sweep && ::flock(Folder, LOCK_EX | LOCK_NB) == 0) {
        RemoveStale(Folder);
    }
    ::flock(Folder, LOCK_SH);
}

void RemoveTemporaryFilesOnSignals()
{
    Signals::AddCleanup(RemoveTemporaryFiles);
    Signals::HandleStop();
}

TemporaryFile::TemporaryFile(int Folder, const std::string& FolderPath, bool Unnamed) : m_folder(Folder)
{
    if (Unnamed && ProcFdUsable()) {
        const int fd = ::openat(Folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        const int error = errno;
        if (fd >= 0) {
            m_fd.Reset(fd);
            m_unnamed = true;
            return;
        }
        // A file system without unnamed files, or no descriptor to spare
        // for one held open until its group is in place: a name instead.
        if (error != EOPNOTSUPP && error != EISDIR && error != EINVAL && error != EMFILE) {
            SystemFailure("cannot write into", FolderPath, error);
        }
    }
    CreateNamed(FolderPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY);
}

void TemporaryFile::CreateNamed(const std::string& FolderPath, int Flags)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        MakeName(m_name);
        // Known to the signal handler before it exists, so that no moment
        // is left in which it exists unknown.
        m_slot = Claim(m_folder, m_name);
        // Flags 0: the open unnamed file gets the name.
        const int made = Flags == 0 ? LinkAt(m_fd.Get(), m_folder, m_name) : ::openat(m_folder, m_name, Flags, 0666);
        const int error = errno;
        if (Flags != 0 && made >= 0) {
            m_fd.Reset(made);
        }
        if (made >= 0) {
            return;
        }
        Release(m_slot);
        m_slot = -1;
        if (error != EEXIST) {
            SystemFailure("cannot write into", FolderPath, error);
        }
    }
    throw Failure("cannot find a free temporary name in " + FolderPath, FolderPath, std::string());
}

TemporaryFile::~TemporaryFile()
{
    m_fd.Reset();
    if (m_slot >= 0) {
        ::unlinkat(m_folder, m_name, 0);
        Forget();
    }
}

TemporaryFile::TemporaryFile(TemporaryFile&& Other) noexcept
    : m_folder(Other.m_folder), m_fd(std::move(Other.m_fd)), m_slot(Other.m_slot), m_unnamed(Other.m_unnamed)
{
    std::memcpy(m_name, Other.m_name, kNameBytes);
    Other.m_slot = -1;
}

void TemporaryFile::Close(const std::string& Target)
{
    if (!m_fd.Close()) {
        SystemFailure("cannot write", Target, errno);
    }
}

bool TemporaryFile::PutInPlaceIfFree(const std::string& Name, const std::string& Target)
{
    // Neither call replaces anything: a name that exists is left to the
    // caller's checks.
    const int done = m_unnamed ? LinkAt(m_fd.Get(), m_folder, Name.c_str())
                               : ::renameat2(m_folder, m_name, m_folder, Name.c_str(), RENAME_NOREPLACE);
    if (done == 0) {
        if (m_unnamed) {
            m_unnamed = false;
            // In place and whole: its bytes were made durable before it
            // was named, so a late close error changes nothing.
            if (!m_fd.Close()) {
            }
        }
        Forget();
        return true;
    }
    // EINVAL: a file system that cannot rename without replacing.
    if (errno == EEXIST || (!m_unnamed && errno == EINVAL)) {
        return false;
    }
    SystemFailure("cannot save", Target, errno);
}

void TemporaryFile::PutInPlace(const std::string& Name, const std::string& Target)
{
    if (m_unnamed) {
        // Only a rename replaces a file in one step: the file is named first.
        CreateNamed(Target, 0);
        m_unnamed = false;
        Close(Target);
    }
    if (::renameat(m_folder, m_name, m_folder, Name.c_str()) != 0) {
        SystemFailure("cannot save", Target, errno);
    }
    Forget();
}

void TemporaryFile::KeepOwnerAndMode(const struct stat& Replaced)
{
    // By descriptor while open, else by name: a named file is closed once
    // written.
    const int chown = m_fd ? ::fchown(m_fd.Get(), Replaced.st_uid, Replaced.st_gid)
                           : ::fchownat(m_folder, m_name, Replaced.st_uid, Replaced.st_gid, AT_SYMLINK_NOFOLLOW);
    if (chown != 0) {
        // Not ours to give away: the owner becomes the saver.
    }
    if (m_fd) {
        ::fchmod(m_fd.Get(), Replaced.st_mode & 0777);
    } else {
        ::fchmodat(m_folder, m_name, Replaced.st_mode & 0777, 0);
    }
}

void TemporaryFile::Forget() noexcept
{
    // An unnamed temporary never took a slot: there is no name to forget.
    if (m_slot >= 0) {
        Release(m_slot);
        m_slot = -1;
    }
}

} // namespace quelm
