#include "MediaCommand.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace quelm
{

namespace
{

bool EqualsIgnoringCase(std::string_view A, std::string_view B)
{
    if (A.size() != B.size()) {
        return false;
    }
    for (std::size_t i = 0; i < A.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(A[i])) != std::tolower(static_cast<unsigned char>(B[i]))) {
            return false;
        }
    }
    return true;
}

std::string_view Trim(std::string_view Text)
{
    while (!Text.empty() && Text.front() == ' ') {
        Text.remove_prefix(1);
    }
    while (!Text.empty() && Text.back() == ' ') {
        Text.remove_suffix(1);
    }
    return Text;
}

// "seek ALIAS to MS", "set ALIAS speed N" or "setaudio ALIAS volume to N":
// ALIAS, a word or two, a whole number.
MediaCommand ParseValueCommand(MediaCommand::Kind Kind, std::string_view Rest)
{
    MediaCommand command;
    const auto first = Rest.find(' ');
    if (first == std::string_view::npos) {
        return command;
    }
    const std::string_view alias = Rest.substr(0, first);
    const std::string_view tail = Trim(Rest.substr(first));
    const auto second = tail.find(' ');
    const std::string_view word = Kind == MediaCommand::Kind::Seek    ? "to"
                                  : Kind == MediaCommand::Kind::Speed ? "speed"
                                                                      : "volume";
    if (second == std::string_view::npos || !EqualsIgnoringCase(tail.substr(0, second), word)) {
        return command;
    }
    std::string_view number = Trim(tail.substr(second));
    if (Kind == MediaCommand::Kind::Gain) {
        const auto blank = number.find(' ');
        if (blank == std::string_view::npos || !EqualsIgnoringCase(number.substr(0, blank), "to")) {
            return command;
        }
        number = Trim(number.substr(blank));
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size() || value < 0 ||
        (Kind == MediaCommand::Kind::Speed && value == 0)) {
        return command;
    }
    command.kind = Kind;
    command.alias = alias;
    command.value = value;
    return command;
}

} // namespace

MediaCommand ParseMediaCommand(std::string_view Text)
{
    MediaCommand command;
    Text = Trim(Text);
    const auto blank = Text.find(' ');
    const std::string_view verb = Text.substr(0, blank);
    const std::string_view rest = blank == std::string_view::npos ? std::string_view() : Trim(Text.substr(blank));
    if (EqualsIgnoringCase(verb, "close") || EqualsIgnoringCase(verb, "play")) {
        if (rest.empty() || rest.find(' ') != std::string_view::npos) {
            return command;
        }
        command.kind = EqualsIgnoringCase(verb, "close") ? MediaCommand::Kind::Close : MediaCommand::Kind::Play;
        command.alias = rest;
        return command;
    }
    if (EqualsIgnoringCase(verb, "pause") || EqualsIgnoringCase(verb, "resume")) {
        if (rest.empty() || rest.find(' ') != std::string_view::npos) {
            return command;
        }
        command.kind = EqualsIgnoringCase(verb, "pause") ? MediaCommand::Kind::Pause : MediaCommand::Kind::Resume;
        command.alias = rest;
        return command;
    }
    if (EqualsIgnoringCase(verb, "seek") || EqualsIgnoringCase(verb, "set") || EqualsIgnoringCase(verb, "setaudio")) {
        const auto kind = EqualsIgnoringCase(verb, "seek")  ? MediaCommand::Kind::Seek
                          : EqualsIgnoringCase(verb, "set") ? MediaCommand::Kind::Speed
                                                            : MediaCommand::Kind::Gain;
        return ParseValueCommand(kind, rest);
    }
    if (!EqualsIgnoringCase(verb, "open")) {
        return command;
    }
    // open PATH  Alias NAME, the path quoted when it holds a blank or a quote.
    std::string_view path;
    std::string_view tail;
    std::string unquoted;
    if (!rest.empty() && rest.front() == '"') {
        // Inside the quotes a backslash takes the next character as it is.
        std::size_t at = 1;
        for (; at < rest.size() && rest[at] != '"'; ++at) {
            if (rest[at] == '\\' && at + 1 < rest.size()) {
                ++at;
            }
            unquoted += rest[at];
        }
        if (at >= rest.size()) {
            return command;
        }
        path = unquoted;
        tail = Trim(rest.substr(at + 1));
    } else {
        const auto space = rest.find(' ');
        if (space == std::string_view::npos) {
            return command;
        }
        path = rest.substr(0, space);
        tail = Trim(rest.substr(space));
    }
    const auto aliasBlank = tail.find(' ');
    if (path.empty() || aliasBlank == std::string_view::npos ||
        !EqualsIgnoringCase(tail.substr(0, aliasBlank), "alias")) {
        return command;
    }
    const std::string_view alias = Trim(tail.substr(aliasBlank));
    if (alias.empty() || alias.find(' ') != std::string_view::npos) {
        return command;
    }
    command.kind = MediaCommand::Kind::Open;
    command.path = path;
    command.alias = alias;
    return command;
}

