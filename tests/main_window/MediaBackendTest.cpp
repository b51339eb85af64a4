#include "DisplayFixture.h"
#include "QtMediaBackend.h"
#include "SignalCloser.h"

#include <QTest>
#include <atomic>
#include <csignal>
#include <deque>
#include <mutex>
#include <semaphore>

using namespace quelm::test;

namespace
{

// How each engine made answers, and what the engines were told, shared
// between the worker threads and the test.
struct Script {
    enum class Open { Plays, Fails, Hangs };
    std::mutex mutex;
    std::deque<Open> plans; // one per sound opened; Plays when none is left
    std::vector<std::string> calls;
    std::counting_semaphore<16> opened{0};
    std::binary_semaphore hung{0}; // a hanging open waits on it

    void Call(const std::string& What)
    {
        const std::lock_guard lock(mutex);
        calls.push_back(What);
    }
    Open Next()
    {
        const std::lock_guard lock(mutex);
        const Open plan = plans.empty() ? Open::Plays : plans.front();
        if (!plans.empty()) {
            plans.pop_front();
        }
        return plan;
    }
    std::vector<std::string> Calls()
    {
        const std::lock_guard lock(mutex);
        return calls;
    }
    quelm::MediaEngineFactory Factory()
    {
        return [this] {
            ++made;
            return std::make_unique<Engine>(*this);
        };
    }
    std::atomic<int> made = 0;

    class Engine : public quelm::MediaEngine
    {
      public:
        explicit Engine(Script& Owner) : m_script(Owner) {}
        void Open(const std::string& Path) override
        {
            const Script::Open plan = m_script.Next();
            m_script.Call("open " + Path);
            m_script.opened.release();
            if (plan == Open::Hangs) {
                m_script.hung.acquire();
            }
            if (plan == Open::Fails) {
                emit Failed("the sound cannot be decoded");
                emit Failed("and again"); // Qt's player may say it more than once
            } else {
                emit Playing();
            }
        }
        void Play() override { m_script.Call("play"); }
        void Warm() override { m_script.Call("warm"); }
        void Pause() override { m_script.Call("pause"); }
        void Resume() override { m_script.Call("resume"); }
        void Seek(std::int64_t Milliseconds) override { m_script.Call("seek " + std::to_string(Milliseconds)); }
        void SetSpeed(double Speed) override { m_script.Call("speed " + std::to_string(Speed).substr(0, 3)); }
        void Close() override
        {
            m_script.Call("close");
            emit Ended(); // a report after its sound closed
        }

      private:
        Script& m_script;
    };
};

struct Heard : quelm::MediaListener {
    std::vector<std::string> said;
    void MediaPlaying() override { said.emplace_back("playing"); }
    void MediaEnded() override { said.emplace_back("ended"); }
    void MediaFailed(const std::string& Why) override { said.push_back("failed: " + Why); }
};

// Runs this thread's events until the backend has no command left unanswered.
void Settle(const quelm::QtMediaBackend& Backend)
{
    QTRY_VERIFY(!Backend.Watchdog().isActive());
}

} // namespace

