#pragma once

#include <cstdint>
#include <string>

namespace quelm
{

// What a scan needs of the program that runs it: row notifications in the
// order a table model wants them, the "Record" panel, the busy pointer, a
// chance to handle pending events, and the filter settings at the moment a
// segment is completed. Every hook has a harmless default.
class ScanHost
{
  public:
    virtual ~ScanHost() = default;

    virtual void BeginClearRows() {}
    virtual void EndClearRows() {}
    virtual void BeginInsertRow(std::int32_t /*Position*/) {}
    virtual void EndInsertRow() {}
    virtual void BeginRemoveRow(std::int32_t /*Position*/) {}
    virtual void EndRemoveRow() {}
    virtual void RowChanged(std::int32_t /*Position*/) {}
    virtual void ShowRow(std::int32_t /*Position*/) {}

    // The "Record" panel is to show RecordCount (FormatRecordNumber), made
    // into text only when shown: this is called for every row.
    virtual void RecordPanelChanged(std::int32_t /*RecordCount*/) {}
    virtual void BusyPointer(bool /*Busy*/) {}

    // Called by time while a scan runs (every Scanner::kYieldInterval),
    // with how many of the file's bytes have been tested so far.
    virtual void Yield(std::uint64_t /*Done*/, std::uint64_t /*Total*/) {}

    virtual bool FilterOn() const { return false; }
    virtual std::int32_t FilterLength() const { return 0; }
};

} // namespace quelm
