#include "Follower.h"

#include "Messages.h"
#include "RowStream.h"
#include "mapped_file/Signals.h"
#include "record/Scanner.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <sys/stat.h>

namespace quelm::cli
{

namespace
{

bool Interrupted()
{
    return Signals::CaughtStop() != 0;
}

bool IsGone(const std::string& File)
{
    struct stat info = {};
    return ::stat(File.c_str(), &info) != 0 && errno == ENOENT;
}

struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
};

FileState StateOf(const std::string& File)
{
    struct stat info = {};
    if (::stat(File.c_str(), &info) != 0) {
        return {};
    }
    return {info.st_dev, info.st_ino, info.st_size};
}

// A read that failed because the recorder cut the file short or put a new
// one in its place meanwhile is no failure for good: the file is read anew.
bool ShrankOrReplaced(const FileState& Before, const std::string& File)
{
    const FileState now = StateOf(File);
    return now.device != Before.device || now.inode != Before.inode || now.size < Before.size;
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
        for (;;) {
            const FileState before = StateOf(m_file);
            m_hooks.beginFile();
            stream.Restart();
            const std::string failure = Attempt([&] { scanner.Look4Frame(m_file); });
            const bool done = failure.empty() || scanner.CanResume();
            if (!done && !Interrupted() && !IsGone(m_file) && ShrankOrReplaced(before, m_file)) {
                // The rows still held describe bytes that are gone: nothing
                // can be saved from them.
                Complain(m_out, m_file + " shrank or was replaced while it was read: reading it anew");
                continue;
            }
            stepDone();
            if (!done) {
                Complain(m_out, failure);
            }
            return done;
        }
    };

    if (!scanAnew()) {
        return false;
    }
    while (!Interrupted()) {
        Pause();
        if (Interrupted()) {
            break;
        }
        if (IsGone(m_file)) {
            wait();
            continue;
        }
        ResumeResult result = ResumeResult::Unchanged;
        const FileState before = StateOf(m_file);
        const std::string failure = Attempt([&] { result = scanner.Resume(m_file); });
        if (!failure.empty()) {
            if (IsGone(m_file)) {
                wait();
                continue;
            }
            if (!ShrankOrReplaced(before, m_file)) {
                Complain(m_out, failure);
                return false;
            }
            result = ResumeResult::Restart;
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
