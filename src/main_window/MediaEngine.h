#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quelm
{

// What makes the sound, on a worker thread of its own: any call may wait on
// the sound server or hang. Says what became of the sound open through its
// signals; QtMediaBackend decides which of them still matter.
class MediaEngine : public QObject
{
    Q_OBJECT
  public:
    using QObject::QObject;

    virtual void Open(const std::string& Path) = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    // Milliseconds from the start; playing or paused stays so.
    virtual void Seek(std::int64_t Milliseconds) = 0;
    // Holds for the sound open and every one opened after it.
    virtual void SetSpeed(double Speed) = 0;
    virtual void Close() = 0;
    // Makes what a sound needs before the first is opened; plays nothing.
    virtual void Warm() {}

  signals:
    void Playing();
    void Ended();
    void Failed(const QString& Why);
};

// Makes the engine, on the worker thread that it is to live on.
using MediaEngineFactory = std::function<std::unique_ptr<MediaEngine>()>;

} // namespace quelm
