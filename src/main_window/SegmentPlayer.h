#pragma once

#include "segment_output/MediaCommand.h"
#include "segment_output/PlaybackFolder.h"

#include <memory>
#include <string>

namespace quelm
{

struct SegmentRow;

// Plays segments as the sound "mysound": each is copied from the record
// file into a playback file in this window's own folder, and that file is
// deleted when the next one plays or the window goes.
class SegmentPlayer
{
  public:
    // Backend: what plays sounds; a Qt Multimedia one when none is given.
    explicit SegmentPlayer(MediaBackend* Backend = nullptr);
    ~SegmentPlayer();
    SegmentPlayer(const SegmentPlayer&) = delete;
    SegmentPlayer& operator=(const SegmentPlayer&) = delete;

    // Closes the sound and the last play file, names the play file of Row
    // and copies the segment there. False, with nothing written, for a row
    // that cannot play (no end yet). Throws Failure.
    bool Prepare(const std::string& RecordFile, const SegmentRow& Row);
    // Opens the prepared play file and plays it.
    void Play();
    // Stops the sound; the play file stays.
    void StopSound();
    // Stops the sound and deletes the play file.
    void Close();
    // Removes this window's playback folder with what is left in it.
    void RemoveFolder();

    const std::string& PlayFile() const { return m_playFile; }
    const MediaLayer& Media() const { return m_media; }

  private:
    std::unique_ptr<MediaBackend> m_ownedBackend;
    MediaLayer m_media;
    PlaybackFolder m_playback;
    std::string m_playFile;
};

} // namespace quelm
