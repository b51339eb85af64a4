#include "SegmentPlayer.h"

#include "QtMediaBackend.h"
#include "record/SegmentRow.h"
#include "segment_output/Extraction.h"

#include <unistd.h>

namespace quelm
{

SegmentPlayer::SegmentPlayer(MediaBackend* Backend)
    : m_ownedBackend(Backend == nullptr ? std::make_unique<QtMediaBackend>() : nullptr),
      m_media(Backend == nullptr ? *m_ownedBackend : *Backend)
{
}

SegmentPlayer::~SegmentPlayer() = default;

bool SegmentPlayer::Prepare(const std::string& RecordFile, const SegmentRow& Row)
{
    Close();
    m_playFile = m_playback.TempFile(Row.RecordNumber());
    if (!Row.Complete()) {
        return false;
    }
    const auto offsets = Row.Offsets();
    if (!offsets) {
        return false;
    }
    WritePlaybackFile(RecordFile, *offsets, m_playFile);
    return true;
}

void SegmentPlayer::Play()
{
    m_media.Send(OpenCommand(m_playFile));
    m_media.Send(PlayCommand());
}

void SegmentPlayer::StopSound()
{
    m_media.Send(CloseCommand());
}

void SegmentPlayer::Close()
{
    StopSound();
    if (!m_playFile.empty()) {
        ::unlink(m_playFile.c_str());
        m_playFile.clear();
    }
}

void SegmentPlayer::RemoveFolder()
{
    m_playback.Remove();
}

} // namespace quelm
