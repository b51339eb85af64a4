#include "SplitSink.h"

#include "Messages.h"
#include "TextOutput.h"
#include "segment_output/DefaultName.h"

#include <algorithm>
#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>

namespace quelm::cli
{

namespace
{

// A group holds each of its unnamed temporaries open until it is put in
// place: the soft limit of open files is raised to what a group needs,
// where the hard limit allows. Nothing here uses select().
void RoomForAGroup()
{
    struct rlimit limit {
    };
    const rlim_t wanted = SegmentBatch::kGroupSize + 1024;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < wanted) {
        limit.rlim_cur = std::min(wanted, limit.rlim_max);
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

SplitSink::SplitSink(CheckedOutput& Out, std::string Folder, bool Following)
    : m_out(Out), m_folder(std::move(Folder)), m_following(Following)
{
    if (!m_folder.empty() && m_folder.back() != '/') {
        m_folder += '/';
    }
    RoomForAGroup();
}

void SplitSink::Plan(const std::vector<std::string>& RecordFiles)
{
    m_bases.clear();
    for (const std::string& file : RecordFiles) {
        m_bases.push_back(m_folder + SegmentNameBase(file) + '-');
    }
    m_begun = 0;
}

void SplitSink::BeginFile(const std::string& RecordFile)
{
    if (m_begun < m_bases.size()) {
        const auto rest = m_bases.begin() + static_cast<std::ptrdiff_t>(m_begun);
        m_names.KeepOnly(std::vector<std::string>(rest, m_bases.end()));
        m_remember = std::find(rest + 1, m_bases.end(), *rest) != m_bases.end();
        ++m_begun;
    }
    // A group goes on over the next file's segments: one sync for them all.
    if (m_following) {
        EndBatch();
    }
    m_recordFile = RecordFile;
    m_newFile = true;
    m_batchFailed = false;
}

void SplitSink::EndBatch()
{
    SaveQueued();
    if (m_batch) {
        m_unsaved += m_batch->Unsaved();
    }
    m_batch.reset();
    m_batchFailed = false;
}

void SplitSink::ScannedFrom(const std::optional<FileId>& File)
{
    if (File == m_scanned) {
        return;
    }
    if (m_following) {
        EndBatch();
    }
    m_scanned = File;
    m_newFile = true;
}

void SplitSink::Take(const SegmentRow& Row)
{
    if (!Row.HasEnd() || m_batchFailed) {
        return; // no end: nothing to save
    }
    if (m_halt != SegmentBatch::Halt::None) {
        ++m_unsaved;
        return;
    }
    if (!m_batch || m_newFile) {
        // Opened at the first segment: a file that cannot be scanned has
        // said so already.
        const std::string failure = Attempt([&] {
            if (m_batch) {
                m_batch->SetRecordFile(m_recordFile, m_scanned);
            } else {
                m_batch = std::make_unique<SegmentBatch>(m_recordFile, SegmentBatch::kGroupSize, m_scanned);
            }
        });
        m_newFile = false;
        if (!failure.empty()) {
            Complain(m_out, failure);
            m_batchFailed = true;
            m_allSaved = false;
            return;
        }
        m_batch->HaltOnStopSignal();
    }
    const std::string name = m_folder + DefaultSegmentName(m_recordFile, Row);
    if (!m_following) {
        m_batch->Add(Row, m_names.Claim(name, m_remember), LinkRule::Never);
    } else {
        const std::int32_t record = Row.RecordNumber();
        if (!m_queue.empty() && record <= m_queue.back().record) {
            SaveQueued(); // an earlier row again: decide on what is saved
        }
        const std::uint64_t key = FollowedSaves::KeyOf(Row);
        const FollowedSaves::Decision decision = m_followed.Consider(record, key, name);
        if (!decision.save) {
            return;
        }
        if (!decision.remove.empty()) {
            SaveQueued();
            ::unlink(decision.remove.c_str());
        }
        m_batch->Add(Row, name, LinkRule::Never);
        m_queue.push_back({record, key});
    }
    if (++m_queued >= SegmentBatch::kGroupSize) {
        // Not following, the last group's sync goes on while the next
        // rows are taken.
        SaveBatch(m_following);
    }
}

void SplitSink::Withdrawn(std::int32_t Record)
{
    if (!m_following) {
        return;
    }
    SaveQueued();
    const std::string name = m_followed.Withdraw(Record);
    if (!name.empty()) {
        ::unlink(name.c_str());
    }
}

void SplitSink::Done(const BatchItem& Item)
{
    if (m_following && !m_queue.empty()) {
        const Queued queued = m_queue.front();
        m_queue.pop_front();
        if (Item.Saved()) {
            m_followed.Saved(queued.record, queued.key, Item.target);
        }
    }
    if (Item.Saved()) {
        SayRepeats();
        m_out.Write(PrintableText(Item.target));
        m_out.Put('\n');
        return;
    }
    m_allSaved = false;
    if (Item.failure->what() == m_lastFailure) {
        ++m_repeats;
        return;
    }
    SayRepeats();
    Complain(m_out, Item.failure->what());
    m_lastFailure = Item.failure->what();
    if (Item.failure->Error() == ENOSPC || Item.failure->Error() == EDQUOT) {
        m_haltReason = Item.failure->Reason();
    }
}

void SplitSink::SayRepeats()
{
    if (m_repeats != 0) {
        Complain(m_out, "(the same for " + std::to_string(m_repeats) + " more segment" + (m_repeats == 1 ? ")" : "s)"));
    }
    m_repeats = 0;
    m_lastFailure.clear();
}

void SplitSink::EndFile()
{
    if (m_following) {
        SaveQueued();
    }
}

void SplitSink::SaveQueued()
{
    SaveBatch(true);
}

void SplitSink::SaveBatch(bool All)
{
    if (m_queued == 0 && !(m_batch && m_batch->OnTheirWay())) {
        return;
    }
    m_queued = 0;
    const std::string failure = Attempt([&] {
        const auto done = [&](const BatchItem& Item) { Done(Item); };
        if (All) {
            m_batch->Save(done);
        } else {
            m_batch->SaveMost(done);
        }
    });
    SayRepeats();
    if (!failure.empty()) {
        Complain(m_out, failure);
        m_allSaved = false;
    }
    NoteHalt();
}

void SplitSink::NoteHalt()
{
    if (m_halt == SegmentBatch::Halt::None && m_batch) {
        m_halt = m_batch->Halted();
    }
}

void SplitSink::SayUnsaved()
{
    NoteHalt();
    const std::size_t unsaved = m_unsaved + (m_batch ? m_batch->Unsaved() : 0);
    if (m_halt == SegmentBatch::Halt::None || unsaved == 0) {
        return;
    }
    const std::string count = std::to_string(unsaved) + " segment" + (unsaved == 1 ? " was" : "s were");
    if (m_halt == SegmentBatch::Halt::Stopped) {
        Complain(m_out, "stopped: " + count + " not saved");
    } else {
        Complain(m_out, "saving stopped (" + m_haltReason + "): " + count + " not saved");
    }
}

} // namespace quelm::cli
