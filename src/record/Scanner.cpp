#include "Scanner.h"

#include "../mapped_file/FaultGuard.h"
#include "../mapped_file/Memory.h"
#include "../mapped_file/PopulateAhead.h"
#include "../mapped_file/ReadOnlyFile.h"
#include "MarkerFormat.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace quelm
{

namespace
{

// Markers are collected a chunk at a time inside the bus-error guard and
// handed to the table outside it, so the guarded code owns nothing.
constexpr std::uint64_t kChunkBytes = std::uint64_t{256} * 1024;
constexpr std::size_t kMaxHits = 512;

struct Hit {
    std::uint64_t offset;
    char text[kMarkerTextSize];
};

struct Chunk {
    const std::uint8_t* data = nullptr;
    std::uint64_t size = 0;
    std::uint64_t next = 0;  // the next offset to test
    std::uint64_t limit = 0; // the last offset this chunk tests
    std::size_t count = 0;
    bool truncated = false; // a marker at `next` runs past the end
    Hit hits[kMaxHits];
};

constexpr std::uint64_t kNotFound = UINT64_MAX;

void FindChunk(void* Context)
{
    Chunk& chunk = *static_cast<Chunk*>(Context);
    while (chunk.count < kMaxHits && chunk.next <= chunk.limit) {
        const std::uint64_t q = FindSignature(chunk.data, chunk.next, chunk.limit);
        if (q == kNotFound) {
            chunk.next = chunk.limit + 1;
            return;
        }
        if (q + kMarkerSize > chunk.size) {
            chunk.next = q;
            chunk.truncated = true;
            return;
        }
        Hit& hit = chunk.hits[chunk.count];
        hit.offset = q;
        std::memcpy(hit.text, chunk.data + q + kMarkerTextOffset, kMarkerTextSize);
        // Nothing inside a marker starts another one.
        chunk.next = q + kMarkerSize;
        // A bus error jumps out of here: a marker is counted only once its
        // text has been read, and the count is in memory, not in a
        // register, before the next read of the mapping.
        std::atomic_signal_fence(std::memory_order_seq_cst);
        ++chunk.count;
        std::atomic_signal_fence(std::memory_order_seq_cst);
    }
}

// True when the file still holds, at Offset, a marker with this text.
bool HoldsMarker(int Fd, std::uint64_t Offset, const char* Text)
{
    std::uint8_t bytes[kMarkerSize];
    if (::pread(Fd, bytes, sizeof bytes, static_cast<off_t>(Offset)) != static_cast<ssize_t>(sizeof bytes)) {
        return false;
    }
    return std::memcmp(bytes, kMarkerSignature, kMarkerTextOffset) == 0 &&
           std::memcmp(bytes + kMarkerTextOffset, Text, kMarkerTextSize) == 0;
}

class ScanScope
{
  public:
    ScanScope(ScanHost& Host, bool& Scanning, bool Busy) : m_host(Host), m_scanning(Scanning), m_busy(Busy)
    {
        m_scanning = true;
        if (m_busy) {
            m_host.BusyPointer(true);
        }
    }
    ~ScanScope()
    {
        m_scanning = false;
        if (m_busy) {
            m_host.BusyPointer(false);
        }
    }
    ScanScope(const ScanScope&) = delete;
    ScanScope& operator=(const ScanScope&) = delete;

  private:
    ScanHost& m_host;
    bool& m_scanning;
    bool m_busy;
};

} // namespace

void Scanner::Look4Frame(const std::string& File)
{
    // Handlers run inside a scan's yields; none may start a second one on
    // the same table.
    if (m_scanning) {
        throw Failure("a scan is already running");
    }
    ScanScope scope(m_host, m_scanning, true);
    m_resume = {};
    m_table.SetRecordCount(0);
    m_keepScanning = true;
    m_table.Clear(m_host);

    ReadOnlyFile file(File);
    const struct stat info = file.Info();
    m_table.SetScannedFile(FileId::Of(info));
    Memory memory;
    const ByteView view = memory.MapFile(std::move(file));
    if (ScanAndRemember(memory, view, 0, info, File) == End::CutOff) {
        throw Failure("marker at offset " + std::to_string(m_resume.next) + " is cut off by the end of " + File + " (" +
                          std::to_string(info.st_size) + " bytes)",
                      File, std::string());
    }
}

ResumeResult Scanner::Resume(const std::string& File)
{
    if (m_scanning) {
        throw Failure("a scan is already running");
    }
    // Stop resets the record counter; any such change to the table means
    // that its rows no longer continue from where the scan ended.
    if (!m_resume.valid || m_table.RowCount() != m_resume.rows || m_table.RecordCount() != m_resume.recordCount) {
        return ResumeResult::Restart;
    }
    ReadOnlyFile file(File);
    const struct stat info = file.Info();
    if (info.st_dev != m_resume.device || info.st_ino != m_resume.inode || file.Size() < m_resume.size) {
        return ResumeResult::Restart;
    }
    if (file.Size() == m_resume.size) {
        return ResumeResult::Unchanged;
    }
    static_assert(sizeof m_resume.markerText == kMarkerTextSize);
    if (m_resume.hasMarker && !HoldsMarker(file.Descriptor(), m_resume.markerOffset, m_resume.markerText.data())) {
        return ResumeResult::Restart;
    }
    if (!m_resume.failure.empty()) {
        // A full scan never gets past the marker the table refused.
        throw Failure(m_resume.failure);
    }
    ScanScope scope(m_host, m_scanning, false);
    m_keepScanning = true;
    const std::uint64_t from = m_resume.next;
    Memory memory;
    const ByteView view = memory.MapFile(std::move(file), from);
    ScanAndRemember(memory, view, from, info, File);
    return ResumeResult::Grown;
}

Scanner::End Scanner::ScanAndRemember(const Memory& Mapping, const ByteView& View, std::uint64_t From,
                                      const struct stat& Info, const std::string& File)
{
    m_resume.valid = false;
    const auto size = static_cast<std::uint64_t>(Info.st_size);
    auto remember = [&] {
        m_resume.valid = true;
        m_resume.device = Info.st_dev;
        m_resume.inode = Info.st_ino;
        m_resume.size = size;
        m_resume.rows = m_table.RowCount();
        m_resume.recordCount = m_table.RecordCount();
    };
    bool refused = false;
    End end = End::Complete;
    try {
        end = ScanView(Mapping, View, From, size, File, refused);
    } catch (const Failure& failure) {
        if (refused) {
            remember();
            m_resume.failure = failure.what();
        }
        throw;
    }
    if (end != End::Stopped) {
        remember();
    }
    return end;
}

Scanner::End Scanner::ScanView(const Memory& Mapping, const ByteView& View, std::uint64_t From, std::uint64_t FileSize,
                               const std::string& File, bool& Refused)
{
    m_resume.next = From;
    if (FileSize < 5 || From > FileSize - 5) {
        return m_keepScanning ? End::Complete : End::Stopped;
    }
    auto chunk = std::make_unique<Chunk>();
    chunk->data = View.Data();
    chunk->size = View.Size();
    chunk->next = 0;
    const std::uint64_t last = FileSize - 5 - From; // in the view

    using Clock = std::chrono::steady_clock;
    auto lastYield = Clock::now();
    // The pages passed are not let go: MADV_DONTNEED behind the scan costs
    // more time than the resident memory is worth (they are the page
    // cache's, and reclaimable).
    PopulateAhead populate(Mapping, View.Size());
    while (chunk->next <= last) {
        if (!m_keepScanning) {
            return End::Stopped;
        }
        chunk->count = 0;
        chunk->limit = std::min(last, chunk->next + kChunkBytes - 1);
        populate.Reached(chunk->next);
        const bool whole = RunGuarded(View.Data(), View.Size(), FindChunk, chunk.get());
        // Markers found before a bus error are as good as any, as long as
        // they lie wholly in what is left of the file: past its new end the
        // last page reads as zeros.
        std::size_t count = chunk->count;
        if (!whole) {
            const std::uint64_t remaining = Mapping.CurrentSize();
            while (count > 0 && From + chunk->hits[count - 1].offset + kMarkerSize > remaining) {
                --count;
            }
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (!m_keepScanning) {
                return End::Stopped;
            }
            const Hit& hit = chunk->hits[i];
            const std::string_view text(hit.text, kMarkerTextSize);
            m_resume.hasMarker = true;
            m_resume.markerOffset = From + hit.offset;
            std::memcpy(m_resume.markerText.data(), hit.text, kMarkerTextSize);
            Refused = true;
            m_table.ReadMarker(text, static_cast<std::int64_t>(From + hit.offset) + kMarkerLastByte, m_host);
            Refused = false;
        }
        if (!whole) {
            throw Failure("record file changed while it was read: " + File, File, std::string());
        }
        m_resume.next = From + chunk->next;
        if (chunk->truncated) {
            return m_keepScanning ? End::CutOff : End::Stopped;
        }
        const auto now = Clock::now();
        if (now - lastYield >= kYieldInterval) {
            m_host.Yield(From + chunk->next, FileSize);
            lastYield = Clock::now();
        }
    }
    return m_keepScanning ? End::Complete : End::Stopped;
}

} // namespace quelm
