#pragma once

#include "../mapped_file/UniqueFd.h"

#include <cstdint>
#include <string>

namespace quelm
{

// The playback folder of one running window, inside the user's private
// folder (TempFolder), so that two windows never delete each other's files.
// It is named after the process (PID; PID-2, PID-3 ... for further windows of
// one process) and locked with flock for as long as the window lives: a
// folder that nobody holds locked was left by a window that no longer runs,
// whichever process has its number now.
class PlaybackFolder
{
  public:
    // Removes the folders left by windows that no longer run, then makes
    // this window's. Throws nothing: a failure comes back from TempFile.
    PlaybackFolder() noexcept;
    ~PlaybackFolder();
    PlaybackFolder(const PlaybackFolder&) = delete;
    PlaybackFolder& operator=(const PlaybackFolder&) = delete;

    // The full path of the playback file of record Num in this window's
    // folder (QLM, hexadecimal number, .mp3). Makes the folder anew when it
    // is missing. Creates no file. Throws Failure.
    std::string TempFile(std::int32_t Num);

    // Removes the folder and everything in it, then releases it. Failures
    // are ignored; a later TempFile makes a new folder.
    void Remove() noexcept;

    // The folder's path; empty while there is none.
    const std::string& Path() const { return m_path; }

    // Removes from Folder the playback folders that no window holds.
    static void RemoveAbandoned(const std::string& Folder) noexcept;

  private:
    void Make();
    bool StillInPlace() const;

    std::string m_path;
    UniqueFd m_fd; // the open, locked folder
};

} // namespace quelm
