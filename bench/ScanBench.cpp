// The scan of a generated ~1 GiB record file in the page cache, next to a
// loop that only reads every 64-byte block once, and a scan resumed after
// 1 MiB with 60 markers was appended to it.
#include "BenchSupport.h"
#include "XorBlocks.h"
#include "mapped_file/Memory.h"
#include "record/Scanner.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{

const std::string& BenchFile()
{
    static const std::string path = quelm::bench::BenchFile();
    return path;
}

using quelm::bench::AnonymousKiB;

// The limit: every 64-byte block of the mapping read once.
void BM_XorEveryBlock(benchmark::State& state)
{
    quelm::Memory memory;
    const auto view = memory.MapFile(BenchFile());
    for (auto _ : state) {
        benchmark::DoNotOptimize(quelm::bench::XorEveryBlock(view.Data(), view.Size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * view.Size()));
}

class NullHost : public quelm::ScanHost
{
  public:
    bool FilterOn() const override { return true; }
    std::int32_t FilterLength() const override { return 2; }
};

void BM_Scan(benchmark::State& state)
{
    NullHost host;
    quelm::SegmentTable table;
    quelm::Scanner scanner(table, host);
    const long before = AnonymousKiB();
    for (auto _ : state) {
        scanner.Look4Frame(BenchFile());
        benchmark::DoNotOptimize(table.RowCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * std::filesystem::file_size(BenchFile())));
    state.counters["rows"] = table.RowCount();
    state.counters["anon_growth_KiB"] = static_cast<double>(AnonymousKiB() - before);
}

// A live file: 1 GiB already scanned, then 1 MiB with 60 markers (30
// segments) appended per iteration and scanned by Resume. The cost follows
// the appended bytes, not the file's size.
void BM_ResumeAfterAppend(benchmark::State& state)
{
    const std::string path = BenchFile() + ".live";
    {
        std::ofstream create(path, std::ios::binary | std::ios::trunc);
    }
    std::filesystem::resize_file(path, 1ULL << 30); // a hole: no markers
    NullHost host;
    quelm::SegmentTable table;
    quelm::Scanner scanner(table, host);
    scanner.Look4Frame(path);
    std::int64_t now = 8 * 3600;
    for (auto _ : state) {
        state.PauseTiming();
        {
            quelm::tools::Growth growth;
            growth.append = true;
            quelm::tools::RecordWriter writer(path, 1, growth);
            for (int i = 0; i < 30; ++i) {
                writer.Start(now);
                writer.AudioBytes((1 << 20) / 30 - 100);
                now += 9;
                writer.End(now);
            }
            writer.Close();
        }
        state.ResumeTiming();
        if (scanner.Resume(path) != quelm::ResumeResult::Grown) {
            state.SkipWithError("the scan did not resume");
            break;
        }
    }
    state.counters["rows"] = table.RowCount();
    std::filesystem::remove(path);
}

} // namespace

BENCHMARK(BM_XorEveryBlock)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Scan)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ResumeAfterAppend)->Unit(benchmark::kMicrosecond)->Iterations(40);
BENCHMARK_MAIN();
