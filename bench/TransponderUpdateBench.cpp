// Updating the 300 transponders of the largest image's busiest satellite
// from a 400-entry scan table: every transponder moved one MHz with a new
// symbol rate, and a hundred entries the image has no room for. The pairing
// with its plan alone, then the plan and the write of every change; then
// through the window: Tools → "Update transponders…" to the preview drawn
// (the table file read and paired), and OK to the list drawn again.

#include "bench/BenchWindow.h"
#include "bench/LargestImage.h"
#include "db/LoadDatabase.h"
#include "db/TransponderUpdate.h"
#include "res/ResourceIds.h"
#include "ui/TransponderUpdatePreview.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <QTreeWidget>

#include <fstream>
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

// The table as a dvbv5 file, as dtv-scan-tables writes them.
bool WriteDvbv5(const QString& path, const std::vector<TableEntry>& table)
{
    std::ofstream out(path.toStdString());
    for (const TableEntry& entry : table)
        out << "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = " << entry.frequencyKHz
            << "\n\tPOLARIZATION = " << (entry.polarisation == TablePolarisation::Vertical ? "VERTICAL" : "HORIZONTAL")
            << "\n\tSYMBOL_RATE = " << entry.symbolRate << "\n\n";
    return static_cast<bool>(out);
}

void WindowBench(benchmark::State& state, bool fromOk)
{
    UpdateImage update;
    if (!update.Load(state))
        return;
    QTemporaryDir dir;
    const QString table = dir.filePath(QStringLiteral("Busiest"));
    if (!WriteDvbv5(table, update.table)) {
        state.SkipWithError("cannot write the table");
        return;
    }
    BenchWindow& window = BenchWindow::Get();
    if (!window.Show(TvVideo::Carried)) {
        state.SkipWithError("the largest image does not open");
        return;
    }
    CKorvexDlg& dialog = *window.dialog;
    // The tree may still have the satellite current from an earlier run,
    // while the list shows all programs: choose it anew.
    dialog.channelTree->setCurrentItem(dialog.channelTree->topLevelItem(0));
    dialog.channelTree->setCurrentItem(dialog.channelTree->topLevelItem(1)->child(kBusiestSat));
    window.WaitUntilListDrawn();
    for (auto _ : state) {
        window.platform.openAnswers.push_back(table);
        const PreviewTiming timing = TimePreview<TransponderUpdatePreview>(
            window, fromOk, [&] { dialog.OnCommand(res::ID_TOOLS_UPDATE_TPS); });
        if (timing.failure) {
            state.SkipWithError(timing.failure);
            break;
        }
        state.SetIterationTime(timing.seconds);
    }
    if (!window.platform.messages.empty())
        state.SkipWithError("the window showed a message");
}
BENCHMARK_CAPTURE(WindowBench, preview, false)
    ->Name("TransponderUpdate/Window/PreviewDrawn")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WindowBench, ok, true)
    ->Name("TransponderUpdate/Window/OkToListDrawn")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace korvex::bench
