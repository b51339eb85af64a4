#pragma once

#include "MediaEngine.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace quelm
{

// Lives on a media worker thread and carries out the commands that
// QtMediaBackend queues to it, one after another, on an engine it makes at
// the first one. Answers each command once done, so that the interface
// thread sees a worker that hangs; tags what the engine reports with the
// number of the sound it concerns.
class MediaWorker : public QObject
{
    Q_OBJECT
  public:
    using Command = std::function<void(MediaWorker&)>;

    explicit MediaWorker(MediaEngineFactory Factory);
    ~MediaWorker() override;

    // Runs Work unless the worker was abandoned, then answers Sequence.
    void Run(quint64 Sequence, const Command& Work);

    // What the commands do with the engine.
    void Open(quint64 Sound, const std::string& Path);
    void Close();
    MediaEngine& Engine();
    // The engine if made; for tests, once every command has been carried out.
    MediaEngine* MadeEngine() const { return m_engine.get(); }

    // From the interface thread: nothing more is carried out or reported.
    void Abandon() { m_abandoned = true; }

  signals:
    void Answered(quint64 Sequence);
    void Playing(quint64 Sound);
    void Ended(quint64 Sound);
    void Failed(quint64 Sound, const QString& Why);

  private:
    MediaEngineFactory m_factory;
    std::unique_ptr<MediaEngine> m_engine;
    quint64 m_sound = 0; // the number of the sound open; 0 while none is
    std::atomic<bool> m_abandoned = false;
};

} // namespace quelm
