#include "QtMediaBackend.h"

#include "GstAudio.h"
#include "MediaWorker.h"
#include "QtMediaEngine.h"

#include <QSemaphore>
#include <QThread>
#include <atomic>
#include <memory>

namespace quelm
{

namespace
{

std::atomic<int> g_stuckWorkers = 0;

constexpr int kRunning = 0;
constexpr int kAbandoned = 1;
constexpr int kEnded = 2;

} // namespace

QtMediaBackend::QtMediaBackend(QObject* Parent) : QtMediaBackend(MediaEngineFactory(), Parent)
{
}

QtMediaBackend::QtMediaBackend(MediaEngineFactory Factory, QObject* Parent)
    : QObject(Parent), m_factory(std::move(Factory))
{
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, &QtMediaBackend::CheckWorker);
}

QtMediaBackend::~QtMediaBackend()
{
    if (m_worker == nullptr) {
        return;
    }
    disconnect(m_worker, nullptr, this, nullptr);
    // The thread's end deletes the worker and its engine there; the commands
    // still queued are dropped, the engine closes what it has open.
    m_worker->Abandon();
    m_thread->quit();
    if (m_thread->wait(kAnswerMs)) {
        delete m_thread;
        return;
    }
    LeaveThread();
}

int QtMediaBackend::StuckWorkers()
{
    return g_stuckWorkers.load();
}

void QtMediaBackend::StartWorker()
{
    m_thread = new QThread;
    m_thread->setObjectName("media worker");
    m_worker = new MediaWorker(m_factory);
    m_worker->moveToThread(m_thread);
    m_threadState = std::make_shared<std::atomic<int>>(kRunning);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(
        m_thread, &QThread::finished, m_thread,
        [state = m_threadState] {
            if (state->exchange(kEnded) == kAbandoned) {
                --g_stuckWorkers;
            }
        },
        Qt::DirectConnection);
    connect(m_worker, &MediaWorker::Answered, this, &QtMediaBackend::Worker_Answered);
    connect(m_worker, &MediaWorker::Playing, this, &QtMediaBackend::Worker_Playing);
    connect(m_worker, &MediaWorker::Ended, this, &QtMediaBackend::Worker_Ended);
    connect(m_worker, &MediaWorker::Failed, this, &QtMediaBackend::Worker_Failed);
    m_thread->start();
    Post([](MediaWorker& Worker) { Worker.Engine(); });
    m_watchdog.start(kStartMs);
    if (m_speed != 1.0) {
        const double speed = m_speed;
        Post([speed](MediaWorker& Worker) { Worker.Engine().SetSpeed(speed); });
    }
}

void QtMediaBackend::Post(const std::function<void(MediaWorker&)>& Work)
{
    if (m_worker == nullptr) {
        return;
    }
    const quint64 sequence = ++m_sent;
    MediaWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, sequence, Work] { worker->Run(sequence, Work); }, Qt::QueuedConnection);
    if (!m_watchdog.isActive()) {
        m_watchdog.start(kAnswerMs);
    }
}

void QtMediaBackend::Worker_Answered(quint64 Sequence)
{
    if (Sequence <= m_answered) {
        return;
    }
    m_answered = Sequence;
    if (m_answered == m_sent) {
        m_watchdog.stop();
    } else {
        m_watchdog.start(kAnswerMs); // the worker lives: the next command gets its full time
    }
}

void QtMediaBackend::CheckWorker()
{
    if (m_worker == nullptr || m_answered == m_sent) {
        return;
    }
    Abandon();
    if (m_open != 0) {
        Worker_Failed(m_open, QStringLiteral("no sound output"));
    }
}

void QtMediaBackend::Abandon()
{
    // Its thread is not told to quit before this: the worker is still there.
    m_worker->Abandon();
    disconnect(m_worker, nullptr, this, nullptr);
    m_thread->quit();
    LeaveThread();
    m_worker = nullptr;
    m_answered = m_sent;
    m_watchdog.stop();
}

void QtMediaBackend::LeaveThread()
{
    ++g_stuckWorkers;
    int running = kRunning;
    if (!m_threadState->compare_exchange_strong(running, kAbandoned)) {
        --g_stuckWorkers; // it has just ended
    }
    // Deleted once its thread ends, if it ever does.
    QThread* thread = m_thread;
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    if (m_threadState->load() == kEnded) {
        thread->deleteLater();
    }
    m_thread = nullptr;
    m_threadState.reset();
}

void QtMediaBackend::Open(const std::string&, const std::string& Path)
{
    if (m_worker == nullptr) {
        StartWorker();
    }
    m_open = ++m_sounds;
    const quint64 sound = m_open;
    Post([sound, Path](MediaWorker& Worker) { Worker.Open(sound, Path); });
}

void QtMediaBackend::Warm()
{
    if (m_worker == nullptr) {
        StartWorker();
    }
    Post([](MediaWorker& Worker) { Worker.Engine().Warm(); });
}

void QtMediaBackend::Play(const std::string&)
{
    Post([](MediaWorker& Worker) { Worker.Engine().Play(); });
}

void QtMediaBackend::Close(const std::string&)
{
    m_open = 0;
    Post([](MediaWorker& Worker) { Worker.Close(); });
}

void QtMediaBackend::Pause(const std::string&)
{
    Post([](MediaWorker& Worker) { Worker.Engine().Pause(); });
}

void QtMediaBackend::Resume(const std::string&)
{
    Post([](MediaWorker& Worker) { Worker.Engine().Resume(); });
}

void QtMediaBackend::Seek(const std::string&, std::int64_t Milliseconds)
{
    Post([Milliseconds](MediaWorker& Worker) { Worker.Engine().Seek(Milliseconds); });
}

void QtMediaBackend::SetGain(const std::string&, double Gain)
{
    // A property of the decoders' volume: nothing here waits on the sound
    // server, and a worker that hangs does not keep the next sound's gain.
    GstAudio::SetGain(Gain);
}

void QtMediaBackend::SetSpeed(const std::string&, double Speed)
{
    m_speed = Speed; // a fresh worker is told first
    Post([Speed](MediaWorker& Worker) { Worker.Engine().SetSpeed(Speed); });
}

void QtMediaBackend::Worker_Playing(quint64 Sound)
{
    if (Sound == m_open && m_listener != nullptr) {
        m_listener->MediaPlaying();
    }
}

void QtMediaBackend::Worker_Ended(quint64 Sound)
{
    if (Sound == m_open && m_listener != nullptr) {
        m_listener->MediaEnded();
    }
}

void QtMediaBackend::Worker_Failed(quint64 Sound, const QString& Why)
{
    if (Sound != m_open) {
        return;
    }
    m_open = 0; // nothing more is heard of a sound that failed
    if (m_listener != nullptr) {
        m_listener->MediaFailed(Why.toStdString());
    }
}

QMediaPlayer* QtMediaBackend::Player()
{
    if (m_worker == nullptr) {
        return nullptr;
    }
    // Queued behind every command sent: once it runs, they have.
    auto done = std::make_shared<QSemaphore>();
    MediaWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [done] { done->release(); }, Qt::QueuedConnection);
    if (!done->tryAcquire(1, kAnswerMs)) {
        return nullptr;
    }
    auto* engine = qobject_cast<QtMediaEngine*>(worker->MadeEngine());
    return engine == nullptr ? nullptr : engine->Player();
}

} // namespace quelm
