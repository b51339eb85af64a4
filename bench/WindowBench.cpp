// The load of a generated ~1 GiB record file in the offscreen window until
// the list is complete, next to the core scan alone (wall-clock and processor
// time); the longest gap between two handled events during the load; the
// bottom row shown once it is done; anonymous memory around it.
#include "BenchSupport.h"
#include "Display.h"
#include "record/Scanner.h"

#include <QApplication>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

namespace
{

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Processor time of this thread, in ms: on a shared machine the time the
// work itself took, whatever else ran beside it.
double CpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

using quelm::bench::AnonymousKiB;

class SilentBackend : public quelm::MediaBackend
{
    void Open(const std::string&, const std::string&) override {}
    void Play(const std::string&) override {}
    void Close(const std::string&) override {}
};

class CoreHost : public quelm::ScanHost
{
    bool FilterOn() const override { return true; }
    std::int32_t FilterLength() const override { return 2; }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const std::string file = quelm::bench::BenchFile();

    SilentBackend backend;
    quelm::Display display(&backend);
    display.show();
    auto* list = display.findChild<QTableView*>("ListView");
    double bestCore = 1e18;
    double bestLoad = 1e18;
    double bestCoreCpu = 1e18;
    double bestLoadCpu = 1e18;
    double worstGap = 0;
    double worstCpuGap = 0;
    long anonBefore = 0;
    long anonAfter = 0;
    int rows = 0;
    // The core scan and the window's load take turns, so that both see the
    // same machine (other work on it, the page cache).
    for (int i = 0; i < 5; ++i) {
        {
            quelm::SegmentTable table;
            CoreHost host;
            quelm::Scanner scanner(table, host);
            const auto start = Clock::now();
            const double cpu = CpuMs();
            scanner.Look4Frame(file);
            bestCoreCpu = std::min(bestCoreCpu, CpuMs() - cpu);
            bestCore = std::min(bestCore, Ms(Clock::now() - start));
        }
        // A zero-interval timer fires at every pass of the event loop: the
        // gaps between its ticks are the gaps between handled events.
        QTimer probe;
        probe.setInterval(0);
        Clock::time_point last{};
        double lastCpu = 0;
        double gap = 0;
        double cpuGap = 0; // the same, in processor time: what the machine's other work does not stretch
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const auto now = Clock::now();
            const double cpu = CpuMs();
            if (last != Clock::time_point{} && display.Scanning()) {
                gap = std::max(gap, Ms(now - last));
                cpuGap = std::max(cpuGap, cpu - lastCpu);
            }
            last = now;
            lastCpu = cpu;
        });
        probe.start();
        anonBefore = AnonymousKiB();
        display.Dialogs().QueueAnswer(QString::fromStdString(file));
        const auto start = Clock::now();
        const double cpu = CpuMs();
        display.Load_Click();
        bestLoadCpu = std::min(bestLoadCpu, CpuMs() - cpu);
        bestLoad = std::min(bestLoad, Ms(Clock::now() - start));
        anonAfter = AnonymousKiB();
        worstGap = std::max(worstGap, gap);
        worstCpuGap = std::max(worstCpuGap, cpuGap);
        rows = display.Table().RowCount();
        probe.stop();
    }
    const int bottom = list->indexAt(QPoint(1, list->viewport()->height() - 1)).row() + 1;
    std::printf("file: %s (%.0f MiB)\n", file.c_str(),
                static_cast<double>(std::filesystem::file_size(file)) / 1048576.0);
    std::printf("core scan, best of 5:      %8.1f ms\n", bestCore);
    std::printf("window load, best of 5:    %8.1f ms  (%.2fx the core scan)\n", bestLoad, bestLoad / bestCore);
    std::printf("processor time, best of 5: %8.1f ms core scan, %.1f ms window load (%.2fx)\n", bestCoreCpu,
                bestLoadCpu, bestLoadCpu / bestCoreCpu);
    std::printf("longest event gap in scan: %8.1f ms (%.1f ms of processor time)\n", worstGap, worstCpuGap);
    std::printf("rows: %d, the bottom row shown: %d; anonymous memory %ld KiB before the last load, %ld KiB after\n",
                rows, bottom, anonBefore, anonAfter);
    return 0;
}
