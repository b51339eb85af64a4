#include "Extraction.h"

#include "../mapped_file/Failure.h"
#include "../record/NumberReading.h"
#include "FileWriting.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quelm
{

namespace
{

std::int64_t Position(double Value, const std::string& Tag)
{
    if (!std::isfinite(Value) || std::fabs(Value) > 9.0e15) {
        throw Failure("overflow: the segment position in \"" + Tag + "\" is out of range");
    }
    return static_cast<std::int64_t>(std::nearbyint(Value));
}

} // namespace

std::optional<SegmentOffsets> ParseOffsets(const std::string& Tag)
{
    const auto slash = Tag.find('/');
    if (slash == std::string::npos) {
        return std::nullopt;
    }
    const std::string first = Tag.substr(0, slash);
    const auto next = Tag.find('/', slash + 1);
    const std::string second = Tag.substr(slash + 1, next == std::string::npos ? std::string::npos : next - slash - 1);
    if (first.empty() || second.empty()) {
        return std::nullopt;
    }
    return SegmentOffsets{Position(ReadNumber(first), Tag), Position(ReadNumber(second), Tag)};
}

bool HasEnd(const SegmentRow& Row)
{
    return Row.subItems.size() >= 2 && ParseOffsets(Row.tag).has_value();
}

ByteRange PlaybackRange(const SegmentOffsets& Offsets)
{
    return {Offsets.p1 + 1, Offsets.p2 - Offsets.p1};
}

ByteRange SavingRange(const SegmentOffsets& Offsets)
{
    return {Offsets.p1 - 29, Offsets.p2 - Offsets.p1 + 30};
}

std::string ReadRange(const std::string& RecordFile, const ByteRange& Range)
{
    if (Range.first < 0 || Range.length <= 0) {
        throw Failure("the segment's positions do not form a byte range of " + RecordFile);
    }
    const int fd = ::open(RecordFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SystemFailure("cannot open", RecordFile, errno);
    }
    std::string bytes(static_cast<std::size_t>(Range.length), '\0');
    std::size_t done = 0;
    int error = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done,
                                  static_cast<off_t>(Range.first + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = n < 0 ? errno : 0;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (error != 0) {
        SystemFailure("cannot read", RecordFile, error);
    }
    if (done < bytes.size()) {
        throw Failure("the record file " + RecordFile +
                      " is shorter than the segment: it has changed since it was scanned");
    }
    return bytes;
}

void WriteNewFile(const std::string& Path, const std::string& Bytes)
{
    ::unlink(Path.c_str());
    const int fd = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        SystemFailure("cannot create", Path, errno);
    }
    try {
        WriteAll(fd, Bytes.data(), Bytes.size(), Path);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0) {
        SystemFailure("cannot write", Path, errno);
    }
}

} // namespace quelm
