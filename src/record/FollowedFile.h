#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>

namespace quelm
{

class Scanner;

// A record file that the recorder is still writing, as both front ends
// follow it: the file as it was last seen at its path (device, inode,
// size), what became of it since, and whether the scanner goes on from
// where it ended (Scanner::Resume) or the file is read anew (Look4Frame).
// What to say about it is the caller's: it gets a Step or a Reading, never
// a text.
class FollowedFile
{
  public:
    // Which file stat found at the path, and how long it was.
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
        std::uint64_t size = 0;
        bool operator==(const Identity&) const = default;
        bool SameFile(const Identity& Other) const { return device == Other.device && inode == Other.inode; }
    };

    // What became of the file since the last look.
    enum class Change {
        Unchanged, // nothing to take in: also while it stays gone, or after Stop
        Grown,     // the appended bytes were scanned into the table
        Shrank,    // the same file, shorter than seen
        Replaced,  // another file at the path (the recorder started a new one)
        Rewritten, // neither, but the scanned bytes changed, or the table no longer continues from them
        Gone,      // no file at the path any more: said once, then waited for
    };

    struct Step {
        Change change = Change::Unchanged;
        bool back = false;      // the file had gone away and is there again
        bool otherFile = false; // not the file seen before (or the first one seen)
        // The file is to be read anew: Shrank, Replaced or Rewritten.
        bool ReadAnew() const;
    };

    enum class ReadEnd {
        Read,             // to its end, or to a marker cut off by it (or refused): followed from there
        ChangedWhileRead, // it shrank or was replaced while it was read: to be read again
        Gone,             // no file at the path: waited for
        Failed,           // for good
    };

    struct Reading {
        ReadEnd end = ReadEnd::Read;
        std::string failure; // why the scan stopped short, when it did
    };

    // The caller's frame around a scan of the appended bytes (controls,
    // progress, showing a failure): runs Scan, which may throw.
    using ScanFrame = std::function<void(const std::function<void()>& Scan)>;

    // Follows Path (none while empty) with Scanner, whose table is the one
    // the caller shows.
    explicit FollowedFile(Scanner& Scanner, std::string Path = {});

    // Another file (or none): nothing of it seen yet.
    void Follow(std::string Path);
    const std::string& Path() const { return m_path; }

    // Looks at the file and takes in what changed: scans the appended bytes
    // inside Frame, or says that the file is to be read anew (the caller
    // then reads it, with ReadAnew or a load of its own). Does nothing while
    // a scan runs, after Stop, and after a scan that failed, until the
    // caller's next scan, unless the file went away (it is read anew when it
    // is back). A read that failed because the file went away, was cut
    // short or was replaced meanwhile is no failure: Gone, Shrank or
    // Replaced. Other failures are thrown (Frame may catch them), once: as
    // long as the file only grows after one, nothing more is scanned.
    Step Check(const ScanFrame& Frame = {});

    // Scans the file anew with Look4Frame. Failures other than those of the
    // file are thrown.
    Reading ReadAnew();

    // The caller has scanned the file anew itself (a load, a filter): a
    // failure said before no longer holds.
    void Rescanned();

  private:
    // The file at Path; none when there is none (ENOENT, ENOTDIR). A path
    // that stat cannot look at for another reason gets an identity of no
    // file, so that the read that follows says why.
    static std::optional<Identity> Identify(const std::string& Path);
    Change Resume(const std::optional<Identity>& Before, const Identity& Now);

    Scanner& m_scanner;
    std::string m_path;
    std::optional<Identity> m_seen; // the file as the last look found it
    bool m_gone = false;            // the last look found no file
    bool m_failed = false;          // a failure was thrown for the file as seen
};

} // namespace quelm
