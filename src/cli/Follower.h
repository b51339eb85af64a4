#pragma once

#include "CheckedOutput.h"
#include "RowSink.h"

#include <cstdint>
#include <functional>
#include <string>

namespace quelm::cli
{

// Follows a record file that a recorder is still writing, like tail -f:
// after a whole scan, only the bytes appended since are scanned, every
// 200 ms, and each row goes to the sink as soon as it has its end (or a
// later row has started), again when a later marker changes it. A file that
// shrinks or is replaced (another file at the path: the recorder started a
// new one) is said so and read anew; a file that goes away is waited for
// (record/FollowedFile.h decides which). Runs until SIGINT or SIGTERM; a
// second one, or SIGHUP, ends the process at once (mapped_file/Signals.h).
class Follower
{
  public:
    struct Hooks {
        // Before the rows of the file, and again when it is read anew.
        std::function<void()> beginFile;
        // After every scan step that found something.
        std::function<void()> stepDone;
    };

    Follower(std::string File, bool FilterOn, std::int32_t FilterSeconds, RowSink& Sink, CheckedOutput& Out,
             Hooks Steps);

    // Follows until interrupted: true. False after a failure for good (the
    // file cannot be read at the start, or the table refused a marker),
    // said on stderr.
    bool Run();

  private:
    std::string m_file;
    bool m_filterOn;
    std::int32_t m_filterSeconds;
    RowSink& m_sink;
    CheckedOutput& m_out;
    Hooks m_hooks;
};

} // namespace quelm::cli
