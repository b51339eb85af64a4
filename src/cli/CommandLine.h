#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quelm::cli
{

struct CommandLine {
    enum class Action { Help, Version, List, Save, Split };
    Action action = Action::Help;
    bool filterOn = true;
    std::int32_t filterSeconds = 2;
    bool json = false;
    bool csv = false;
    bool follow = false;
    std::vector<std::string> recordFiles;
    std::int32_t record = 0;
    std::string output;
    std::string directory = ".";
};

// Throws UsageError for anything that is not a valid command line.
class UsageError : public std::exception
{
  public:
    explicit UsageError(std::string Message) : m_message(std::move(Message)) {}
    const char* what() const noexcept override { return m_message.c_str(); }

  private:
    std::string m_message;
};

CommandLine ParseCommandLine(const std::vector<std::string>& Arguments);

const char* UsageText();

} // namespace quelm::cli
