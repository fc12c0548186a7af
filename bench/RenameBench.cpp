// Renaming every program of the largest image by find and replace: the plan
// of 5,000 names (each decoded, replaced by a regular expression and encoded
// again), writing the 5,000 names, and through the window the preview of a
// typed rule drawn, and OK to the list drawn again.

#include "bench/BenchWindow.h"
#include "bench/LargestImage.h"
#include "db/LoadDatabase.h"
#include "db/Rename.h"
#include "tests/support/LoadedImage.h"
#include "ui/EditActions.h"
#include "codepage/RenamePlan.h"
#include "ui/RenamePreview.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <chrono>
#include <vector>

namespace korvex::bench {
namespace {

// Every name of the largest image is a stem and a number, twelve characters:
// the number goes in front, so every name changes and keeps its length.
const RenameRule kRotate{QStringLiteral("^(\\D+)(\\d+)$"), QStringLiteral("\\2\\1"), true, false};

std::vector<ProgramEntry> EveryProgram(const ChannelDatabase& db)
{
    std::vector<ProgramEntry> programs;
    for (const ProgRecord& prog : db.AllProgs())
        programs.push_back({prog.table, prog.tableIndex});
    return programs;
}

void PlanBench(benchmark::State& state)
{
    const testing::LoadedImage loaded(LargestImage());
    const std::vector<ProgramEntry> programs = EveryProgram(*loaded.db);
    const NameCharset charset("UTF-8");
    for (auto _ : state) {
        RenamePlan plan = PlanRename(*loaded.db, programs, kRotate, charset);
        if (plan.renamed != programs.size()) {
            state.SkipWithError("not every name was renamed");
            break;
        }
        benchmark::DoNotOptimize(plan);
    }
    state.counters["programs"] = static_cast<double>(programs.size());
}
BENCHMARK(PlanBench)->Name("Rename/Plan5000")->Unit(benchmark::kMillisecond);

void WriteBench(benchmark::State& state)
{
    testing::LoadedImage loaded(LargestImage());
    const auto pristine = std::make_unique<FlashImage>(*loaded.image);
    const std::vector<ProgramEntry> programs = EveryProgram(*loaded.db);
    const std::vector<ProgramRename> renames =
        PlanRename(*loaded.db, programs, kRotate, NameCharset("UTF-8")).Renames();
    for (auto _ : state) {
        if (!RenamePrograms(*loaded.image, *loaded.db, renames).done) {
            state.SkipWithError("the renames were refused");
            break;
        }
        state.PauseTiming();
        *loaded.image = *pristine;
        LoadDatabase(*loaded.image, *loaded.db);
        state.ResumeTiming();
    }
}
BENCHMARK(WriteBench)->Name("Rename/Write5000")->Unit(benchmark::kMillisecond);

using Clock = std::chrono::steady_clock;

// Through the window on the 5000 rows of one whole TV table, none selected:
// the rule set in the open preview to its rows drawn; or from OK to the list
// drawn again.
void WindowBench(benchmark::State& state, bool fromOk)
{
    BenchWindow& window = BenchWindow::Get();
    if (!window.Show(TvVideo::WholeTvTable)) {
        state.SkipWithError("the largest image does not open");
        return;
    }
    CKorvexDlg& dialog = *window.dialog;
    for (auto _ : state) {
        dialog.SelectRows({});
        window.Settle();
        Clock::time_point start, end;
        std::size_t rows = 0;
        QTimer::singleShot(0, [&] {
            auto* preview = dynamic_cast<RenamePreview*>(QApplication::activeModalWidget());
            if (!preview)
                return;
            start = Clock::now();
            preview->SetRule(kRotate);
            preview->Rows()->viewport()->repaint();
            end = Clock::now();
            rows = preview->Plan().rows.size();
            if (!fromOk) {
                preview->reject();
                return;
            }
            start = Clock::now();
            preview->OkButton()->click();
        });
        dialog.editActions->rename->trigger();
        if (rows != 5000) {
            state.SkipWithError("the preview did not list the 5000 programs");
            break;
        }
        if (fromOk) {
            if (!window.state.history().CanUndo() || !window.WaitUntilListDrawn()) {
                state.SkipWithError("the names were not written");
                break;
            }
            end = Clock::now();
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        if (window.state.history().CanUndo()) {
            dialog.OnUndo();
            window.WaitUntilListDrawn();
        }
    }
    if (window.state.history().CanUndo())
        state.SkipWithError("the image was not put back after each step");
}
BENCHMARK_CAPTURE(WindowBench, preview, false)
    ->Name("Rename/Window/Preview5000Drawn")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WindowBench, ok, true)
    ->Name("Rename/Window/OkToListDrawn")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace korvex::bench
