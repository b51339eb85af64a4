// The scan of a generated ~1 GiB record file in the page cache, next to a
// loop that only reads every byte once.
#include "BenchSupport.h"
#include "mapped_file/Memory.h"
#include "record/Scanner.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <string>

namespace
{

const std::string& BenchFile()
{
    static const std::string path = quelm::bench::BenchFile();
    return path;
}

using quelm::bench::AnonymousKiB;

void BM_ReadEveryByte(benchmark::State& state)
{
    quelm::Memory memory;
    const auto view = memory.MapFile(BenchFile());
    for (auto _ : state) {
        std::uint64_t sum = 0;
        const std::uint8_t* data = view.Data();
        for (std::uint64_t i = 0; i < view.Size(); ++i) {
            sum += data[i];
        }
        benchmark::DoNotOptimize(sum);
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

} // namespace

BENCHMARK(BM_ReadEveryByte)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Scan)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
