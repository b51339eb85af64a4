// The load of a generated ~1 GiB record file in the offscreen window until
// the list is complete, next to the core scan alone (wall-clock and processor
// time, medians of QUELMRDR_BENCH_RUNS runs of each, in turn); the longest
// gap between two handled events during the load; the bottom row shown once
// it is done; anonymous memory around it; jumps and clicks in the loaded
// list. With QUELMRDR_BENCH_ROWS=N the file (QUELMRDR_BENCH_FILE) is one of
// N short messages, made when missing: the list's cost per row.
#include "BenchSupport.h"
#include "Display.h"
#include "record/Scanner.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

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

double Median(std::vector<double> Values)
{
    std::sort(Values.begin(), Values.end());
    const std::size_t n = Values.size();
    return n % 2 == 1 ? Values[n / 2] : (Values[n / 2 - 1] + Values[n / 2]) / 2;
}

// A record file of Rows messages of 3 to 60 s (none left out by the
// filter), each marker after a few bytes of sound.
void WriteDenseFile(const std::string& Path, long Rows)
{
    quelm::tools::RecordWriter writer(Path, 42);
    std::mt19937 random(42);
    std::int64_t now = 340 * 86400 + 8 * 3600;
    const std::string sound(40, '\x55');
    for (long i = 0; i < Rows; ++i) {
        writer.Raw(sound);
        writer.Start(now);
        writer.Raw(sound);
        now += 3 + static_cast<std::int64_t>(random() % 58);
        writer.End(now);
        now += 1 + static_cast<std::int64_t>(random() % 60);
    }
    writer.Close();
}

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
    const char* rowsWanted = std::getenv("QUELMRDR_BENCH_ROWS");
    const char* runsWanted = std::getenv("QUELMRDR_BENCH_RUNS");
    const int runs = runsWanted != nullptr ? std::max(1, std::atoi(runsWanted)) : 5;
    std::string file;
    if (rowsWanted != nullptr && std::getenv("QUELMRDR_BENCH_FILE") != nullptr) {
        file = std::getenv("QUELMRDR_BENCH_FILE");
        if (!std::filesystem::exists(file)) {
            WriteDenseFile(file, std::atol(rowsWanted));
        }
    } else {
        file = quelm::bench::BenchFile();
    }

    SilentBackend backend;
    quelm::Display display(&backend);
    display.show();
    auto* list = display.findChild<QTableView*>("ListView");
    std::vector<double> core;
    std::vector<double> load;
    std::vector<double> coreCpu;
    std::vector<double> loadCpu;
    double worstGap = 0;
    double worstCpuGap = 0;
    const long anonStart = AnonymousKiB();
    long anonBefore = 0;
    long anonAfter = 0;
    int rows = 0;
    // The core scan and the window's load take turns, so that both see the
    // same machine (other work on it, the page cache).
    for (int i = 0; i < runs; ++i) {
        {
            quelm::SegmentTable table;
            CoreHost host;
            quelm::Scanner scanner(table, host);
            const auto start = Clock::now();
            const double cpu = CpuMs();
            scanner.Look4Frame(file);
            coreCpu.push_back(CpuMs() - cpu);
            core.push_back(Ms(Clock::now() - start));
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
        loadCpu.push_back(CpuMs() - cpu);
        load.push_back(Ms(Clock::now() - start));
        anonAfter = AnonymousKiB();
        worstGap = std::max(worstGap, gap);
        worstCpuGap = std::max(worstCpuGap, cpuGap);
        rows = display.Table().RowCount();
        probe.stop();
    }
    const int bottom = list->indexAt(QPoint(1, list->viewport()->height() - 1)).row() + 1;
    // Jumps through the loaded list and clicks on rows, each painted at once.
    double worstJump = 0;
    double worstClick = 0;
    std::mt19937 random(7);
    for (int i = 0; i < 40 && rows > 0; ++i) {
        const QModelIndex index = list->model()->index(static_cast<int>(random() % static_cast<unsigned>(rows)), 0);
        auto start = Clock::now();
        list->scrollTo(index);
        list->viewport()->repaint();
        worstJump = std::max(worstJump, Ms(Clock::now() - start));
        start = Clock::now();
        list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        display.ListView_ItemClick(index.row() + 1);
        list->viewport()->repaint();
        worstClick = std::max(worstClick, Ms(Clock::now() - start));
    }
    const double coreMs = Median(core);
    const double loadMs = Median(load);
    std::printf("file: %s (%.0f MiB)\n", file.c_str(),
                static_cast<double>(std::filesystem::file_size(file)) / 1048576.0);
    std::printf("core scan, median of %d:      %8.1f ms\n", runs, coreMs);
    std::printf("window load, median of %d:    %8.1f ms\n", runs, loadMs);
    std::printf("processor time, median of %d: %8.1f ms core scan, %.1f ms window load (%.2fx)\n", runs,
                Median(coreCpu), Median(loadCpu), Median(loadCpu) / Median(coreCpu));
    std::printf("longest event gap in scan: %8.1f ms (%.1f ms of processor time)\n", worstGap, worstCpuGap);
    std::printf("rows: %d, the bottom row shown: %d; anonymous memory %ld KiB at start, %ld KiB before the last "
                "load, %ld KiB after\n",
                rows, bottom, anonStart, anonBefore, anonAfter);
    std::printf("longest jump through the list %.1f ms, longest click %.1f ms (each painted)\n", worstJump, worstClick);
    std::printf("window load / core scan (%d rows): %.2fx (target <= 1.1 x)\n", rows, loadMs / coreMs);
    std::printf("window anonymous memory (%d rows): %.0f MiB, %.0f bytes a row (target < 1024 MiB)\n", rows,
                static_cast<double>(anonAfter) / 1024.0,
                rows > 0 ? static_cast<double>(anonAfter - anonStart) * 1024.0 / rows : 0.0);
    return 0;
}