TEST(QtMediaBackend, AHungWorkerIsAbandonedTheSoundFailsAndTheNextGoesToAFreshOne)
{
    Script script;
    script.plans = {Script::Open::Hangs, Script::Open::Plays};
    Heard heard;
    {
        quelm::QtMediaBackend backend(script.Factory());
        backend.SetListener(&heard);
        quelm::MediaLayer layer(backend);
        layer.Send(quelm::SpeedCommand(1.5)); // no sound yet: it holds for the next ones
        layer.Send(quelm::OpenCommand("/a.mp3"));
        layer.Send(quelm::PlayCommand());
        script.opened.acquire();
        QCoreApplication::processEvents();
        EXPECT_TRUE(backend.Watchdog().isActive());

        backend.CheckWorker(); // its time is up
        EXPECT_EQ(heard.said, std::vector<std::string>{"failed: no sound output"});
        EXPECT_EQ(quelm::QtMediaBackend::StuckWorkers(), 1);
        EXPECT_FALSE(backend.Watchdog().isActive());

        layer.Send(quelm::CloseCommand());
        layer.Send(quelm::OpenCommand("/b.mp3"));
        layer.Send(quelm::PlayCommand());
        layer.Send(quelm::SeekCommand(2500));
        layer.Send(quelm::PauseCommand());
        Settle(backend);
        EXPECT_EQ(heard.said, (std::vector<std::string>{"failed: no sound output", "playing"}));

        script.hung.release(); // the old worker comes back: nothing of it is heard or done
        QTRY_COMPARE(quelm::QtMediaBackend::StuckWorkers(), 0);
        layer.Send(quelm::CloseCommand());
        Settle(backend);
    }
    EXPECT_EQ(heard.said, (std::vector<std::string>{"failed: no sound output", "playing"}));
    EXPECT_EQ(script.Calls(), (std::vector<std::string>{"speed 1.5", "open /a.mp3", "speed 1.5", "open /b.mp3", "play",
                                                        "seek 2500", "pause", "close"}));
}

TEST(QtMediaBackend, OnlyTheSoundOpenNowIsHeardOfAndAFailureOnce)
{
    Script script;
    script.plans = {Script::Open::Fails};
    Heard heard;
    quelm::QtMediaBackend backend(script.Factory());
    backend.SetListener(&heard);

    backend.Open("mysound", "/bad.mp3");
    backend.Play("mysound");
    Settle(backend);
    EXPECT_EQ(heard.said, std::vector<std::string>{"failed: the sound cannot be decoded"});
    backend.Close("mysound"); // the engine's report after the close is dropped

    // Sound 2 reports while sound 3 replaces it.
    backend.Open("mysound", "/two.mp3");
    script.opened.acquire();
    script.opened.acquire();
    backend.Close("mysound");
    backend.Open("mysound", "/three.mp3");
    Settle(backend);
    EXPECT_EQ(heard.said, (std::vector<std::string>{"failed: the sound cannot be decoded", "playing"}));
    EXPECT_EQ(script.Calls(), (std::vector<std::string>{"open /bad.mp3", "play", "close", "open /two.mp3", "close",
                                                        "open /three.mp3"}));
}

TEST(QtMediaBackend, WarmingMakesTheEngineAheadOfTheFirstSoundWhichPlaysOnIt)
{
    Script script;
    Heard heard;
    quelm::QtMediaBackend backend(script.Factory());
    backend.SetListener(&heard);
    backend.Warm();
    Settle(backend);
    EXPECT_EQ(script.Calls(), std::vector<std::string>{"warm"});
    EXPECT_TRUE(heard.said.empty());

    backend.Open("mysound", "/a.mp3");
    backend.Play("mysound");
    Settle(backend);
    EXPECT_EQ(heard.said, std::vector<std::string>{"playing"});
    EXPECT_EQ(script.Calls(), (std::vector<std::string>{"warm", "open /a.mp3", "play"}));
    EXPECT_EQ(script.made, 1);
}

// A player stuck in the sound server leaves the window free: a termination
// signal still closes it, and its sound is closed behind the stuck command.
TEST_F(DisplayTest, ASignalClosesTheWindowWhileThePlayerHangs)
{
    Script script;
    script.plans = {Script::Open::Hangs};
    quelm::QtMediaBackend stuck(script.Factory());
    display = std::make_unique<quelm::Display>(&stuck);
    quelm::SignalCloser closer(*display);
    Load(Segments({5}));
    display->show();
    display->ListView_ItemClick(1);
    script.opened.acquire();

    std::raise(SIGTERM);
    QTRY_VERIFY(!display->isVisible());
    EXPECT_EQ(closer.Received(), SIGTERM);
    EXPECT_EQ(Sent().back(), "close mysound");
    script.hung.release();
    Settle(stuck);
    EXPECT_EQ(script.Calls().back(), "close");
    display.reset();
}
