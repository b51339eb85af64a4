#pragma once

#include "CheckedOutput.h"
#include "FollowedSaves.h"
#include "RowSink.h"
#include "SavedNames.h"
#include "segment_output/SegmentBatch.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace quelm::cli
{

// The split command's rows: each row with an end is queued under its
// default name in the folder, in one batch for the run (each record file
// opened once; a group, made durable together, may span record files);
// SaveQueued saves what is queued (and so does a queue grown to a batch's
// group), printing the path of every segment saved and saying why any other
// failed. Following, the batch ends with each file read anew.
class SplitSink : public RowSink
{
  public:
    // Following: the rows come from one followed file, again when it is read
    // anew or a later marker changes them (see FollowedSaves).
    SplitSink(CheckedOutput& Out, std::string Folder, bool Following = false);

    // The record files of the run, in the order they come: the names of
    // one are kept against clashes only while a later one of the same base
    // is to come. Without it, every name is kept.
    void Plan(const std::vector<std::string>& RecordFiles);
    // The rows that follow are segments of RecordFile.
    void BeginFile(const std::string& RecordFile);
    // A record file's rows have all been taken: following, they are saved
    // now; otherwise they wait for their group to fill or SaveQueued.
    void EndFile();
    void Take(const SegmentRow& Row) override;
    // Rows of another file than those queued (the followed file was
    // replaced): what is queued is saved first, the next batch opens anew.
    void ScannedFrom(const std::optional<FileId>& File) override;
    void Withdrawn(std::int32_t Record) override;

    void SaveQueued();
    // False once any segment could not be saved (a stop signal aside).
    bool AllSaved() const { return m_allSaved; }
    // Says once how many segments were not saved after the saving stopped: a
    // full disk (a message per segment would flood the terminal) or a stop
    // signal.
    void SayUnsaved();

  private:
    // Saves what is queued and lets the batch go: the next segment opens a
    // batch of its own (another file, or the same path read anew).
    void EndBatch();
    // Saves what is queued; unless All, the last group may be left on its
    // way (SegmentBatch::SaveMost).
    void SaveBatch(bool All);
    // Stops the saving for the rest of the run when the batch halted.
    void NoteHalt();

    void Done(const BatchItem& Item);
    // Says how many failures in a row repeated the one said before them.
    void SayRepeats();

    CheckedOutput& m_out;
    std::string m_folder;
    std::string m_recordFile;
    SavedNames m_names;
    std::vector<std::string> m_bases; // the planned files' name prefixes
    std::size_t m_begun = 0;          // the files begun
    bool m_remember = true;
    std::unique_ptr<SegmentBatch> m_batch;
    // Following: what was saved, and what is queued, in order.
    bool m_following;
    FollowedSaves m_followed;
    struct Queued {
        std::int32_t record;
        std::uint64_t key;
    };
    std::deque<Queued> m_queue;
    std::optional<FileId> m_scanned;
    bool m_newFile = false; // the batch is to open m_recordFile first
    std::size_t m_queued = 0;
    bool m_batchFailed = false; // the record file could not be opened for it
    bool m_allSaved = true;
    // Once the saving halted: why, and the segments not saved since.
    SegmentBatch::Halt m_halt = SegmentBatch::Halt::None;
    std::string m_haltReason;
    std::size_t m_unsaved = 0;
    // A record file cut short under a split fails every segment after the
    // cut for the same reason: it is said once, with a count.
    std::string m_lastFailure;
    std::size_t m_repeats = 0;
};

} // namespace quelm::cli
