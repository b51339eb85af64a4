#include "SegmentBatch.h"

#include "../mapped_file/Failure.h"
#include "../mapped_file/Signals.h"
#include "../mapped_file/UniqueFd.h"
#include "FileWriting.h"
#include "Id3Tag.h"
#include "PathUtils.h"
#include "TemporaryFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <optional>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace quelm
{

namespace
{

// An open folder that targets are saved into.
struct Folder {
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
    uid_t owner = 0;
    mode_t mode = 0;
};

// The kernel's fs.protected_symlinks rule: in a sticky folder that everyone
// may write into, a link is followed only when it is the user's own or the
// folder owner's. A link planted there by another user could otherwise make
// a save replace any file of the victim's.
bool KernelWouldFollow(const Folder& In, const struct stat& Link)
{
    const bool shared = (In.mode & S_ISVTX) != 0 && (In.mode & S_IWOTH) != 0;
    return !shared || Link.st_uid == ::geteuid() || Link.st_uid == In.owner;
}

// As many links as the kernel follows in one path.
constexpr int kMaxLinks = 40;

// A target as its open folder and its name there, with what it replaces.
struct Destination {
    std::string folderPath;
    Folder folder;
    std::string name;
    std::optional<struct stat> replaced;
};

void SplitPath(const std::string& Path, Destination& Into)
{
    auto [folder, name] = quelm::SplitPath(Path);
    Into.folderPath = std::move(folder);
    Into.name = std::move(name);
}

// One item of a group on its way: written, not yet in place. Unchecked:
// its name was not looked up (it is placed only where nothing is, and
// looked up when something is).
struct Pending {
    std::size_t item = 0;
    Folder folder;
    std::string name;
    TemporaryFile file;
    bool unchecked = false;
};

SegmentOffsets EndedOffsets(const SegmentRow& Row)
{
    const auto offsets = Row.Offsets();
    if (!offsets) {
        throw Failure("segment " + Row.text + " has no end: there is nothing to save");
    }
    return *offsets;
}

void CheckMarkers(const RecordSource& Source, const SegmentOffsets& Offsets,
                  const std::optional<SegmentMarkers>& Markers)
{
    Source.CheckMarkers(Offsets, Markers ? &*Markers : nullptr);
}

// A group cut short for want of descriptors holds at least this many
// unnamed temporaries; with fewer to spare, the rest are named instead.
constexpr std::size_t kFewestHeld = 64;

// The soft limit of open descriptors, less room for everything else.
std::size_t OpenBudget()
{
    struct rlimit limit {
    };
    constexpr rlim_t kReserve = 256;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur <= kReserve) {
        return 0;
    }
    return static_cast<std::size_t>(std::min<rlim_t>(limit.rlim_cur - kReserve, SegmentBatch::kGroupSize));
}

} // namespace

// The folders of a batch's targets, each opened once: targets are looked
// up, written and renamed relative to them.
class SegmentBatch::Folders
{
  public:
    Folders() = default;
    Folders(const Folders&) = delete;
    Folders& operator=(const Folders&) = delete;

