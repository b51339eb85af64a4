#include "FollowedFile.h"

#include "../mapped_file/Failure.h"
#include "Scanner.h"

#include <cerrno>
#include <sys/stat.h>
#include <utility>

namespace quelm
{

bool FollowedFile::Step::ReadAnew() const
{
    return change == Change::Shrank || change == Change::Replaced || change == Change::Rewritten;
}

FollowedFile::FollowedFile(Scanner& Scanner, std::string Path) : m_scanner(Scanner), m_path(std::move(Path))
{
}

void FollowedFile::Follow(std::string Path)
{
    m_path = std::move(Path);
    m_seen.reset();
    m_gone = false;
    m_failed = false;
}

void FollowedFile::Rescanned()
{
    m_failed = false;
    m_gone = false;
}

std::optional<FollowedFile::Identity> FollowedFile::Identify(const std::string& Path)
{
    struct stat info {
    };
    if (::stat(Path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return std::nullopt;
        }
        return Identity{};
    }
    return Identity{info.st_dev, info.st_ino, static_cast<std::uint64_t>(info.st_size)};
}

FollowedFile::Step FollowedFile::Check(const ScanFrame& Frame)
{
    // After Stop the table is what the user chose to keep; after a failure
    // that ended a scan there is nothing to go on from.
    if (m_path.empty() || m_scanner.Scanning() || !m_scanner.KeepScanning() || (!m_scanner.CanResume() && !m_gone)) {
        return {};
    }
    const std::optional<Identity> now = Identify(m_path);
    if (!now) {
        return {std::exchange(m_gone, true) ? Change::Unchanged : Change::Gone};
    }
    Step step;
    step.back = std::exchange(m_gone, false);
    if (m_scanner.CanResume() && now == m_seen) {
        return step;
    }
    // Taken before the scan, so that bytes written during it are looked at
    // by the next check.
    const std::optional<Identity> before = std::exchange(m_seen, now);
    const bool sameFile = before && before->SameFile(*now);
    step.otherFile = !sameFile;
    if (m_failed && sameFile && now->size >= before->size) {
        return step; // the failure was said; it stays as long as the file only grows
    }
    m_failed = false;
    const auto resume = [&] { step.change = Resume(before, *now); };
    Frame ? Frame(resume) : resume();
    return step;
}

FollowedFile::Change FollowedFile::Resume(const std::optional<Identity>& Before, const Identity& Now)
{
    ResumeResult result = ResumeResult::Unchanged;
    try {
        result = m_scanner.Resume(m_path);
    } catch (const Failure& failure) {
        const std::optional<Identity> after = Identify(m_path);
        if (failure.Kind() != FailureKind::Output) {
            if (!after) {
                m_gone = true;
                return Change::Gone;
            }
            if (!after->SameFile(Now) || after->size < Now.size) {
                m_seen = after;
                return after->SameFile(Now) ? Change::Shrank : Change::Replaced;
            }
        }
        m_failed = true;
        throw;
    } catch (...) {
        m_failed = true;
        throw;
    }
    if (result != ResumeResult::Restart) {
        return result == ResumeResult::Grown ? Change::Grown : Change::Unchanged;
    }
    if (Before && !Before->SameFile(Now)) {
        return Change::Replaced;
    }
    if (Before && Now.size < Before->size) {
        return Change::Shrank;
    }
    return Change::Rewritten;
}

FollowedFile::Reading FollowedFile::ReadAnew()
{
    const std::optional<Identity> before = Identify(m_path);
    m_seen = before;
    m_gone = false;
    m_failed = false;
    try {
        m_scanner.Look4Frame(m_path);
        return {};
    } catch (const Failure& failure) {
        if (failure.Kind() == FailureKind::Output) {
            throw;
        }
        // A marker cut off by the end of the file: the recorder is still
        // writing it. (A marker the table refused is said by the Resume
        // that gets past it.)
        if (m_scanner.CanResume()) {
            return {ReadEnd::Read, failure.what()};
        }
        const std::optional<Identity> after = Identify(m_path);
        if (!after) {
            m_gone = true;
            return {ReadEnd::Gone, failure.what()};
        }
        if (!before || !before->SameFile(*after) || after->size < before->size) {
            return {ReadEnd::ChangedWhileRead, failure.what()};
        }
        return {ReadEnd::Failed, failure.what()};
    }
}

} // namespace quelm
