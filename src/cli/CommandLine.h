#pragma once

#include "RowWriter.h"
#include "record/TimeRange.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quelm::cli
{

struct CommandLine {
    enum class Action { Help, Version, List, Save, Split, Mark };
    Action action = Action::Help;
    bool filterOn = true;
    std::int32_t filterSeconds = 2;
    RowFormat format = RowFormat::Table;
    bool timeline = false; // JSON and CSV: the audio time of each message
    bool loudness = false; // JSON and CSV: each message's loudness
    bool follow = false;
    TimeRange timeRange; // --from and --to
    std::vector<std::string> recordFiles;
    std::int32_t record = 0;
    // save: several messages into one file, those of FIRST-LAST (record is
    // FIRST) that --from and --to keep; without LAST, up to the last row.
    bool rangeSave = false;
    std::optional<std::int32_t> lastRecord;
    std::string timeRangeText; // --from and --to as given, for messages
    std::string output;
    std::string directory = ".";
    // mark: what changes; nothing where the mark stays as it is.
    std::optional<bool> star;
    std::optional<bool> heard;
    std::optional<std::string> note;
    // list: only the starred, only the unheard messages.
    bool starredOnly = false;
    bool unheardOnly = false;
};

// Throws a Failure of the kind Usage for anything that is not a valid
// command line.
CommandLine ParseCommandLine(const std::vector<std::string>& Arguments);

const char* UsageText();

} // namespace quelm::cli
