#include "SegmentPlayer.h"

#include "QtMediaBackend.h"
#include "record/NumberReading.h"
#include "record/SegmentRow.h"
#include "segment_output/Extraction.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <unistd.h>

namespace quelm
{

namespace
{

std::int64_t SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

SegmentPlayer::SegmentPlayer(MediaBackend* Backend, QObject* Parent)
    : QObject(Parent), m_ownedBackend(Backend == nullptr ? std::make_unique<QtMediaBackend>() : nullptr),
      m_backend(Backend == nullptr ? *m_ownedBackend : *Backend), m_media(m_backend), m_now(SteadyMs)
{
    m_backend.SetListener(this);
    // The first click sounds as soon as the later ones: the player, its
    // thread and the media libraries are ready before it.
    m_backend.Warm();
}

SegmentPlayer::~SegmentPlayer()
{
    m_backend.SetListener(nullptr);
}

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
    // A length of no time (or a negative one) leaves nothing to seek in.
    const double seconds = std::max(0.0, ReadNumber(Row.SubItem(3)));
    m_current = Message{RecordFile,
                        static_cast<std::uint64_t>(Row.StartPosition()),
                        Row.RecordNumber(),
                        Row.SubItem(1),
                        static_cast<std::int64_t>(std::llround(std::min(seconds, 1e12) * 1000)),
                        Row};
    return true;
}

void SegmentPlayer::Play()
{
    m_media.Send(OpenCommand(m_playFile));
    m_media.Send(PlayCommand());
    Rebase(0);
    m_played = 0;
    m_playingSince = m_now();
    SetState(State::Playing);
}

void SegmentPlayer::StopSound()
{
    m_media.Send(CloseCommand());
    SetState(State::Stopped);
}

void SegmentPlayer::Close()
{
    StopSound();
    m_current.reset();
    if (!m_playFile.empty()) {
        ::unlink(m_playFile.c_str());
        m_playFile.clear();
    }
}

void SegmentPlayer::CloseMessage()
{
    if (!m_playFile.empty() || Active()) {
        Close();
    }
}

void SegmentPlayer::RemoveFolder()
{
    m_playback.Remove();
}

void SegmentPlayer::Pause()
{
    if (m_state != State::Playing) {
        return;
    }
    Rebase(Position());
    m_media.Send(PauseCommand());
    SetState(State::Paused);
}

void SegmentPlayer::Resume()
{
    if (m_state != State::Paused) {
        return;
    }
    Rebase(m_basePosition);
    m_media.Send(ResumeCommand());
    SetState(State::Playing);
}

void SegmentPlayer::TogglePause()
{
    if (m_state == State::Playing) {
        Pause();
    } else if (m_state == State::Paused) {
        Resume();
    }
}

bool SegmentPlayer::Replay()
{
    if (!m_current || m_playFile.empty()) {
        return false;
    }
    m_media.Send(CloseCommand());
    Play();
    emit Seeked(0);
    return true;
}

void SegmentPlayer::SeekTo(std::int64_t Milliseconds)
{
    if (!Active() || !m_current) {
        return;
    }
    const std::int64_t to = std::clamp<std::int64_t>(Milliseconds, 0, m_current->lengthMs);
    Rebase(to);
    m_media.Send(SeekCommand(to));
    emit Seeked(to);
}

void SegmentPlayer::SeekBy(std::int64_t Milliseconds)
{
    SeekTo(Position() + Milliseconds);
}

void SegmentPlayer::SetSpeed(double Speed)
{
    const auto nearest = std::min_element(kSpeeds.begin(), kSpeeds.end(), [Speed](double A, double B) {
        return std::abs(A - Speed) < std::abs(B - Speed);
    });
    if (*nearest == m_speed) {
        return;
    }
    Rebase(Position());
    m_speed = *nearest;
    m_media.Send(SpeedCommand(m_speed));
    emit SpeedChanged(m_speed);
}

void SegmentPlayer::SetGain(double Gain)
{
    if (Gain == m_gain) {
        return;
    }
    m_gain = Gain;
    m_media.Send(GainCommand(Gain));
}

void SegmentPlayer::Faster()
{
    const auto next = std::upper_bound(kSpeeds.begin(), kSpeeds.end(), m_speed);
    if (next != kSpeeds.end()) {
        SetSpeed(*next);
    }
}

void SegmentPlayer::Slower()
{
    const auto lower = std::lower_bound(kSpeeds.begin(), kSpeeds.end(), m_speed);
    if (lower != kSpeeds.begin()) {
        SetSpeed(*(lower - 1));
    }
}

std::int64_t SegmentPlayer::PlayedMs() const
{
    return m_played + (m_state == State::Playing ? m_now() - m_playingSince : 0);
}

std::int64_t SegmentPlayer::Position() const
{
    if (!m_current) {
        return 0;
    }
    std::int64_t at = m_basePosition;
    if (m_state == State::Playing) {
        at += static_cast<std::int64_t>(static_cast<double>(m_now() - m_baseTime) * m_speed);
    }
    return std::clamp<std::int64_t>(at, 0, m_current->lengthMs);
}

void SegmentPlayer::Rebase(std::int64_t Milliseconds)
{
    m_basePosition = Milliseconds;
    m_baseTime = m_now();
}

void SegmentPlayer::SetState(State Next)
{
    if (Next == m_state) {
        return;
    }
    if (Next == State::Stopped) {
        Rebase(Position());
    }
    if (m_state == State::Playing) {
        m_played += m_now() - m_playingSince;
    } else if (Next == State::Playing) {
        m_playingSince = m_now();
    }
    m_state = Next;
    emit StateChanged();
}

void SegmentPlayer::MediaPlaying()
{
}

void SegmentPlayer::MediaEnded()
{
    if (m_state == State::Stopped) {
        return;
    }
    m_media.Send(CloseCommand());
    if (m_current) {
        Rebase(m_current->lengthMs);
    }
    SetState(State::Stopped);
    emit Ended();
}

void SegmentPlayer::MediaFailed(const std::string& Why)
{
    m_media.Send(CloseCommand());
    SetState(State::Stopped);
    emit Failed(QString::fromStdString(Why));
}

} // namespace quelm
