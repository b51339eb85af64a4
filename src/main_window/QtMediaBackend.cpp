#include "QtMediaBackend.h"

#include <QAudioOutput>
#include <QFile>
#include <QMediaPlayer>
#include <QUrl>
#include <fcntl.h>
#include <unistd.h>

namespace quelm
{

QtMediaBackend::QtMediaBackend(QObject* Parent) : QObject(Parent)
{
}

QtMediaBackend::~QtMediaBackend()
{
    ReleaseFile();
}

void QtMediaBackend::Open(const std::string&, const std::string& Path)
{
    // Made on first use: a window that never plays needs no audio device.
    if (m_player == nullptr) {
        m_player = new QMediaPlayer(this);
        m_output = new QAudioOutput(this);
        m_player->setAudioOutput(m_output);
    }
    ReleaseFile();
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
}

void QtMediaBackend::ReleaseFile()
{
    m_fd.Reset();
}

void QtMediaBackend::Play(const std::string&)
{
    if (m_player != nullptr) {
        m_player->play();
    }
}

void QtMediaBackend::Close(const std::string&)
{
    if (m_player != nullptr) {
        m_player->stop();
        m_player->setSource(QUrl());
    }
    ReleaseFile();
}

} // namespace quelm
