#pragma once

#include "MediaEngine.h"
#include "mapped_file/UniqueFd.h"

#include <QMediaPlayer>
#include <QTimer>
#include <optional>

class QAudioOutput;

namespace quelm
{

// Plays a sound through Qt Multimedia (GStreamer on Linux) at the speed
// asked, the pitch kept. Lives on a media worker thread: a call here may
// wait on the sound server. A player that failed is not used again: the
// next sound gets a fresh player and output, so that one that comes back
// after its sound server went away plays again.
class QtMediaEngine : public MediaEngine
{
    Q_OBJECT
  public:
    // A sound asked to play that has not started by then fails: its output
    // does not take it (a sound server that hangs).
    static constexpr int kStartMs = 3000;

    explicit QtMediaEngine(QObject* Parent = nullptr);
    ~QtMediaEngine() override;

    void Open(const std::string& Path) override;
    void Play() override;
    void Pause() override;
    void Resume() override;
    void Seek(std::int64_t Milliseconds) override;
    void SetSpeed(double Speed) override;
    void Close() override;
    void Warm() override;

    QMediaPlayer* Player() const { return m_player; }

  private:
    void MakePlayer();
    void DeletePlayer(QMediaPlayer* Player, QAudioOutput* Output);
    void Player_MediaStatusChanged(QMediaPlayer::MediaStatus Status);
    void Player_PlaybackStateChanged(QMediaPlayer::PlaybackState State);
    void Player_ErrorOccurred(QMediaPlayer::Error Error);
    void StartDeadline_Timeout();
    void Fail(const QString& Why);
    // The few words on why the sound open failed.
    QString Reason() const;

    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_output = nullptr;
    // The last player replaced, emptied; deleted when the next one is.
    QMediaPlayer* m_retiredPlayer = nullptr;
    QAudioOutput* m_retiredOutput = nullptr;
    UniqueFd m_fd;      // the file played under its /proc name, if any
    std::string m_path; // of the sound open; empty while none is
    double m_speed = 1.0;
    std::optional<std::int64_t> m_pendingSeek; // asked before the sound had loaded
    QTimer m_startDeadline;
    bool m_loaded = false;  // the sound has buffered: rate changes and seeks take
    bool m_started = false; // Playing said
    bool m_rateDue = false; // the speed waits for the sound to be under way
    bool m_failed = false;  // Failed said, for this sound
    bool m_spoiled = false; // the player failed; the next sound gets a fresh one
};

} // namespace quelm
