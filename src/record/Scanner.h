#pragma once

#include "ScanHost.h"
#include "SegmentTable.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace quelm
{

class ByteView;
class Memory;

enum class ResumeResult { Unchanged, Grown, Restart };

// Walks a record file for markers and feeds them to the segment table.
class Scanner
{
  public:
    static constexpr std::chrono::milliseconds kYieldInterval{8};

    Scanner(SegmentTable& Table, ScanHost& Host) : m_table(Table), m_host(Host) {}

    // Scans File into the table. Throws Failure when the file cannot be
    // mapped, a marker is cut off by the end of the file, the file shrinks
    // while it is read, or the table refuses a marker; the rows built so far
    // stay. Stop() during a Yield ends the scan early, and normally.
    // A scan that reached the end of the file, or a marker cut off by it,
    // leaves the scanner resumable.
    void Look4Frame(const std::string& File);

    // Scans only the bytes appended to File since the last scan of this
    // scanner ended, feeding the same table and host. Unchanged: nothing
    // new; Grown: new bytes were scanned; Restart: the file shrank, is
    // another file than the one scanned (device/inode), no longer holds the
    // last marker scanned (rewritten in place), the table was changed by
    // others, or there is no scan to resume: the caller scans it
    // anew with Look4Frame. A marker cut off by the end of the file is not a
    // failure here: the scan waits for its remaining bytes. Other failures
    // throw Failure as Look4Frame does; once the table has refused a
    // marker, every later growth throws that failure again, as a full scan
    // of the longer file would. Stop() during a Yield ends it early, and the
    // scanner is then no longer resumable. The busy pointer is left alone.
    using ResumeResult = quelm::ResumeResult;
    ResumeResult Resume(const std::string& File);
    bool CanResume() const { return m_resume.valid; }

    bool KeepScanning() const { return m_keepScanning; }
    void Stop() { m_keepScanning = false; }
    bool Scanning() const { return m_scanning; }

  private:
    enum class End { Complete, Stopped, CutOff };

    // Tests the offsets From .. FileSize - 5 of a view that starts at file
    // offset From, handing every marker to the table. Leaves in m_resume.next
    // the first offset still to test.
    // Refused is true when the table refused a marker.
    End ScanView(const Memory& Mapping, const ByteView& View, std::uint64_t From, std::uint64_t FileSize,
                 const std::string& File, bool& Refused);
    // Runs ScanView and keeps what a later Resume needs, or forgets it when
    // the scan did not end in a state a longer file would go on from.
    End ScanAndRemember(const Memory& Mapping, const ByteView& View, std::uint64_t From, const struct stat& Info,
                        const std::string& File);

    struct ResumePoint {
        bool valid = false;
        dev_t device = 0;
        ino_t inode = 0;
        std::uint64_t size = 0; // the file's size when the scan ended
        std::uint64_t next = 0; // the first offset not tested yet
        std::int32_t rows = 0;  // the table as the scan left it
        std::int32_t recordCount = 0;
        std::string failure; // the table's refusal, when it refused a marker
        // The last marker handed to the table: a file rewritten in place
        // (same inode, as long as before or longer) no longer holds it.
        bool hasMarker = false;
        std::uint64_t markerOffset = 0;
        std::array<char, 26> markerText{};
    };

    SegmentTable& m_table;
    ScanHost& m_host;
    bool m_keepScanning = false;
    bool m_scanning = false;
    ResumePoint m_resume;
};

} // namespace quelm
