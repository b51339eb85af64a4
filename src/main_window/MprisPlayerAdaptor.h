#pragma once

#include "MprisService.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QVariantMap>
#include <functional>

namespace quelm
{

class SegmentPlayer;

// The org.mpris.MediaPlayer2.Player interface over the window's player.
// Times on the bus are microseconds, the player's milliseconds.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(double MinimumRate READ MinimumRate)
    Q_PROPERTY(double MaximumRate READ MaximumRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
  public:
    MprisPlayerAdaptor(MprisService& Service, SegmentPlayer& Player, const MprisService::Hooks& Hooks);

    QString PlaybackStatus() const;
    double Rate() const;
    // A rate of 0 pauses; any other is taken as the nearest speed.
    void SetRate(double Value);
    static double MinimumRate();
    static double MaximumRate();
    QVariantMap Metadata() const;
    static double Volume() { return 1.0; }
    qlonglong Position() const;
    bool CanGoNext() const;
    bool CanGoPrevious() const;
    bool CanPlay() const;
    bool CanPause() const;
    bool CanSeek() const;
    static bool CanControl() { return true; }

    // The track id of the message played last.
    QDBusObjectPath CurrentTrackId() const;

  public slots:
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);
    void OpenUri(const QString& Uri);

  signals:
    void Seeked(qlonglong Position);

  private:
    // Runs a hook of the window; a failure goes back to the caller.
    void RunHook(const std::function<void()>& Hook);

    MprisService& m_service;
    SegmentPlayer& m_player;
    const MprisService::Hooks& m_hooks;
};

} // namespace quelm
