#include "AudioTimeline.h"

#include "mapped_file/Failure.h"
#include "mapped_file/FaultGuard.h"

#include <system_error>

namespace quelm
{

AudioTimeline::AudioTimeline(const std::string& File) : m_path(File), m_bytes(m_memory.MapFile(File)), m_walk(m_bytes)
{
    try {
        m_ahead = std::make_unique<CheckpointWalker>(m_bytes);
    } catch (const std::system_error&) {
        // No thread to spare: this thread walks it all, as fast as before.
    }
}

double AudioTimeline::SecondsBefore(std::uint64_t Offset)
{
    // The walk stands at the first place at or after the offset asked for
    // last: an offset between the two has the same answer. One before both
    // starts the walk again.
    if (Offset < m_walk.Now().position && Offset < m_asked) {
        m_walk = FrameWalk(m_bytes);
    }
    m_asked = Offset;
    if (m_ahead) {
        if (const auto checkpoint = m_ahead->Before(Offset, m_walk.Now().position)) {
            m_walk.Resume(*checkpoint);
        }
    }
    const std::uint64_t from = m_walk.Now().position;
    if (from >= Offset || m_walk.Ended()) {
        return m_walk.Seconds();
    }
    struct Walk {
        FrameWalk* walk;
        std::uint64_t offset;
    } walk{&m_walk, Offset};
    const bool whole = RunGuarded(
        m_bytes.Data(), m_bytes.Size(),
        [](void* Context) {
            auto& w = *static_cast<Walk*>(Context);
            w.walk->WalkTo(w.offset);
        },
        &walk);
    if (!whole) {
        throw Failure("the record file " + m_path + " was cut short while it was read", m_path, std::string());
    }
    if (m_ahead && m_walk.Now().position - from > CheckpointWalker::kSpacing) {
        m_ahead->Overtaken(m_walk.Now());
    }
    return m_walk.Seconds();
}

} // namespace quelm
