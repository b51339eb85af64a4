#include "MediaWorker.h"

#include "QtMediaEngine.h"

namespace quelm
{

MediaWorker::MediaWorker(MediaEngineFactory Factory) : m_factory(std::move(Factory))
{
}

MediaWorker::~MediaWorker() = default;

void MediaWorker::Run(quint64 Sequence, const Command& Work)
{
    if (m_abandoned) {
        return;
    }
    try {
        Work(*this);
    } catch (...) {
        // An engine that throws has made no sound; the sound was not started.
        if (m_sound != 0) {
            emit Failed(m_sound, QStringLiteral("no sound output"));
            m_sound = 0;
        }
    }
    emit Answered(Sequence);
}

MediaEngine& MediaWorker::Engine()
{
    if (m_engine == nullptr) {
        m_engine = m_factory ? m_factory() : std::make_unique<QtMediaEngine>();
        // Same thread: each report leaves with the number of the sound open
        // when the engine made it.
        connect(m_engine.get(), &MediaEngine::Playing, this, [this] {
            if (m_sound != 0 && !m_abandoned) {
                emit Playing(m_sound);
            }
        });
        connect(m_engine.get(), &MediaEngine::Ended, this, [this] {
            if (m_sound != 0 && !m_abandoned) {
                emit Ended(m_sound);
            }
        });
        connect(m_engine.get(), &MediaEngine::Failed, this, [this](const QString& Why) {
            if (m_sound != 0 && !m_abandoned) {
                emit Failed(m_sound, Why);
            }
        });
    }
    return *m_engine;
}

void MediaWorker::Open(quint64 Sound, const std::string& Path)
{
    m_sound = Sound;
    Engine().Open(Path);
}

void MediaWorker::Close()
{
    m_sound = 0;
    if (m_engine != nullptr) {
        m_engine->Close();
    }
}

} // namespace quelm
