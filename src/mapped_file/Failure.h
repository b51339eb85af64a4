#pragma once

#include <stdexcept>
#include <string>

namespace quelm
{

// What kind of thing went wrong, for callers that act on it (an exit
// status, a retry) rather than only show it.
enum class FailureKind {
    Failed, // the operation could not be done; the common case
    Usage,  // the command line asked for something that is not a command
    Output, // writing the program's own output failed
};

// Every failure the program raises, with a message fit to show the user as
// is (what()). Failures that name a file and a reason keep them apart as
// well, so that a narrow display can put the reason first and shorten the
// path without taking the text apart again.
class Failure : public std::runtime_error
{
  public:
    // A failure said in one text, with no separate reason.
    explicit Failure(const std::string& Message, FailureKind Kind = FailureKind::Failed);

    // "Context: Reason", where Context names Path (or is about it). Error
    // is the system's errno behind the reason, 0 when the reason is ours.
    Failure(std::string Context, std::string Path, std::string Reason, int Error = 0,
            FailureKind Kind = FailureKind::Failed);

    // "What Path: <the system's text for Error>".
    [[nodiscard]] static Failure System(const std::string& What, const std::string& Path, int Error,
                                        FailureKind Kind = FailureKind::Failed);

    FailureKind Kind() const { return m_kind; }
    int Error() const { return m_error; }
    // The file the failure is about, empty when none.
    const std::string& Path() const { return m_path; }
    // The message without its reason; the whole message when it has none.
    const std::string& Context() const { return m_context; }
    // Why, in the system's words or ours; empty when the message says it all.
    const std::string& Reason() const { return m_reason; }

  private:
    FailureKind m_kind;
    int m_error = 0;
    std::string m_path;
    std::string m_context;
    std::string m_reason;
};

} // namespace quelm
