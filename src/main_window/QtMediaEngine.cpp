#include "QtMediaEngine.h"

#include "GstAudio.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFile>
#include <QMediaDevices>
#include <QUrl>
#include <fcntl.h>
#include <unistd.h>

namespace quelm
{

namespace
{

constexpr qint64 kRateAfterMs = 300;

const QString kNoOutput = QStringLiteral("no sound output");

} // namespace

QtMediaEngine::QtMediaEngine(QObject* Parent) : MediaEngine(Parent)
{
    GstAudio::KeepPitch();
    m_startDeadline.setSingleShot(true);
    m_startDeadline.setInterval(kStartMs);
    connect(&m_startDeadline, &QTimer::timeout, this, &QtMediaEngine::StartDeadline_Timeout);
}

QtMediaEngine::~QtMediaEngine()
{
    DeletePlayer(m_retiredPlayer, m_retiredOutput);
    if (m_player != nullptr) {
        m_player->stop();
        m_player->setSource(QUrl());
    }
    DeletePlayer(m_player, m_output);
}

void QtMediaEngine::DeletePlayer(QMediaPlayer* Player, QAudioOutput* Output)
{
    delete Player;
    delete Output;
}

void QtMediaEngine::MakePlayer()
{
    // A player is deleted only long after its source was emptied: GStreamer's
    // PulseAudio sink, deleted while it held a stream, leaves the sinks made
    // after it silent.
    DeletePlayer(m_retiredPlayer, m_retiredOutput);
    m_retiredPlayer = m_player;
    m_retiredOutput = m_output;
    if (m_retiredPlayer != nullptr) {
        disconnect(m_retiredPlayer, nullptr, this, nullptr);
        m_retiredPlayer->stop();
        m_retiredPlayer->setSource(QUrl());
    }
    m_player = new QMediaPlayer;
    m_output = new QAudioOutput;
    m_player->setAudioOutput(m_output);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &QtMediaEngine::Player_MediaStatusChanged);
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, &QtMediaEngine::Player_PlaybackStateChanged);
    connect(m_player, &QMediaPlayer::errorOccurred, this, &QtMediaEngine::Player_ErrorOccurred);
    // A rate set before the sound is well under way silences it (the
    // stretcher's flush at the stream's start): it is set a moment in, as
    // a change mid-way is.
    connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 Position) {
        if (m_rateDue && Position >= kRateAfterMs) {
            m_rateDue = false;
            m_player->setPlaybackRate(m_speed);
        }
    });
    m_spoiled = false;
}

void QtMediaEngine::Warm()
{
    // The player opens no sound output before it plays.
    if (m_player == nullptr) {
        MakePlayer();
    }
    GstAudio::LoadPlugins();
}

void QtMediaEngine::Open(const std::string& Path)
{
    Close();
    if (m_player == nullptr || m_spoiled) {
        MakePlayer();
    }
    m_path = Path;
    m_loaded = false;
    m_started = false;
    m_rateDue = false;
    m_failed = false;
    m_pendingSeek.reset();
    // Qt takes a rate only once the sound has loaded; one asked before is lost.
    m_player->setPlaybackRate(1.0);
    QString name = QFile::decodeName(QByteArray::fromStdString(Path));
    if (QFile::encodeName(name).toStdString() != Path) {
        // A name that the locale cannot spell would reach the player as
        // another name; the open file reaches it under its /proc name.
        m_fd.Reset(::open(Path.c_str(), O_RDONLY | O_CLOEXEC));
        if (m_fd) {
            name = QString("/proc/self/fd/%1").arg(m_fd.Get());
        }
    }
    m_player->setSource(QUrl::fromLocalFile(name));
    // Knowing no output device, Qt plays into GStreamer's automatic sink,
    // which falls back to a silent one when none opens. The sound still
    // goes on, as into any output; what became of it is said.
    if (!m_failed && QMediaDevices::audioOutputs().isEmpty() && !GstAudio::OutputOpens()) {
        m_spoiled = true;
        Fail(kNoOutput);
    }
}

void QtMediaEngine::Play()
{
    if (m_player != nullptr && !m_path.empty()) {
        if (!m_started && !m_failed) {
            m_startDeadline.start();
        }
        m_player->play();
    }
}

void QtMediaEngine::Pause()
{
    if (m_player != nullptr && !m_path.empty()) {
        m_startDeadline.stop();
        m_player->pause();
    }
}

void QtMediaEngine::Resume()
{
    Play();
}

void QtMediaEngine::Seek(std::int64_t Milliseconds)
{
    if (m_player == nullptr || m_path.empty()) {
        return;
    }
    if (m_loaded) {
        m_player->setPosition(Milliseconds);
    } else {
        m_pendingSeek = Milliseconds;
    }
}

void QtMediaEngine::SetSpeed(double Speed)
{
    m_speed = Speed;
    if (m_player != nullptr && m_started && !m_rateDue) {
        m_player->setPlaybackRate(Speed);
    }
}

void QtMediaEngine::Close()
{
    m_startDeadline.stop();
    if (m_player != nullptr) {
        m_player->stop();
        m_player->setSource(QUrl());
    }
    m_path.clear();
    m_fd.Reset();
}

void QtMediaEngine::Player_MediaStatusChanged(QMediaPlayer::MediaStatus Status)
{
    if (m_path.empty()) {
        return;
    }
    if (Status == QMediaPlayer::BufferedMedia && !m_loaded) {
        m_loaded = true;
        if (m_pendingSeek) {
            m_player->setPosition(*m_pendingSeek);
            m_pendingSeek.reset();
        }
        Player_PlaybackStateChanged(m_player->playbackState());
    } else if (Status == QMediaPlayer::EndOfMedia && !m_failed) {
        emit Ended();
    }
}

void QtMediaEngine::Player_PlaybackStateChanged(QMediaPlayer::PlaybackState State)
{
    if (State == QMediaPlayer::PlayingState && m_loaded && !m_started && !m_failed && !m_path.empty()) {
        m_started = true;
        m_startDeadline.stop();
        m_rateDue = m_speed != 1.0;
        emit Playing();
    }
}

void QtMediaEngine::Player_ErrorOccurred(QMediaPlayer::Error Error)
{
    if (Error == QMediaPlayer::NoError) {
        return;
    }
    m_spoiled = true;
    if (!m_path.empty()) {
        Fail(Reason());
    }
}

void QtMediaEngine::StartDeadline_Timeout()
{
    if (!m_path.empty() && !m_started) {
        m_spoiled = true;
        Fail(kNoOutput);
    }
}

void QtMediaEngine::Fail(const QString& Why)
{
    m_startDeadline.stop();
    if (!m_failed) {
        m_failed = true;
        emit Failed(Why);
    }
}

QString QtMediaEngine::Reason() const
{
    // Qt says most failures as a resource error with GStreamer's words in
    // the user's language; which part failed is found out anew.
    if (!GstAudio::OutputOpens()) {
        return kNoOutput;
    }
    if (::access(m_path.c_str(), R_OK) != 0) {
        return QStringLiteral("the sound file cannot be read");
    }
    return QStringLiteral("the sound cannot be decoded");
}

} // namespace quelm
