#pragma once

#include "MediaEngine.h"
#include "segment_output/MediaCommand.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>

class QMediaPlayer;
class QThread;

namespace quelm
{

class MediaWorker;

// Plays "mysound" through Qt Multimedia on a worker thread of its own, so
// that nothing here waits on the sound server: every call queues its
// command and returns at once. The listener hears, on this thread, what
// became of the sound open now and of no other.
//
// A watchdog looks after the worker: one that has not answered a command
// within kAnswerMs is abandoned, never deleted (its thread may be stuck
// inside the media engine), the sound open counts as failed ("no sound
// output"), and the next command goes to a fresh worker.
class QtMediaBackend : public QObject, public MediaBackend
{
    Q_OBJECT
  public:
    static constexpr int kAnswerMs = 3000;
    // A new worker first makes its engine, which loads GStreamer's plugin
    // registry: rebuilt after an upgrade, that may take seconds.
    static constexpr int kStartMs = 10000;

    explicit QtMediaBackend(QObject* Parent = nullptr);
    // Factory: makes the engine on each new worker; Qt Multimedia's when empty.
    explicit QtMediaBackend(MediaEngineFactory Factory, QObject* Parent = nullptr);
    // Gives the worker kAnswerMs to end; abandons it after that.
    ~QtMediaBackend() override;
    QtMediaBackend(const QtMediaBackend&) = delete;
    QtMediaBackend& operator=(const QtMediaBackend&) = delete;

    void Open(const std::string& Alias, const std::string& Path) override;
    void Play(const std::string& Alias) override;
    void Close(const std::string& Alias) override;
    void Pause(const std::string& Alias) override;
    void Resume(const std::string& Alias) override;
    void Seek(const std::string& Alias, std::int64_t Milliseconds) override;
    void SetSpeed(const std::string& Alias, double Speed) override;
    void SetGain(const std::string& Alias, double Gain) override;
    void SetListener(MediaListener* Listener) override { m_listener = Listener; }
    // Starts the worker and has it make its player.
    void Warm() override;

    // What the watchdog does when its time is up: abandons a worker that
    // owes an answer. Tests call it instead of waiting.
    void CheckWorker();
    const QTimer& Watchdog() const { return m_watchdog; }

    // Abandoned workers whose thread is still running, in this process: it
    // cannot end normally while there are any (main.cpp).
    static int StuckWorkers();

    // For tests: waits up to kAnswerMs for the worker to carry out every
    // command sent so far, then gives its Qt player; null when there is none.
    QMediaPlayer* Player();

  private:
    // Queues Work to the worker, if there is one.
    void Post(const std::function<void(MediaWorker&)>& Work);
    void StartWorker();
    // Leaves the worker to itself and forgets what it owes.
    void Abandon();
    // Counts the worker's thread as stuck until it ends, then deletes it.
    void LeaveThread();
    void Worker_Answered(quint64 Sequence);
    void Worker_Playing(quint64 Sound);
    void Worker_Ended(quint64 Sound);
    void Worker_Failed(quint64 Sound, const QString& Why);

    MediaEngineFactory m_factory;
    MediaListener* m_listener = nullptr;
    QThread* m_thread = nullptr;
    MediaWorker* m_worker = nullptr; // lives on m_thread
    // Of m_thread, shared with its end: running, abandoned or ended.
    std::shared_ptr<std::atomic<int>> m_threadState;
    QTimer m_watchdog;
    quint64 m_sent = 0;     // commands queued, numbered from 1
    quint64 m_answered = 0; // the last one the worker answered
    quint64 m_sounds = 0;   // sounds opened, numbered from 1
    quint64 m_open = 0;     // the sound whose reports count; 0 for none
    double m_speed = 1.0;
};

} // namespace quelm
