#include "CliScanHost.h"

#include "record/NumberReading.h"

#include <cstdio>
#include <unistd.h>

namespace quelm::cli
{

CliScanHost::CliScanHost(bool FilterOn, std::int32_t FilterSeconds, std::string Label)
    : m_filterOn(FilterOn), m_filterSeconds(FilterSeconds), m_label(std::move(Label)),
      m_terminal(::isatty(STDERR_FILENO) == 1), m_started(std::chrono::steady_clock::now())
{
}

CliScanHost::~CliScanHost()
{
    EndProgress();
}

void CliScanHost::Yield(std::uint64_t Done, std::uint64_t Total)
{
    if (!m_terminal || std::chrono::steady_clock::now() - m_started < std::chrono::seconds(1)) {
        return;
    }
    const unsigned percent = Total == 0 ? 100U : static_cast<unsigned>(Done * 100 / Total);
    Progress(m_label + ": " + std::to_string(percent) + "% scanned, segment " + FormatRecordNumber(m_recordCount));
}

void CliScanHost::Progress(const std::string& Text)
{
    if (!m_terminal) {
        return;
    }
    std::fprintf(stderr, "\r\033[K%s", Text.c_str());
    std::fflush(stderr);
    m_shown = true;
}

void CliScanHost::EndProgress()
{
    if (m_shown) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_shown = false;
    }
}

} // namespace quelm::cli
