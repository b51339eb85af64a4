#pragma once

#include "../mapped_file/UniqueFd.h"

#include <string>

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

// A file being written beside its target under a short hidden name
// (".qlm" and eight random characters, so that it never makes a valid
// target name too long). It is removed when the object goes away, or by a
// signal handler as above, unless it was put in place first.
class TemporaryFile
{
  public:
    // Creates the file in the open folder Folder (named FolderPath in
    // messages) with mode 0666 less the umask. Throws Failure.
    TemporaryFile(int Folder, const std::string& FolderPath);
    ~TemporaryFile();
    TemporaryFile(TemporaryFile&& Other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // The open file, or -1 after Close.
    int Fd() const { return m_fd.Get(); }
    // Closes the file; throws Failure naming Target when the close reports
    // a write error.
    void Close(const std::string& Target);
    // Renames the file over Name in its folder; afterwards it is no longer
    // removed. Throws Failure naming Target.
    void PutInPlace(const std::string& Name, const std::string& Target);

  private:
    void Forget() noexcept;

    int m_folder = -1;
    UniqueFd m_fd;
    int m_slot = -1;
    char m_name[16] = {};
};

} // namespace quelm
