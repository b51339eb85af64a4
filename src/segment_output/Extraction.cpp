#include "Extraction.h"

#include "../mapped_file/Failure.h"
#include "../mapped_file/UniqueFd.h"
#include "../record/MarkerFormat.h"
#include "FileWriting.h"
#include "RecordSource.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quelm
{

ByteRange PlaybackRange(const SegmentOffsets& Offsets)
{
    return {Offsets.p1 + 1, Offsets.p2 - Offsets.p1};
}

ByteRange SavingRange(const SegmentOffsets& Offsets)
{
    return {Offsets.p1 - kMarkerLastByte, Offsets.p2 - Offsets.p1 + kMarkerLastByte + 1};
}

void WritePlaybackFile(const std::string& RecordFile, const SegmentOffsets& Offsets, const std::string& PlayFile)
{
    const RecordSource source(RecordFile);
    source.CheckMarkers(Offsets);
    ::unlink(PlayFile.c_str());
    UniqueFd fd(::open(PlayFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600));
    if (!fd) {
        SystemFailure("cannot create", PlayFile, errno);
    }
    try {
        source.CopyRange(PlaybackRange(Offsets), fd.Get(), PlayFile);
    } catch (...) {
        fd.Reset();
        ::unlink(PlayFile.c_str());
        throw;
    }
    if (!fd.Close()) {
        const int error = errno;
        ::unlink(PlayFile.c_str());
        SystemFailure("cannot write", PlayFile, error);
    }
}

} // namespace quelm
