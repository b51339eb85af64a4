#include "SegmentSaver.h"

#include "../mapped_file/Failure.h"
#include "FileWriting.h"
#include "Id3Tag.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace quelm
{

namespace
{

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Removes the half-written file unless it was handed over.
class PendingFile
{
  public:
    explicit PendingFile(std::string Path) : m_path(std::move(Path)) {}
    ~PendingFile()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        if (!m_path.empty()) {
            ::unlink(m_path.c_str());
        }
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    void Adopt(int Fd) { m_fd = Fd; }
    int Fd() const { return m_fd; }
    void Closed() { m_fd = -1; }
    void Renamed() { m_path.clear(); }

  private:
    std::string m_path;
    int m_fd = -1;
};

} // namespace

bool SameFile(const std::string& A, const std::string& B)
{
    struct stat a {
    };
    struct stat b {
    };
    return ::stat(A.c_str(), &a) == 0 && ::stat(B.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void SaveSegmentFile(const std::string& RecordFile, const SegmentOffsets& Offsets, const std::string& Target)
{
    if (Target.empty()) {
        throw Failure("no file name to save the segment under");
    }
    if (SameFile(RecordFile, Target)) {
        throw Failure("refusing to save over the record file itself: " + Target);
    }
    const std::string bytes = ReadRange(RecordFile, SavingRange(Offsets));

    const auto slash = Target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : Target.substr(0, slash));
    const std::string name = slash == std::string::npos ? Target : Target.substr(slash + 1);
    std::string temporary = folder + "/." + name + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        SystemFailure("cannot write into", folder, errno);
    }
    PendingFile pending(temporary);
    pending.Adopt(fd);
    ::fchmod(fd, NewFileMode());

    WriteAll(fd, bytes.data(), bytes.size(), Target);
    WriteID3(fd, Target);
    if (::fsync(fd) != 0) {
        SystemFailure("cannot write", Target, errno);
    }
    pending.Closed();
    if (::close(fd) != 0) {
        SystemFailure("cannot write", Target, errno);
    }
    if (::rename(temporary.c_str(), Target.c_str()) != 0) {
        SystemFailure("cannot save", Target, errno);
    }
    pending.Renamed();
}

} // namespace quelm
