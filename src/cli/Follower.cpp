#include "Follower.h"

#include "Messages.h"
#include "RowStream.h"
#include "mapped_file/Signals.h"
#include "record/FollowedFile.h"
#include "record/Scanner.h"

#include <csignal>
#include <ctime>

namespace quelm::cli
{

namespace
{

bool Interrupted()
{
    return Signals::CaughtStop() != 0;
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
    // SIGINT and SIGTERM end the following, not the program, so that what
    // was found is written out and the run ends normally.
    Signals::CatchStop({SIGINT, SIGTERM});
    SegmentTable table;
    RowStream stream(m_filterOn, m_filterSeconds, table, m_sink, true);
    Scanner scanner(table, stream);
    stream.StopOnSignal(scanner);
    FollowedFile followed(scanner, m_file);
    using ReadEnd = FollowedFile::ReadEnd;
    const auto waiting = [&] { Complain(m_out, m_file + " is gone; waiting for it"); };
    const auto stepDone = [&] {
        stream.EndProgress();
        stream.Emit(false);
        m_hooks.stepDone();
    };
    // Reads the file anew, again as long as it shrinks or is replaced while
    // it is read, and says why when it could not.
    const auto readAnew = [&] {
        for (;;) {
            m_hooks.beginFile();
            stream.Restart();
            FollowedFile::Reading reading;
            const std::string thrown = Attempt([&] { reading = followed.ReadAnew(); });
            if (!thrown.empty()) {
                reading = {ReadEnd::Failed, thrown};
            }
            if (reading.end == ReadEnd::ChangedWhileRead && !Interrupted()) {
                // The rows still held describe bytes that are gone: nothing
                // can be saved from them.
                Complain(m_out, m_file + " shrank or was replaced while it was read: reading it anew");
                continue;
            }
            stepDone();
            if (reading.end != ReadEnd::Read) {
                Complain(m_out, reading.failure);
            }
            return reading.end;
        }
    };

    if (readAnew() != ReadEnd::Read) {
        return false;
    }
    while (!Interrupted()) {
        Pause();
        if (Interrupted()) {
            break;
        }
        // A reader that went away ends the run, as it ends tail -f.
        m_out.CheckReader();
        FollowedFile::Step step;
        const std::string failure = Attempt([&] { step = followed.Check(); });
        if (!failure.empty()) {
            Complain(m_out, failure);
            return false;
        }
        if (step.change == FollowedFile::Change::Gone) {
            waiting();
        } else if (step.ReadAnew()) {
            Complain(m_out, m_file + (step.back ? " is back" : " shrank or was replaced") + ": reading it anew");
            const ReadEnd end = readAnew();
            if (end == ReadEnd::Gone) {
                waiting();
            } else if (end != ReadEnd::Read) {
                return false;
            }
        } else if (step.change == FollowedFile::Change::Grown) {
            stepDone();
        }
    }
    return true;
}

} // namespace quelm::cli
