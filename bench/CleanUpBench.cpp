// Cleaning up the largest image: every kind looked for among its 5,000
// programs, 3,000 transponders and 150 satellites; then the half of its
// programs the scan flagged scrambled deleted, with the transponders that
// leaves empty. The analysis with its plan, the deletion alone (entries and
// the reload after them), then the preview and the refill through the window.

#include "bench/BenchWindow.h"
#include "bench/LargestImage.h"
#include "db/CleanUp.h"
#include "db/LoadDatabase.h"
#include "res/ResourceIds.h"
#include "tests/ui/WindowFixture.h"
#include "ui/CleanUpPreview.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <memory>

namespace korvex::bench {
namespace {

// Every kind but duplicates and strays, which the largest image has none of.
CleanUpChoices Scrambled()
{
    CleanUpChoices choices;
    choices.kinds = {true, true, true, false, true};
    return choices;
}

struct CleanUpImage {
    std::unique_ptr<FlashImage> image = std::make_unique<FlashImage>();
    std::unique_ptr<FlashImage> pristine = std::make_unique<FlashImage>();
    std::unique_ptr<ChannelDatabase> db = std::make_unique<ChannelDatabase>();

    // False, with the benchmark stopped with an error, when the image does
    // not load or its clean-up is not the one it was made for.
    bool Load(benchmark::State& state)
    {
        if (!TakeInBytes(*image, LargestImage().bytes) || !LoadDatabase(*image, *db)) {
            state.SkipWithError("the image does not load");
            return false;
        }
        *pristine = *image;
        const CleanUpPlan plan = PlanCleanUp(*image, *db, AnalyseCleanUp(*db), Scrambled());
        if (plan.going[2] + plan.going[3] != db->numProgs / 2 || !plan.refusal.empty()) {
            state.SkipWithError("the image does not hold its scrambled half");
            return false;
        }
        return true;
    }
};

// What the preview does on opening: every kind looked for, and the plan of
// the kinds ticked.
void AnalyseBench(benchmark::State& state)
{
    CleanUpImage images;
    if (!images.Load(state))
        return;
    CleanUpChoices everything;
    everything.kinds = {true, true, true, true, true};
    for (auto _ : state) {
        const CleanUpAnalysis analysis = AnalyseCleanUp(*images.db);
        CleanUpPlan plan = PlanCleanUp(*images.image, *images.db, analysis, everything);
        benchmark::DoNotOptimize(plan);
    }
    state.counters["programs"] = images.db->numProgs;
}
BENCHMARK(AnalyseBench)->Name("CleanUp/AnalyseAndPlan")->Unit(benchmark::kMillisecond);

void ApplyBench(benchmark::State& state)
{
    CleanUpImage images;
    if (!images.Load(state))
        return;
    const CleanUpPlan plan = PlanCleanUp(*images.image, *images.db, AnalyseCleanUp(*images.db), Scrambled());
    for (auto _ : state) {
        if (!ApplyCleanUp(*images.image, *images.db, plan).done) {
            state.SkipWithError("the plan was refused");
            break;
        }
        state.PauseTiming();
        *images.image = *images.pristine;
        LoadDatabase(*images.image, *images.db);
        state.ResumeTiming();
    }
    state.counters["deleted"] = static_cast<double>(plan.going[0] + plan.going[1] + plan.going[2] + plan.going[3]);
}
BENCHMARK(ApplyBench)->Name("CleanUp/Apply")->Unit(benchmark::kMillisecond);

// Through the window, as the user runs it, on the largest image: from Tools
// → "Clean up…" to the preview drawn; and, Scrambled ticked, from OK to the
// list drawn again.
void WindowBench(benchmark::State& state, bool fromOk)
{
    BenchWindow& window = BenchWindow::Get();
    if (!window.Show(TvVideo::Carried)) {
        state.SkipWithError("the largest image does not open");
        return;
    }
    CKorvexDlg& dialog = *window.dialog;
    for (auto _ : state) {
        const PreviewTiming timing = TimePreview<CleanUpPreview>(
            window, fromOk, [&] { testing::MenuCommand(dialog, res::ID_TOOLS_CLEANUP)->trigger(); },
            [](CleanUpPreview& preview) { preview.SetKinds(Scrambled().kinds); });
        if (timing.failure) {
            state.SkipWithError(timing.failure);
            break;
        }
        state.SetIterationTime(timing.seconds);
    }
    if (window.state.history().CanUndo())
        state.SkipWithError("the image was not put back after each step");
}
BENCHMARK_CAPTURE(WindowBench, preview, false)
    ->Name("CleanUp/Window/PreviewDrawn")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WindowBench, ok, true)
    ->Name("CleanUp/Window/OkToListDrawn")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace korvex::bench
