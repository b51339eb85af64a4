#include "MprisPlayerAdaptor.h"

#include "SegmentPlayer.h"

#include <QDBusError>
#include <QFile>
#include <QFileInfo>
#include <exception>

namespace quelm
{

namespace
{

constexpr qlonglong kMicrosPerMs = 1000;

} // namespace

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService& Service, SegmentPlayer& Player, const MprisService::Hooks& Hooks)
    : QDBusAbstractAdaptor(&Service), m_service(Service), m_player(Player), m_hooks(Hooks)
{
    connect(&m_player, &SegmentPlayer::Seeked, this,
            [this](qint64 Milliseconds) { emit Seeked(Milliseconds * kMicrosPerMs); });
}

QString MprisPlayerAdaptor::PlaybackStatus() const
{
    switch (m_player.CurrentState()) {
    case SegmentPlayer::State::Playing:
        return QStringLiteral("Playing");
    case SegmentPlayer::State::Paused:
        return QStringLiteral("Paused");
    case SegmentPlayer::State::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

double MprisPlayerAdaptor::Rate() const
{
    return m_player.Speed();
}

void MprisPlayerAdaptor::SetRate(double Value)
{
    if (Value <= 0) {
        m_player.Pause();
    } else {
        m_player.SetSpeed(Value);
    }
}

double MprisPlayerAdaptor::MinimumRate()
{
    return SegmentPlayer::kSpeeds.front();
}

double MprisPlayerAdaptor::MaximumRate()
{
    return SegmentPlayer::kSpeeds.back();
}

QDBusObjectPath MprisPlayerAdaptor::CurrentTrackId() const
{
    const auto& current = m_player.Current();
    if (!current) {
        return QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    }
    return QDBusObjectPath(QStringLiteral("/io/github/quelmrdr/message/%1").arg(current->startOffset));
}

QVariantMap MprisPlayerAdaptor::Metadata() const
{
    const auto& current = m_player.Current();
    if (!current) {
        return {};
    }
    const QString recordFile = QFile::decodeName(QByteArray::fromStdString(current->recordFile));
    return {
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(CurrentTrackId())},
        {QStringLiteral("mpris:length"), qlonglong{current->lengthMs} * kMicrosPerMs},
        // The stamp as the list shows it, without the blanks that pad it.
        {QStringLiteral("xesam:title"), QString::fromStdString(current->startStamp).trimmed()},
        {QStringLiteral("xesam:album"), QFileInfo(recordFile).fileName()},
    };
}

qlonglong MprisPlayerAdaptor::Position() const
{
    return m_player.Position() * kMicrosPerMs;
}

bool MprisPlayerAdaptor::CanGoNext() const
{
    return m_hooks.next && m_hooks.canGoNext && m_hooks.canGoNext();
}

bool MprisPlayerAdaptor::CanGoPrevious() const
{
    return m_hooks.previous && m_hooks.canGoPrevious && m_hooks.canGoPrevious();
}

bool MprisPlayerAdaptor::CanPlay() const
{
    return m_player.Active() || (m_hooks.play && m_hooks.canPlay && m_hooks.canPlay());
}

bool MprisPlayerAdaptor::CanPause() const
{
    return m_player.Active();
}

bool MprisPlayerAdaptor::CanSeek() const
{
    return m_player.Active() && m_player.Current() && m_player.Current()->lengthMs > 0;
}

void MprisPlayerAdaptor::Play()
{
    if (m_player.CurrentState() == SegmentPlayer::State::Paused) {
        m_player.Resume();
    } else if (!m_player.Active() && CanPlay()) {
        RunHook(m_hooks.play);
    }
}

void MprisPlayerAdaptor::Pause()
{
    m_player.Pause();
}

void MprisPlayerAdaptor::PlayPause()
{
    if (m_player.CurrentState() == SegmentPlayer::State::Playing) {
        m_player.Pause();
    } else {
        Play();
    }
}

void MprisPlayerAdaptor::Stop()
{
    m_player.StopSound();
}

void MprisPlayerAdaptor::Next()
{
    if (CanGoNext()) {
        RunHook(m_hooks.next);
    }
}

void MprisPlayerAdaptor::Previous()
{
    if (CanGoPrevious()) {
        RunHook(m_hooks.previous);
    }
}

void MprisPlayerAdaptor::Seek(qlonglong Offset)
{
    if (CanSeek()) {
        m_player.SeekBy(Offset / kMicrosPerMs);
    }
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position)
{
    // A position meant for another message, or outside this one, is stale.
    if (!CanSeek() || TrackId != CurrentTrackId() || Position < 0 ||
        Position > qlonglong{m_player.Current()->lengthMs} * kMicrosPerMs) {
        return;
    }
    m_player.SeekTo(Position / kMicrosPerMs);
}

void MprisPlayerAdaptor::OpenUri(const QString& /*Uri*/)
{
    m_service.RefuseCall(QDBusError::errorString(QDBusError::NotSupported),
                         QStringLiteral("record files are opened from the window only"));
}

void MprisPlayerAdaptor::RunHook(const std::function<void()>& Hook)
{
    try {
        Hook();
    } catch (const std::exception& failure) {
        if (!m_service.RefuseCall(QDBusError::errorString(QDBusError::Failed),
                                  QString::fromStdString(failure.what()))) {
            throw;
        }
    }
}

} // namespace quelm
