#pragma once

#include "../mapped_file/Failure.h"
#include "Extraction.h"
#include "RecordSource.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace quelm
{

// Whether a target that is a symbolic link is followed: as the kernel
// follows one (fs.protected_symlinks: not another user's link in a shared
// sticky folder), for a name the user gave; never, for a name made up from
// the record file's bytes, which another user can predict and plant.
enum class LinkRule { AsTheKernel, Never };

// A segment that a file of a batch holds after its first one.
struct BatchPart {
    SegmentOffsets offsets;
    std::optional<SegmentMarkers> markers;
};

// One segment of a batch: where it lies in the record file, the file it is
// saved as, and, once the batch has been saved, why it was not saved
// (nothing when it was).
struct BatchItem {
    SegmentOffsets offsets;
    std::string target;
    std::shared_ptr<const Failure> failure;
    LinkRule links = LinkRule::AsTheKernel;
    // The whole markers as scanned, when known (see RecordSource::CheckMarkers).
    std::optional<SegmentMarkers> markers;
    // Further segments written into the same file, in order, before its
    // one tag: several messages saved as a record file of their own.
    std::vector<BatchPart> following;
    // The record file it is copied from.
    std::shared_ptr<const RecordSource> source;

    bool Saved() const { return failure == nullptr; }
};

// Saves many segments of one or more record files at disk speed without
// giving up the safety of a single save. Each record file is opened once;
// each segment (both markers and everything between them, then the ID3v1
// tag) is copied in the kernel into a temporary file in its target's folder;
// the temporaries are made durable together (one syncfs per file system),
// then put in place, and each folder is synced once. After a crash at any
// moment a target holds either its old content or the complete new
// segment. Items are saved in groups of at most kGroupSize (one sync each,
// and as many as half the open descriptors allow), so that the temporaries
// in progress stay a bounded number that a signal handler can remove. A
// group's sync runs on a thread of its own while the next group is
// written: two groups at most are on their way.
//
// A target that a split names (LinkRule::Never) is not looked up first:
// its temporary is unnamed where the file system allows (O_TMPFILE, so a
// crash leaves nothing behind) and linked under the target's name only if
// nothing is there; a name that exists gets the checks below and is
// replaced by a rename. Other targets are checked before they are written
// and written under a hidden name.
//
// Each target is checked before anything is written: an existing target
// must be a regular file (a symlink is followed, as LinkRule says, to the
// file it names and that file is replaced, the link kept; a dangling link is
// refused); the
// replaced file keeps its mode (and, where the process may, its owner);
// the record file itself and a target named twice in one Save are
// refused. A segment whose markers are no longer where the scan found them
// fails with "the record file PATH has changed since it was scanned; load
// it again". A failure of one item never stops the others.
class SegmentBatch
{
  public:
    static constexpr std::size_t kGroupSize = 32768;

    // Why a batch saves nothing more: a caught stop signal (when it was asked
    // to heed them), or a disk without room (ENOSPC, EDQUOT), after which every
    // later item would fail the same way.
    enum class Halt { None, Stopped, NoRoom };

    // Opens the record file (without blocking; not a regular file, missing
    // or unreadable: Failure). GroupSize (at most kGroupSize) is the number
    // of items made durable together.
    // Scanned, when known, is the file the segments were scanned from.
    explicit SegmentBatch(const std::string& RecordFile, std::size_t GroupSize = kGroupSize,
                          const std::optional<FileId>& Scanned = std::nullopt);
    // Opens another record file for the items added from now on (Failure as
    // the constructor); the items queued before still copy from theirs, and
    // a group may hold items of both.
    void SetRecordFile(const std::string& RecordFile, const std::optional<FileId>& Scanned = std::nullopt);
    // Writes every temporary under a hidden name, as on a file system
    // without unnamed files.
    void NameTemporaries() { m_unnamed = false; }
    ~SegmentBatch();
    SegmentBatch(const SegmentBatch&) = delete;
    SegmentBatch& operator=(const SegmentBatch&) = delete;

    // Queues a segment; nothing is written before Save.
    void Add(const SegmentOffsets& Offsets, const std::string& Target, LinkRule Links = LinkRule::AsTheKernel);
    // Queues a scanned row that has its end, checked against its whole
    // markers.
    void Add(const SegmentRow& Row, const std::string& Target, LinkRule Links = LinkRule::AsTheKernel);
    // Queues scanned rows, each with its end, as one file: their segments
    // one after another in the order given, then one tag. Throws Failure
    // when Rows is empty or a row has no end.
    void AddJoined(std::span<const SegmentRow> Rows, const std::string& Target, LinkRule Links = LinkRule::AsTheKernel);

    // Saves every queued item, in the order added. Done, when given, is
    // called once per item as soon as the item is final (saved and in
    // place, or failed), in the order added. Returns true when every item
    // was saved. The items stay readable through Items() until the next
    // Save, which drops them (and forgets their names: a target is refused
    // when named twice within one Save) and saves only the items added
    // since. Once halted (see Halted), Save ends
    // between two items: those written are put in place, the rest stay
    // queued, neither saved nor failed, and later Saves save nothing.
    bool Save(const std::function<void(const BatchItem&)>& Done = {});
    // As Save, but the last group written may be left on its way (being
    // made durable), so that its sync overlaps what the caller does next:
    // its items are neither saved nor failed until the next SaveMost or
    // Save, which tells Done of them. A batch that is fed more and more.
    void SaveMost(const std::function<void(const BatchItem&)>& Done = {});
    // Whether items are on their way: a Save makes them final.
    bool OnTheirWay() const { return m_written != nullptr || m_placed != nullptr; }

    // Makes a caught stop signal (Signals::CaughtStop) halt the batch before
    // its next item, so that a run told to end does not first write
    // thousands of segments.
    void HaltOnStopSignal() { m_haltOnStop = true; }
    Halt Halted() const { return m_halt; }
    // The items added and not final: queued, on their way, or left by a
    // halt.
    std::size_t Unsaved() const { return m_items.size() - m_saved; }

    const std::vector<BatchItem>& Items() const { return m_items; }

  private:
    class Folders;
    struct Group;
    struct SyncJob;

    bool SaveGroups(const std::function<void(const BatchItem&)>& Done, bool All);
    // Writes the items Begin .. End into temporaries, or those before a
    // halt, or as many as Budget descriptors hold.
    std::unique_ptr<Group> WriteGroup(std::size_t Begin, std::size_t End, std::size_t Budget);
    // Makes a written group durable, and syncs the folders of the group
    // placed before it; on a thread of its own unless Here.
    void StartSync(Group& Written, Group* Placed, bool Here);
    // Moves the groups on their way a step: the written one, once durable,
    // into place; the placed one, once its folders are synced, final.
    bool Advance(const std::function<void(const BatchItem&)>& Done);
    // After its sync: every item into place, or failed.
    void Place(Group& Written);
    // After its folders' sync: its items are final, and Done is told.
    bool Finish(Group& Placed, const std::function<void(const BatchItem&)>& Done);
    bool HaltNow();
    void NoteFailure(BatchItem& Item, const Failure& Why);

    std::shared_ptr<const RecordSource> m_source;
    std::unique_ptr<Folders> m_folders;
    bool m_unnamed = true;
    std::size_t m_openBudget = 0; // unnamed temporaries held open at most
    std::vector<BatchItem> m_items;
    std::set<std::string> m_targets; // folder device:inode/name
    std::size_t m_groupSize;
    std::size_t m_saved = 0;
    // On their way (see SaveMost), in this order: placed, its folders being
    // synced; written, being made durable.
    std::unique_ptr<Group> m_placed;
    std::unique_ptr<Group> m_written;
    bool m_haltOnStop = false;
    Halt m_halt = Halt::None;
};

} // namespace quelm
