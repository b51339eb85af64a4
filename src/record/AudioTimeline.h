#pragma once

#include "mapped_file/ByteView.h"
#include "mapped_file/Memory.h"
#include "record/CheckpointWalker.h"
#include "record/FrameWalk.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quelm
{

// Where the bytes of a record file lie in audio time, as a decoder reading
// the MPEG audio frames front to back counts it (FrameWalk). A second thread
// walks ahead and leaves checkpoints (CheckpointWalker), so that the time of
// an offset mostly costs no walk on the asking thread. Holds the mapping,
// the walk's position and a bounded number of checkpoints, whatever the
// file's size.
class AudioTimeline
{
  public:
    // Maps File. Throws Failure when it cannot be read.
    explicit AudioTimeline(const std::string& File);

    // The audio decoded from the frames that start before Offset, in
    // seconds. Offsets asked for in increasing order cost one walk of the
    // file in all; a smaller one starts the walk again. Throws Failure when
    // the bytes this ask walks over turn out cut short.
    double SecondsBefore(std::uint64_t Offset);

  private:
    std::string m_path;
    Memory m_memory;
    ByteView m_bytes;
    FrameWalk m_walk;
    std::uint64_t m_asked = 0;                 // the offset asked for last
    std::unique_ptr<CheckpointWalker> m_ahead; // none when no thread could be started
};

} // namespace quelm
