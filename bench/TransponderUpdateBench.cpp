// Updating the 300 transponders of the largest image's busiest satellite
// from a 400-entry scan table: every transponder moved one MHz with a new
// symbol rate, and a hundred entries the image has no room for. The pairing
// with its plan alone, then the plan and the write of every change.

#include "bench/LargestImage.h"
#include "db/LoadDatabase.h"
#include "db/TransponderUpdate.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace korvex::bench {
namespace {

struct UpdateImage {
    std::unique_ptr<FlashImage> image = std::make_unique<FlashImage>();
    std::unique_ptr<FlashImage> pristine = std::make_unique<FlashImage>();
    std::unique_ptr<ChannelDatabase> db = std::make_unique<ChannelDatabase>();
    std::vector<TableEntry> table;

    bool Load(benchmark::State& state)
    {
        if (!TakeInBytes(*image, LargestImage().bytes) || !LoadDatabase(*image, *db)) {
            state.SkipWithError("the image does not load");
            return false;
        }
        *pristine = *image;
        const std::uint16_t satId = db->Sats()[kBusiestSat].satId;
        for (const TpRecord& tp : db->Tps())
            if (tp.satId == satId) {
                const std::uint64_t moved = tp.frequency < kMaxTpFrequency ? tp.frequency + 1 : tp.frequency - 1;
                table.push_back({moved * 1000, (tp.symbolRate % 60000 + 1000) * 1000ull,
                                 tp.polarisation ? TablePolarisation::Vertical : TablePolarisation::Horizontal,
                                 TableSystem::DvbS2});
            }
        for (std::uint64_t k = 0; k < 100; ++k)
            table.push_back({(16000 + k) * 1000, 27500000, TablePolarisation::Horizontal, TableSystem::DvbS});
        if (PlanTransponderUpdate(*image, *db, kBusiestSat, table).changes.size() != kMaxSatTps) {
            state.SkipWithError("the busiest satellite's transponders do not all change");
            return false;
        }
        return true;
    }
};

void PlanBench(benchmark::State& state)
{
    UpdateImage update;
    if (!update.Load(state))
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(PlanTransponderUpdate(*update.image, *update.db, kBusiestSat, update.table));
}
BENCHMARK(PlanBench)->Name("TransponderUpdate/Plan/300tps+400entries")->Unit(benchmark::kMicrosecond);

void PlanAndWriteBench(benchmark::State& state)
{
    UpdateImage update;
    if (!update.Load(state))
        return;
    for (auto _ : state) {
        const TransponderUpdatePlan plan = PlanTransponderUpdate(*update.image, *update.db, kBusiestSat, update.table);
        if (!UpdateTransponders(*update.image, *update.db, plan.changes).done) {
            state.SkipWithError("the update was refused");
            return;
        }
        state.PauseTiming();
        *update.image = *update.pristine;
        state.ResumeTiming();
    }
}
BENCHMARK(PlanAndWriteBench)->Name("TransponderUpdate/PlanAndWrite/300tps")->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace korvex::bench
