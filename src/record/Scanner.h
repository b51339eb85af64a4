#pragma once

#include "ScanHost.h"
#include "SegmentTable.h"

#include <chrono>
#include <string>

namespace quelm
{

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
    void Look4Frame(const std::string& File);

    bool KeepScanning() const { return m_keepScanning; }
    void Stop() { m_keepScanning = false; }
    bool Scanning() const { return m_scanning; }

  private:
    SegmentTable& m_table;
    ScanHost& m_host;
    bool m_keepScanning = false;
    bool m_scanning = false;
};

} // namespace quelm
