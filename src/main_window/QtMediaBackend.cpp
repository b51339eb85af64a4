#include "QtMediaBackend.h"

#include <QAudioOutput>
#include <QFile>
#include <QMediaPlayer>
#include <QUrl>

namespace quelm
{

QtMediaBackend::QtMediaBackend(QObject* Parent) : QObject(Parent)
{
}

QtMediaBackend::~QtMediaBackend() = default;

void QtMediaBackend::Open(const std::string&, const std::string& Path)
{
    // Made on first use: a window that never plays needs no audio device.
    if (m_player == nullptr) {
        m_player = new QMediaPlayer(this);
        m_output = new QAudioOutput(this);
        m_player->setAudioOutput(m_output);
    }
    m_player->setSource(QUrl::fromLocalFile(QFile::decodeName(Path.c_str())));
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
}

} // namespace quelm
