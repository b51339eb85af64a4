#include "Follower.h"

#include "Messages.h"
#include "RowStream.h"
#include "record/Scanner.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <sys/stat.h>

namespace quelm::cli
{

namespace
{

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnStopSignal(int)
{
    g_interrupted = 1;
}

// SIGINT and SIGTERM end the following, not the program, so that what was
// found is written out and the run ends normally.
void CatchStopSignals()
{
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool IsGone(const std::string& File)
{
    struct stat info = {};
    return ::stat(File.c_str(), &info) != 0 && errno == ENOENT;
}

// Long enough to cost nothing, short enough that a new row shows well
// within a second of its end marker. A signal cuts it short.
void Pause()
{
    const timespec interval{0, 200'000'000};
    ::nanosleep(&interval, nullptr);
}

} // namespace

Follower::Follower(std::string File, bool FilterOn, std::int32_t FilterSeconds, RowSink& Sink, CheckedOutput& Out,
                   Hooks Steps)
    : m_file(std::move(File)), m_filterOn(FilterOn), m_filterSeconds(FilterSeconds), m_sink(Sink), m_out(Out),
      m_hooks(std::move(Steps))
{
}

bool Follower::Run()
{
    CatchStopSignals();
    SegmentTable table;
    RowStream stream(m_filterOn, m_filterSeconds, table, m_sink, true);
    Scanner scanner(table, stream);
    bool gone = false;
    const auto wait = [&] {
        if (!gone) {
            Complain(m_out, m_file + " is gone; waiting for it");
        }
        gone = true;
    };
    const auto stepDone = [&] {
        stream.EndProgress();
        stream.Emit(false);
        m_hooks.stepDone();
    };
    // A scan that stops at a marker cut off by the end of the file is no
    // failure here: the recorder is still writing it.
    const auto scanAnew = [&] {
        m_hooks.beginFile();
        stream.Restart();
        const std::string failure = Attempt([&] { scanner.Look4Frame(m_file); });
        stepDone();
        if (failure.empty() || scanner.CanResume()) {
            return true;
        }
        Complain(m_out, failure);
        return false;
    };

    if (!scanAnew()) {
        return false;
    }
    while (g_interrupted == 0) {
        Pause();
        if (g_interrupted != 0) {
            break;
        }
        if (IsGone(m_file)) {
            wait();
            continue;
        }
        ResumeResult result = ResumeResult::Unchanged;
        const std::string failure = Attempt([&] { result = scanner.Resume(m_file); });
        if (!failure.empty()) {
            if (IsGone(m_file)) {
                wait();
                continue;
            }
            Complain(m_out, failure);
            return false;
        }
        if (result == ResumeResult::Restart) {
            Complain(m_out, m_file + (gone ? " is back" : " shrank or was replaced") + ": reading it anew");
            gone = false;
            if (!scanAnew()) {
                if (IsGone(m_file)) {
                    wait();
                    continue;
                }
                return false;
            }
        } else if (result == ResumeResult::Grown) {
            stepDone();
        }
    }
    return true;
}

} // namespace quelm::cli