std::string CloseCommand()
{
    return "close " + std::string(kSoundAlias);
}

std::string OpenCommand(const std::string& Path)
{
    if (Path.find_first_of(" \"") == std::string::npos) {
        return "open " + Path + "  Alias " + std::string(kSoundAlias);
    }
    std::string quoted = "\"";
    for (const char c : Path) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return "open " + quoted + "\"  Alias " + std::string(kSoundAlias);
}

std::string PlayCommand()
{
    return "play " + std::string(kSoundAlias);
}

std::string PauseCommand()
{
    return "pause " + std::string(kSoundAlias);
}

std::string ResumeCommand()
{
    return "resume " + std::string(kSoundAlias);
}

std::string SeekCommand(std::int64_t Milliseconds)
{
    std::string text = "seek ";
    text.append(kSoundAlias).append(" to ").append(std::to_string(std::max<std::int64_t>(Milliseconds, 0)));
    return text;
}

std::string SpeedCommand(double Speed)
{
    std::string text = "set ";
    const auto thousandths = static_cast<std::int64_t>(std::lround(std::clamp(Speed, 0.001, 1000.0) * 1000));
    text.append(kSoundAlias).append(" speed ").append(std::to_string(thousandths));
    return text;
}

std::string GainCommand(double Gain)
{
    std::string text = "setaudio ";
    const auto thousandths = static_cast<std::int64_t>(std::lround(std::clamp(Gain, 0.0, 1000.0) * 1000));
    text.append(kSoundAlias).append(" volume to ").append(std::to_string(thousandths));
    return text;
}

void MediaLayer::Send(std::string_view Command) noexcept
{
    try {
        if (m_sent.size() == kKeptCommands) {
            m_sent.erase(m_sent.begin());
        }
        m_sent.emplace_back(Command);
        const MediaCommand command = ParseMediaCommand(Command);
        switch (command.kind) {
        case MediaCommand::Kind::Close:
            if (command.alias == m_openAlias) {
                m_openAlias.clear();
                m_backend.Close(command.alias);
            }
            break;
        case MediaCommand::Kind::Open:
            if (!m_openAlias.empty()) {
                break; // the alias is taken until it is closed
            }
            m_backend.Open(command.alias, command.path);
            m_openAlias = command.alias;
            break;
        case MediaCommand::Kind::Play:
            if (command.alias == m_openAlias) {
                m_backend.Play(command.alias);
            }
            break;
        case MediaCommand::Kind::Pause:
        case MediaCommand::Kind::Resume:
        case MediaCommand::Kind::Seek:
            if (command.alias == m_openAlias) {
                if (command.kind == MediaCommand::Kind::Pause) {
                    m_backend.Pause(command.alias);
                } else if (command.kind == MediaCommand::Kind::Resume) {
                    m_backend.Resume(command.alias);
                } else {
                    m_backend.Seek(command.alias, command.value);
                }
            }
            break;
        case MediaCommand::Kind::Speed:
            // The speed holds for the sounds opened after it too.
            m_backend.SetSpeed(command.alias, static_cast<double>(command.value) / 1000);
            break;
        case MediaCommand::Kind::Gain:
            m_backend.SetGain(command.alias, static_cast<double>(command.value) / 1000);
            break;
        case MediaCommand::Kind::Unknown:
            break;
        }
    } catch (...) {
        // A sound that cannot be made is not worth interrupting the user.
    }
}

} // namespace quelm
