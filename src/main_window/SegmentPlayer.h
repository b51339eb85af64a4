#pragma once

#include "record/SegmentRow.h"
#include "segment_output/MediaCommand.h"
#include "segment_output/PlaybackFolder.h"

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quelm
{

// Plays segments as the sound "mysound": each is copied from the record
// file into a playback file in this window's own folder, and that file is
// deleted when the next one plays or the window goes. Keeps what the user
// controls of the playing message: pause, seek, speed, replay. Knows no
// widget; the window shows its state.
class SegmentPlayer : public QObject, private MediaListener
{
    Q_OBJECT
  public:
    enum class State { Stopped, Playing, Paused };

    // The message played last (or playing now).
    struct Message {
        std::string recordFile;
        std::uint64_t startOffset = 0; // of its start marker: the row's key
        std::int32_t recordNumber = 0;
        std::string startStamp;
        std::int64_t lengthMs = 0; // from its time stamps, as the list says
        SegmentRow row;            // as it was listed when it played
    };

    static constexpr std::array<double, 7> kSpeeds = {0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0};
    static constexpr std::int64_t kSeekStepMs = 5000;

    // Backend: what plays sounds; a Qt Multimedia one when none is given.
    explicit SegmentPlayer(MediaBackend* Backend = nullptr, QObject* Parent = nullptr);
    ~SegmentPlayer() override;
    SegmentPlayer(const SegmentPlayer&) = delete;
    SegmentPlayer& operator=(const SegmentPlayer&) = delete;

    // Closes the sound and the last play file, names the play file of Row
    // and copies the segment there. False, with nothing written, for a row
    // that cannot play (no end yet). Throws Failure.
    bool Prepare(const std::string& RecordFile, const SegmentRow& Row);
    // Opens the prepared play file and plays it from its start.
    void Play();
    // Stops the sound; the play file stays, so the message can be replayed.
    void StopSound();
    // Stops the sound and deletes the play file.
    void Close();
    // Closes as Close does when a message was played; sends nothing otherwise.
    void CloseMessage();
    // Removes this window's playback folder with what is left in it.
    void RemoveFolder();

    void Pause();
    void Resume();
    void TogglePause();
    // Plays the last message again from its start; false when there is none.
    bool Replay();
    // Moves within the playing or paused message, kept within its length.
    void SeekTo(std::int64_t Milliseconds);
    void SeekBy(std::int64_t Milliseconds);
    // One of kSpeeds (the nearest); holds for every message until changed.
    void SetSpeed(double Speed);
    void Faster();
    void Slower();
    // Linear gain of the sound (levelled playback); holds until changed.
    void SetGain(double Gain);
    double Gain() const { return m_gain; }

    State CurrentState() const { return m_state; }
    bool Active() const { return m_state != State::Stopped; }
    double Speed() const { return m_speed; }
    // Milliseconds into the message, by the clock and the speed.
    std::int64_t Position() const;
    // Milliseconds the message has sounded since it started, pauses left
    // out, whatever the speed.
    std::int64_t PlayedMs() const;
    const std::optional<Message>& Current() const { return m_current; }

    // Milliseconds of a steady clock; tests drive their own.
    void SetClock(std::function<std::int64_t()> NowMs) { m_now = std::move(NowMs); }

    const std::string& PlayFile() const { return m_playFile; }
    const MediaLayer& Media() const { return m_media; }

  signals:
    void StateChanged();
    // The position jumped (a seek or a replay) to Milliseconds.
    void Seeked(qint64 Milliseconds);
    void SpeedChanged(double Speed);
    // The message played to its end.
    void Ended();
    // Nothing sounds; Why says it in a few words.
    void Failed(const QString& Why);

  private:
    void MediaPlaying() override;
    void MediaEnded() override;
    void MediaFailed(const std::string& Why) override;
    void SetState(State Next);
    // Restarts the clock at Milliseconds into the message.
    void Rebase(std::int64_t Milliseconds);

    std::unique_ptr<MediaBackend> m_ownedBackend;
    MediaBackend& m_backend;
    MediaLayer m_media;
    PlaybackFolder m_playback;
    std::string m_playFile;
    std::optional<Message> m_current;
    State m_state = State::Stopped;
    double m_speed = 1.0;
    double m_gain = 1.0;
    std::int64_t m_basePosition = 0; // where the message was at m_baseTime
    std::int64_t m_baseTime = 0;
    std::int64_t m_played = 0; // sounded before m_playingSince
    std::int64_t m_playingSince = 0;
    std::function<std::int64_t()> m_now;
};

} // namespace quelm
