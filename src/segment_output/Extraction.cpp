#include "Extraction.h"

#include "../mapped_file/Failure.h"
#include "../record/NumberReading.h"
#include "FileWriting.h"
#include "RecordSource.h"

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

void WritePlaybackFile(const std::string& RecordFile, const SegmentOffsets& Offsets, const std::string& PlayFile)
{
    const RecordSource source(RecordFile);
    source.CheckMarkers(Offsets);
    ::unlink(PlayFile.c_str());
    const int fd = ::open(PlayFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        SystemFailure("cannot create", PlayFile, errno);
    }
    try {
        source.CopyRange(PlaybackRange(Offsets), fd, PlayFile);
    } catch (...) {
        ::close(fd);
        ::unlink(PlayFile.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(PlayFile.c_str());
        SystemFailure("cannot write", PlayFile, error);
    }
}

} // namespace quelm