    // Follows a symlink to the file it names (only as the kernel would, and
    // never for a name of our own making) and refuses what a segment must
    // not replace. Each link is read relative to its own open folder: a path
    // resolved in one go (realpath) would skip the kernel's rule.
    Destination Resolve(const std::string& Target, LinkRule Links, const RecordSource& Source,
                        const RecordSource& Current)
    {
        Destination destination = Unresolved(Target);
        struct stat info {
        };
        for (int hops = 0;; ++hops) {
            if (destination.name.empty()) {
                throw Failure("cannot save " + Target, Target, "it names a folder");
            }
            destination.folder = Open(destination.folderPath);
            if (::fstatat(destination.folder.fd, destination.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno != ENOENT) {
                    SystemFailure("cannot save", Target, errno);
                }
                if (hops > 0) {
                    throw Failure("cannot save " + Target, Target, "it is a symbolic link to nothing");
                }
                return destination;
            }
            if (!S_ISLNK(info.st_mode)) {
                break;
            }
            if (Links == LinkRule::Never) {
                throw Failure("cannot save " + Target, Target, "it is a symbolic link, and a split never follows one");
            }
            if (!KernelWouldFollow(destination.folder, info)) {
                throw Failure("cannot save " + Target, Target,
                              "it is a symbolic link of another user's in a shared sticky folder; not followed");
            }
            if (hops == kMaxLinks) {
                SystemFailure("cannot save", Target, ELOOP);
            }
            std::string text(PATH_MAX, '\0');
            const ssize_t length =
                ::readlinkat(destination.folder.fd, destination.name.c_str(), text.data(), text.size());
            if (length <= 0 || static_cast<std::size_t>(length) >= text.size()) {
                throw Failure("cannot save " + Target, Target, "it is a symbolic link to nothing");
            }
            text.resize(static_cast<std::size_t>(length));
            SplitPath(text.front() == '/' ? text : destination.folderPath + '/' + text, destination);
        }
        if (!S_ISREG(info.st_mode)) {
            throw Failure("cannot save " + Target, Target, "it exists and is not a regular file");
        }
        if (Source.Is(info) || Current.Is(info)) {
            throw Failure("refusing to save over the record file itself: " + Target, Target, std::string());
        }
        destination.replaced = info;
        return destination;
    }

    // The target's open folder and its name there, not looked up.
    Destination Unresolved(const std::string& Target)
    {
        if (Target.empty()) {
            throw Failure("no file name to save the segment under");
        }
        Destination destination;
        SplitPath(Target, destination);
        if (destination.name.empty()) {
            throw Failure("cannot save " + Target, Target, "it names a folder");
        }
        destination.folder = Open(destination.folderPath);
        return destination;
    }

    // Hands over the folders opened so far (their descriptors): the next
    // lookups open them anew by path.
    std::vector<UniqueFd> Retire()
    {
        std::vector<UniqueFd> handles;
        handles.reserve(m_open.size());
        for (auto& [path, held] : m_open) {
            handles.push_back(std::move(held.handle));
        }
        m_open.clear();
        return handles;
    }

