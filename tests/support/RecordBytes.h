#pragma once

#include "record/MarkerFormat.h"
#include "record/NumberReading.h"
#include "record/ScanHost.h"
#include "record/SegmentTable.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace quelm::test
{

// A 30-byte marker; the stamp is padded with blanks to 20 characters.
inline std::string Marker(const std::string& Keyword, const std::string& Stamp)
{
    return MakeMarker(Keyword, Stamp);
}
inline std::string Start(const std::string& Time, const std::string& Date = "06/12/2026")
{
    return Marker("STIME ", Date + " " + Time);
}
inline std::string End(const std::string& Time, const std::string& Date = "06/12/2026")
{
    return Marker("ETIME ", Date + " " + Time);
}
inline std::string Filler(std::size_t Bytes, char Byte = '\x55')
{
    return std::string(Bytes, Byte);
}

// Notes what the table and the scanner tell their host.
class RecordingHost : public ScanHost
{
  public:
    bool filterOn = false;
    std::int32_t filterLength = 2;
    std::vector<std::string> panel;
    std::vector<std::string> events;
    int yields = 0;
    std::uint64_t done = 0; // what the last Yield said had been tested
    int busy = 0;
    std::function<void()> onYield;
    // Makes every new row cost this long, so that a scan surely yields.
    std::chrono::microseconds insertDelay{0};

    void BeginClearRows() override { events.push_back("clear"); }
    void BeginInsertRow(std::int32_t Position) override
    {
        events.push_back("insert " + std::to_string(Position));
        if (insertDelay.count() > 0) {
            std::this_thread::sleep_for(insertDelay);
        }
    }
    void BeginRemoveRow(std::int32_t Position) override { events.push_back("remove " + std::to_string(Position)); }
    void RowChanged(std::int32_t Position) override { events.push_back("change " + std::to_string(Position)); }
    void RecordPanelChanged(std::int32_t RecordCount) override { panel.push_back(FormatRecordNumber(RecordCount)); }
    void BusyPointer(bool Busy) override { busy += Busy ? 1 : -1; }
    void Yield(std::uint64_t Done, std::uint64_t) override
    {
        ++yields;
        done = Done;
        if (onYield) {
            onYield();
        }
    }
    bool FilterOn() const override { return filterOn; }
    std::int32_t FilterLength() const override { return filterLength; }
};

} // namespace quelm::test
