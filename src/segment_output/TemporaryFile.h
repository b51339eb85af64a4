#pragma once

#include "../mapped_file/UniqueFd.h"

#include <string>
#include <sys/stat.h>

namespace quelm
{

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary files of the saves
// in progress before they end the process (a cleanup of the stop signals,
// see mapped_file/Signals.h). A signal the process ignores stays ignored.
// The command line program calls this once at start-up, the window when it
// starts to watch for signals.
void RemoveTemporaryFilesOnSignals();

// Removes the temporary files of the saves in progress. Async-signal-safe,
// keeps errno: the stop signals' cleanup.
void RemoveTemporaryFiles() noexcept;

// Makes the open folder Folder one that this process saves into, until
// Folder's descriptor is closed (a shared flock on the folder), and first,
// when no other process saves there (no other lock held), removes the
// temporaries that a run killed without cleaning up (SIGKILL, a crash, a
// power cut) left in it: the user's own regular files with a temporary's
// name. A lock, not the files' age, tells stale from in use. Sweep false
// only takes the lock (the folder was swept already).
void ClaimSaveFolder(int Folder, bool Sweep = true);

// A file being written beside its target: unnamed (O_TMPFILE) where asked
// for and the file system has it, so that nothing is left behind by a crash
// and the finished file is linked under its name in one step; else under a
// short hidden name (".qlm" and eight random characters, so that it never
// makes a valid target name too long). It is removed when the object goes
// away, or by a signal handler as above, unless it was put in place first.
class TemporaryFile
{
  public:
    // Creates the file in the open folder Folder (named FolderPath in
    // messages) with mode 0666 less the umask: unnamed when Unnamed is true
    // and the file system and /proc allow it, else under a hidden name.
    // Throws Failure.
    TemporaryFile(int Folder, const std::string& FolderPath, bool Unnamed = false);
    ~TemporaryFile();
    TemporaryFile(TemporaryFile&& Other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // The open file, or -1 after Close.
    int Fd() const { return m_fd.Get(); }
    // True when the file has no name: it must stay open until it is put in
    // place, and vanishes with its descriptor.
    bool Unnamed() const { return m_unnamed; }
    // Closes the file; throws Failure naming Target when the close reports
    // a write error. An unnamed file is closed only once put in place.
    void Close(const std::string& Target);
    // Gives the file the name Name in its folder unless something is there
    // already: true once done (it is no longer removed); false, with nothing
    // changed, when Name exists or the file system cannot tell (then
    // PutInPlace replaces). Throws Failure naming Target.
    bool PutInPlaceIfFree(const std::string& Name, const std::string& Target);
    // Puts the file over Name in its folder, replacing what is there;
    // afterwards it is no longer removed. Throws Failure naming Target.
    void PutInPlace(const std::string& Name, const std::string& Target);
    // Gives the file the owner (where the process may) and the permission
    // bits of the file it replaces.
    void KeepOwnerAndMode(const struct stat& Replaced);

  private:
    void CreateNamed(const std::string& FolderPath, int Flags);
    void Forget() noexcept;

    int m_folder = -1;
    UniqueFd m_fd;
    int m_slot = -1;
    bool m_unnamed = false;
    char m_name[16] = {};
};

} // namespace quelm