  private:
    const Folder& Open(const std::string& Path)
    {
        const auto found = m_open.find(Path);
        if (found != m_open.end()) {
            return found->second.folder;
        }
        UniqueFd handle(::open(Path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat info {
        };
        if (!handle || ::fstat(handle.Get(), &info) != 0) {
            SystemFailure("cannot write into", Path, errno);
        }
        // Swept once a batch: a folder of a million files is read once.
        ClaimSaveFolder(handle.Get(), m_swept.insert({info.st_dev, info.st_ino}).second);
        const Folder folder{handle.Get(), info.st_dev, info.st_ino, info.st_uid, info.st_mode};
        return m_open.emplace(Path, Held{std::move(handle), folder}).first->second.folder;
    }

    // Each folder's descriptor, held while the batch lives; the Folder
    // values handed out only borrow it.
    struct Held {
        UniqueFd handle;
        Folder folder;
    };
    std::map<std::string, Held> m_open;
    std::set<std::pair<dev_t, ino_t>> m_swept;
};

// A group's durable step, on a thread of its own where one starts: a sync
// of each file system its temporaries are on, then of each folder the
// group before it put files into, so that their new names last.
struct SegmentBatch::SyncJob {
    std::vector<std::pair<dev_t, int>> devices; // a device and a folder on it
    std::vector<int> deviceErrors;
    std::vector<int> folders;
    std::vector<int> folderErrors;
    Group* folderOf = nullptr; // the group those folders are of
    std::thread thread;

    SyncJob() = default;
    SyncJob(const SyncJob&) = delete;
    SyncJob& operator=(const SyncJob&) = delete;
    ~SyncJob()
    {
        if (thread.joinable()) {
            thread.join();
        }
    }

    void Run()
    {
        deviceErrors.clear();
        for (const auto& [device, folder] : devices) {
            deviceErrors.push_back(::syncfs(folder) == 0 ? 0 : errno);
        }
        folderErrors.clear();
        for (const int folder : folders) {
            folderErrors.push_back(::fsync(folder) == 0 ? 0 : errno);
        }
    }
    void Start(bool Here)
    {
        if (!Here) {
            try {
                thread = Signals::StartWithoutStops([this] { Run(); });
                return;
            } catch (const std::system_error&) {
                // Synced here, without the overlap.
            }
        }
        Run();
    }
    // Hands each folder's result to its group.
    void Wait();
};

// Segments saved together: written into temporaries, made durable, put in
// place, their folders synced, final.
struct SegmentBatch::Group {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool alone = false; // one item, synced by itself
    std::vector<Pending> pending;
    std::map<int, std::vector<std::size_t>> placed; // folder: its items in place
    std::map<int, int> folderErrors;                // folder: the errno of its sync
    std::vector<UniqueFd> folders;                  // open until the group is final
    SyncJob job;                                    // last: it ends before the rest

    // Items Count .. were dropped from the front of the batch.
    void Shift(std::size_t Count)
    {
        begin -= Count;
        end -= Count;
        for (Pending& one : pending) {
            one.item -= Count;
        }
        for (auto& [folder, items] : placed) {
            for (std::size_t& item : items) {
                item -= Count;
            }
        }
    }
};

void SegmentBatch::SyncJob::Wait()
{
    if (thread.joinable()) {
        thread.join();
    }
    if (folderOf != nullptr) {
        for (std::size_t i = 0; i < folders.size(); ++i) {
            folderOf->folderErrors[folders[i]] = folderErrors[i];
        }
        folderOf = nullptr;
    }
}

SegmentBatch::SegmentBatch(const std::string& RecordFile, std::size_t GroupSize, const std::optional<FileId>& Scanned)
    : m_source(std::make_shared<const RecordSource>(RecordFile, Scanned)), m_folders(std::make_unique<Folders>()),
      m_openBudget(OpenBudget()), m_groupSize(std::clamp<std::size_t>(GroupSize, 1, kGroupSize))
{
}

void SegmentBatch::SetRecordFile(const std::string& RecordFile, const std::optional<FileId>& Scanned)
{
    m_source = std::make_shared<const RecordSource>(RecordFile, Scanned);
}

SegmentBatch::~SegmentBatch()
{
    // The written group's job may still sync the placed group's folders.
    m_written.reset();
    m_placed.reset();
}

void SegmentBatch::Add(const SegmentOffsets& Offsets, const std::string& Target, LinkRule Links)
{
    m_items.push_back({Offsets, Target, {}, Links, std::nullopt, {}, m_source});
}

void SegmentBatch::Add(const SegmentRow& Row, const std::string& Target, LinkRule Links)
{
    m_items.push_back({EndedOffsets(Row), Target, {}, Links, Row.Markers(), {}, m_source});
}

void SegmentBatch::AddJoined(std::span<const SegmentRow> Rows, const std::string& Target, LinkRule Links)
{
    if (Rows.empty()) {
        throw Failure("no segment to save");
    }
    BatchItem item{EndedOffsets(Rows.front()), Target, {}, Links, Rows.front().Markers(), {}, m_source};
    item.following.reserve(Rows.size() - 1);
    for (const SegmentRow& row : Rows.subspan(1)) {
        item.following.push_back({EndedOffsets(row), row.Markers()});
    }
    m_items.push_back(std::move(item));
}

bool SegmentBatch::Save(const std::function<void(const BatchItem&)>& Done)
{
    return SaveGroups(Done, true);
}

void SegmentBatch::SaveMost(const std::function<void(const BatchItem&)>& Done)
{
    SaveGroups(Done, false);
}

bool SegmentBatch::SaveGroups(const std::function<void(const BatchItem&)>& Done, bool All)
{
    // The items made final before are dropped, so that a batch fed for ever
    // (split, split --follow) stays small; the groups still on their way
    // begin at m_saved.
    m_items.erase(m_items.begin(), m_items.begin() + static_cast<std::ptrdiff_t>(m_saved));
    for (Group* group : {m_placed.get(), m_written.get()}) {
        if (group != nullptr) {
            group->Shift(m_saved);
        }
    }
    m_saved = 0;
    // Names are told apart within one Save; the caller keeps them apart
    // across Saves (a split's SavedNames), so the set stays bounded too.
    m_targets.clear();
    bool all = true;
    // Two groups at most are on their way: one written and being made
    // durable while the next is written, so the sync's wait overlaps work.
    for (;;) {
        const std::size_t next = m_written ? m_written->end : m_saved;
        if (next >= m_items.size() || m_halt != Halt::None) {
            break;
        }
        std::unique_ptr<Group> group = WriteGroup(next, std::min(m_items.size(), next + m_groupSize), m_openBudget / 2);
        all = Advance(Done) && all;
        const bool last = All && (group->end >= m_items.size() || m_halt != Halt::None);
        StartSync(*group, m_placed.get(), last);
        m_written = std::move(group);
    }
    if (All) {
        all = Advance(Done) && all;
        if (m_placed) {
            // The last group's folders are synced here, with no group after
            // it to do so.
            const std::unique_ptr<Group> placed = std::move(m_placed);
            Group none;
            StartSync(none, placed.get(), true);
            none.job.Wait();
            all = Finish(*placed, Done) && all;
        }
    }
    return all && m_saved == m_items.size();
}

bool SegmentBatch::HaltNow()
{
    if (m_halt == Halt::None && m_haltOnStop && Signals::CaughtStop() != 0) {
        m_halt = Halt::Stopped;
    }
    return m_halt != Halt::None;
}

void SegmentBatch::NoteFailure(BatchItem& Item, const Failure& Why)
{
    Item.failure = std::make_shared<const Failure>(Why);
    if (Why.Error() == ENOSPC || Why.Error() == EDQUOT) {
        m_halt = Halt::NoRoom;
    }
}

bool SegmentBatch::Advance(const std::function<void(const BatchItem&)>& Done)
{
    bool all = true;
    if (m_written) {
        m_written->job.Wait();
    }
    if (m_placed) {
        // Out first: a Done that throws leaves it told, not told twice.
        const std::unique_ptr<Group> placed = std::move(m_placed);
        all = Finish(*placed, Done);
    }
    if (m_written) {
        Place(*m_written);
        m_placed = std::move(m_written);
    }
    return all;
}

std::unique_ptr<SegmentBatch::Group> SegmentBatch::WriteGroup(std::size_t Begin, std::size_t End, std::size_t Budget)
{
    // Every segment into a temporary beside its target; the group is made
    // durable at once when it is complete (see StartSync).
    auto group = std::make_unique<Group>();
    group->begin = Begin;
    group->alone = End - Begin == 1;
    group->pending.reserve(End - Begin);
    std::size_t held = 0; // unnamed temporaries, each an open descriptor
    for (std::size_t i = Begin; i < End; ++i) {
        if (HaltNow()) {
            End = i;
            break;
        }
        BatchItem& item = m_items[i];
        const RecordSource& source = *item.source;
        // A split's name is looked up only if something is there when the
        // file is put in place: then the checks a looked-up target gets
        // here are made there.
        const bool unchecked = !group->alone && item.links == LinkRule::Never;
        // Out of descriptors for unnamed temporaries: the group ends here,
        // rather than go on with named ones, each a rename more.
        if (unchecked && m_unnamed && held >= Budget && held >= kFewestHeld) {
            End = i;
            break;
        }
        try {
            const Destination destination = unchecked ? m_folders->Unresolved(item.target)
                                                      : m_folders->Resolve(item.target, item.links, source, *m_source);
            const Folder& folder = destination.folder;
            const std::string key =
                std::to_string(folder.device) + ':' + std::to_string(folder.inode) + '/' + destination.name;
            if (!m_targets.insert(key).second) {
                throw Failure("cannot save " + item.target, item.target, "another segment is saved under that name");
            }
            try {
                CheckMarkers(source, item.offsets, item.markers);
                for (const BatchPart& part : item.following) {
                    CheckMarkers(source, part.offsets, part.markers);
                }
            } catch (const Failure&) {
                // A target that a lookup refuses says so first, as when it
                // is looked up before.
                if (unchecked) {
                    m_folders->Resolve(item.target, item.links, source, *m_source);
                }
                throw;
            }
            TemporaryFile file(folder.fd, destination.folderPath, unchecked && m_unnamed && held < Budget);
            held += file.Unnamed() ? 1 : 0;
            if (destination.replaced) {
                // The new file takes the place of the old one: it keeps its
                // permissions (and its owner, where the process may).
                file.KeepOwnerAndMode(*destination.replaced);
            }
            source.CopyRange(SavingRange(item.offsets), file.Fd(), item.target);
            for (const BatchPart& part : item.following) {
                source.CopyRange(SavingRange(part.offsets), file.Fd(), item.target);
            }
            WriteID3(file.Fd(), item.target);
            // A single save syncs its own file; a group syncs its file
            // system once.
            if (group->alone && ::fdatasync(file.Fd()) != 0) {
                SystemFailure("cannot write", item.target, errno);
            }
            if (!file.Unnamed()) {
                file.Close(item.target);
            }
            group->pending.push_back({i, folder, destination.name, std::move(file), unchecked});
        } catch (const Failure& failure) {
            NoteFailure(item, failure);
        }
    }
    group->end = End;
    // Its folders stay open until it is final; the next group opens them
    // anew by path, so a folder renamed away and replaced under a long run
    // (split --follow) is not written into behind the new one's back.
    group->folders = m_folders->Retire();
    return group;
}

void SegmentBatch::StartSync(Group& Written, Group* Placed, bool Here)
{
    SyncJob& job = Written.job;
    if (!Written.alone) {
        std::set<dev_t> devices;
        for (const Pending& one : Written.pending) {
            if (devices.insert(one.folder.device).second) {
                job.devices.emplace_back(one.folder.device, one.folder.fd);
            }
        }
    }
    if (Placed != nullptr) {
        for (const auto& [folder, items] : Placed->placed) {
            job.folders.push_back(folder);
        }
        job.folderOf = Placed;
    }
    job.Start(Here);
}

void SegmentBatch::Place(Group& Written)
{
    // All of the group is durable (or failed to be) before any target is
    // touched. A temporary that could not be made durable is removed with
    // pending.
    std::map<dev_t, int> synced; // device: the errno of its sync
    for (std::size_t i = 0; i < Written.job.devices.size(); ++i) {
        synced[Written.job.devices[i].first] = Written.job.deviceErrors[i];
    }
    for (Pending& one : Written.pending) {
        BatchItem& item = m_items[one.item];
        try {
            if (const auto error = synced.find(one.folder.device); error != synced.end() && error->second != 0) {
                SystemFailure("cannot write", item.target, error->second);
            }
            if (!one.unchecked || !one.file.PutInPlaceIfFree(one.name, item.target)) {
                if (one.unchecked) {
                    // Something is there: replaced only as a looked-up
                    // target is, in the same folder (a split follows no
                    // link).
                    const Destination destination =
                        m_folders->Resolve(item.target, item.links, *item.source, *m_source);
                    if (destination.replaced) {
                        one.file.KeepOwnerAndMode(*destination.replaced);
                    }
                }
                one.file.PutInPlace(one.name, item.target);
            }
            Written.placed[one.folder.fd].push_back(one.item);
        } catch (const Failure& failure) {
            NoteFailure(item, failure);
        }
    }
    Written.pending.clear();
}

bool SegmentBatch::Finish(Group& Placed, const std::function<void(const BatchItem&)>& Done)
{
    // Its folders were synced by the job after it, so that the new names
    // last. EINVAL: a file system that cannot sync a folder.
    for (const auto& [folder, error] : Placed.folderErrors) {
        if (error != 0 && error != EINVAL) {
            for (const std::size_t i : Placed.placed[folder]) {
                NoteFailure(m_items[i], Failure::System("cannot save", m_items[i].target, error));
            }
        }
    }
    m_saved = Placed.end;
    bool all = true;
    for (std::size_t i = Placed.begin; i < Placed.end; ++i) {
        all = all && m_items[i].Saved();
        if (Done) {
            Done(m_items[i]);
        }
    }
    return all;
}

} // namespace quelm
