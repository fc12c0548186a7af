// The database core on the largest image: taking the file in, the whole load,
// its counting pass against the plain every-record-against-every-record pass,
// and a copy of the 1 MiB buffer as the floor any load stands on.

#include "bench/LargestImage.h"
#include "bench/TempImageFile.h"
#include "db/LoadDatabase.h"
#include "tests/support/LiteralCounting.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

namespace korvex::bench {
namespace {

const testing::BuiltImage& Largest()
{
    static const testing::BuiltImage image = LargestImage();
    return image;
}

// The largest image taken in and loaded; null, and the benchmark stopped
// with an error, when it does not load.
std::unique_ptr<ChannelDatabase> LoadedLargest(benchmark::State& state, FlashImage& image)
{
    auto db = std::make_unique<ChannelDatabase>();
    if (!TakeInBytes(image, Largest().bytes) || !LoadDatabase(image, *db)) {
        state.SkipWithError("the largest image does not load");
        return nullptr;
    }
    return db;
}

void CopyBuffer(benchmark::State& state)
{
    const auto& source = Largest().bytes;
    auto image = std::make_unique<FlashImage>();
    for (auto _ : state) {
        std::memcpy(image->bytes.data(), source.data(), source.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(CopyBuffer)->Name("Floor/Copy1MiB");

void TakeInBytesBench(benchmark::State& state)
{
    auto image = std::make_unique<FlashImage>();
    for (auto _ : state) {
        TakeInBytes(*image, Largest().bytes);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(TakeInBytesBench)->Name("TakeIn/Bytes");

void TakeInFileBench(benchmark::State& state)
{
    const TempImageFile file;
    auto image = std::make_unique<FlashImage>();
    for (auto _ : state) {
        if (TakeInFile(*image, file.path()) != TakeInResult::Taken) {
            state.SkipWithError("the image file was not taken in");
            break;
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(TakeInFileBench)->Name("TakeIn/File");

void LoadDatabaseBench(benchmark::State& state)
{
    auto image = std::make_unique<FlashImage>();
    auto db = LoadedLargest(state, *image);
    if (!db)
        return;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LoadDatabase(*image, *db));
        benchmark::ClobberMemory();
    }
    state.counters["programs"] = db->numProgs;
}
BENCHMARK(LoadDatabaseBench)->Name("LoadDatabase");

void CountRecordsBench(benchmark::State& state)
{
    auto image = std::make_unique<FlashImage>();
    auto db = LoadedLargest(state, *image);
    if (!db)
        return;
    for (auto _ : state) {
        CountRecords(*db);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(CountRecordsBench)->Name("Counting/Tallies");

void LiteralCountBench(benchmark::State& state)
{
    auto image = std::make_unique<FlashImage>();
    auto db = LoadedLargest(state, *image);
    if (!db)
        return;
    for (auto _ : state) {
        testing::LiteralCount(*db);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(LiteralCountBench)->Name("Counting/Literal")->Unit(benchmark::kMillisecond);

} // namespace
} // namespace korvex::bench
