#include "Failure.h"

#include <cstring>
#include <utility>

namespace quelm
{

Failure::Failure(const std::string& Message, FailureKind Kind)
    : std::runtime_error(Message), m_kind(Kind), m_context(Message)
{
}

Failure::Failure(std::string Context, std::string Path, std::string Reason, int Error, FailureKind Kind)
    : std::runtime_error(Reason.empty() ? Context : Context + ": " + Reason), m_kind(Kind), m_error(Error),
      m_path(std::move(Path)), m_context(std::move(Context)), m_reason(std::move(Reason))
{
}

Failure Failure::System(const std::string& What, const std::string& Path, int Error, FailureKind Kind)
{
    return {What + " " + Path, Path, std::strerror(Error), Error, Kind};
}

} // namespace quelm
