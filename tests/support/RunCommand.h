#pragma once

#include "TempDir.h"

#include <string>
#include <sys/wait.h>

namespace quelm::test
{

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a shell command line, capturing stdout and stderr apart.
inline CommandResult RunCommand(const std::string& CommandLine)
{
    TempDir dir;
    const std::string out = dir.Path("out");
    const std::string err = dir.Path("err");
    const int raw = std::system((CommandLine + " >'" + out + "' 2>'" + err + "' </dev/null").c_str());
    CommandResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    return result;
}

inline std::string Quote(const std::string& Text)
{
    std::string quoted = "'";
    for (const char c : Text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

} // namespace quelm::test
