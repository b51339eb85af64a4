#pragma once

#include "record/ScanHost.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace quelm::cli
{

// The command line's side of a scan: fixed filter settings, and a progress
// line on stderr once a scan has run for a second, when stderr is a terminal.
class CliScanHost : public ScanHost
{
  public:
    CliScanHost(bool FilterOn, std::int32_t FilterSeconds, std::string Label);
    ~CliScanHost() override;

    bool FilterOn() const override { return m_filterOn; }
    std::int32_t FilterLength() const override { return m_filterSeconds; }
    void RecordPanelChanged(std::int32_t RecordCount) override { m_recordCount = RecordCount; }
    void Yield(std::uint64_t Done, std::uint64_t Total) override;

    // Progress of work after the scan (split), on the same line.
    void Progress(const std::string& Text);
    void EndProgress();

  private:
    bool m_filterOn;
    std::int32_t m_filterSeconds;
    std::string m_label;
    std::int32_t m_recordCount = 0;
    bool m_terminal;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_started;
};

} // namespace quelm::cli
