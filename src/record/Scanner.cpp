#include "Scanner.h"

#include "../mapped_file/FaultGuard.h"
#include "../mapped_file/Memory.h"
#include "MarkerFormat.h"

#include <cstring>
#include <memory>

namespace quelm
{

namespace
{

// Markers are collected a chunk at a time inside the bus-error guard and
// handed to the table outside it, so the guarded code owns nothing.
constexpr std::uint64_t kChunkBytes = 256 * 1024;
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
        Hit& hit = chunk.hits[chunk.count++];
        hit.offset = q;
        std::memcpy(hit.text, chunk.data + q + 4, kMarkerTextSize);
        // Nothing inside a marker starts another one.
        chunk.next = q + kMarkerSize;
    }
}

class ScanScope
{
  public:
    ScanScope(ScanHost& Host, bool& Scanning) : m_host(Host), m_scanning(Scanning)
    {
        m_scanning = true;
        m_host.BusyPointer(true);
    }
    ~ScanScope()
    {
        m_scanning = false;
        m_host.BusyPointer(false);
    }
    ScanScope(const ScanScope&) = delete;
    ScanScope& operator=(const ScanScope&) = delete;

  private:
    ScanHost& m_host;
    bool& m_scanning;
};

} // namespace

void Scanner::Look4Frame(const std::string& File)
{
    // Handlers run inside a scan's yields; none may start a second one on
    // the same table.
    if (m_scanning) {
        throw Failure("a scan is already running");
    }
    ScanScope scope(m_host, m_scanning);
    m_table.SetRecordCount(0);
    m_keepScanning = true;
    m_table.Clear(m_host);

    Memory memory;
    const ByteView view = memory.MapFile(File);
    if (view.Size() < 5) {
        return;
    }
    const std::uint64_t last = view.Size() - 5;
    auto chunk = std::make_unique<Chunk>();
    chunk->data = view.Data();
    chunk->size = view.Size();
    chunk->next = 0;

    using Clock = std::chrono::steady_clock;
    auto lastYield = Clock::now();
    while (chunk->next <= last && m_keepScanning) {
        chunk->count = 0;
        chunk->limit = std::min(last, chunk->next + kChunkBytes - 1);
        if (!RunGuarded(view.Data(), view.Size(), FindChunk, chunk.get())) {
            throw Failure("record file changed while it was read: " + File);
        }
        for (std::size_t i = 0; i < chunk->count && m_keepScanning; ++i) {
            const Hit& hit = chunk->hits[i];
            const std::string_view text(hit.text, kMarkerTextSize);
            m_table.ReadMarker(text, static_cast<std::int64_t>(hit.offset + kMarkerSize - 1), m_host);
        }
        if (chunk->truncated && m_keepScanning) {
            throw Failure("marker at offset " + std::to_string(chunk->next) + " is cut off by the end of " + File +
                          " (" + std::to_string(view.Size()) + " bytes)");
        }
        const auto now = Clock::now();
        if (now - lastYield >= kYieldInterval) {
            m_host.Yield(chunk->next, view.Size());
            lastYield = Clock::now();
        }
    }
    memory.UnmapFile();
}

} // namespace quelm
