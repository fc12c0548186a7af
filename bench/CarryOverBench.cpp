// Carrying an earlier list over to the largest image: 5,000 programs on each
// side (3,000 TV, 2,000 radio), every one to be matched, moved and given its
// favourites and lock back. The matching alone, the plan alone, the
// application alone (flag bytes, the new orders and the reloads after them),
// and the whole of it; then the preview and the refill through the window.

#include "bench/BenchWindow.h"
#include "bench/LargestImage.h"
#include "db/CarryOver.h"
#include "db/ChannelMatch.h"
#include "db/LoadDatabase.h"
#include "ui/bulk/CarryOverPreview.h"
#include "ui/list/EditActions.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>

namespace korvex::bench {
namespace {

struct CarryOverImages {
    std::unique_ptr<FlashImage> earlierImage = std::make_unique<FlashImage>();
    std::unique_ptr<ChannelDatabase> earlier = std::make_unique<ChannelDatabase>();
    std::unique_ptr<FlashImage> image = std::make_unique<FlashImage>();
    std::unique_ptr<FlashImage> pristine = std::make_unique<FlashImage>();
    std::unique_ptr<ChannelDatabase> db = std::make_unique<ChannelDatabase>();

    // False, with the benchmark stopped with an error, when an image does not
    // load or the two do not match as they were made to.
    bool Load(benchmark::State& state)
    {
        if (!TakeInBytes(*earlierImage, EarlierLargestImage().bytes) || !LoadDatabase(*earlierImage, *earlier) ||
            !TakeInBytes(*image, LargestImage().bytes) || !LoadDatabase(*image, *db)) {
            state.SkipWithError("the images do not load");
            return false;
        }
        *pristine = *image;
        const ChannelMatch match = MatchChannels(*earlier, *db);
        if (match.Programs(ProgTable::Tv).pairs.size() != db->numTv ||
            match.Programs(ProgTable::Radio).pairs.size() != db->numRadio ||
            match.Count(ProgTable::Tv, ProgramMatchedBy::Name) == 0) {
            state.SkipWithError("the earlier image's programs are not all found");
            return false;
        }
        return true;
    }
};

void MatchBench(benchmark::State& state)
{
    CarryOverImages images;
    if (!images.Load(state))
        return;
    for (auto _ : state) {
        ChannelMatch match = MatchChannels(*images.earlier, *images.db);
        benchmark::DoNotOptimize(match);
    }
    state.counters["programs"] = images.db->numProgs;
}
BENCHMARK(MatchBench)->Name("CarryOver/Match")->Unit(benchmark::kMillisecond);

void PlanBench(benchmark::State& state)
{
    CarryOverImages images;
    if (!images.Load(state))
        return;
    const ChannelMatch match = MatchChannels(*images.earlier, *images.db);
    for (auto _ : state) {
        CarryOverPlan plan = PlanCarryOver(*images.image, *images.db, *images.earlier, match, {});
        benchmark::DoNotOptimize(plan);
    }
}
BENCHMARK(PlanBench)->Name("CarryOver/Plan")->Unit(benchmark::kMillisecond);

void ApplyBench(benchmark::State& state)
{
    CarryOverImages images;
    if (!images.Load(state))
        return;
    const ChannelMatch match = MatchChannels(*images.earlier, *images.db);
    const CarryOverPlan plan = PlanCarryOver(*images.image, *images.db, *images.earlier, match, {});
    for (auto _ : state) {
        if (!ApplyCarryOver(*images.image, *images.db, plan).done) {
            state.SkipWithError("the plan was refused");
            break;
        }
        state.PauseTiming();
        *images.image = *images.pristine;
        LoadDatabase(*images.image, *images.db);
        state.ResumeTiming();
    }
}
BENCHMARK(ApplyBench)->Name("CarryOver/Apply")->Unit(benchmark::kMillisecond);

// Everything between the user's OK and the image carried over: the window
// adds only its history bracket and the refill of its list.
void MatchPlanApplyBench(benchmark::State& state)
{
    CarryOverImages images;
    if (!images.Load(state))
        return;
    for (auto _ : state) {
        const ChannelMatch match = MatchChannels(*images.earlier, *images.db);
        const CarryOverPlan plan = PlanCarryOver(*images.image, *images.db, *images.earlier, match, {});
        if (!ApplyCarryOver(*images.image, *images.db, plan).done) {
            state.SkipWithError("the plan was refused");
            break;
        }
        state.PauseTiming();
        *images.image = *images.pristine;
        LoadDatabase(*images.image, *images.db);
        state.ResumeTiming();
    }
    state.counters["programs"] = images.db->numProgs;
}
BENCHMARK(MatchPlanApplyBench)->Name("CarryOver/MatchPlanApply")->Unit(benchmark::kMillisecond);

// The earlier image in a file of its own, as the user picks it.
class EarlierImageFile {
public:
    EarlierImageFile()
        : path_(std::filesystem::temp_directory_path() /
                ("korvex-bench-earlier-" + std::to_string(::getpid()) + ".bin"))
    {
        const testing::BuiltImage earlier = EarlierLargestImage();
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(earlier.bytes.data()), static_cast<std::streamsize>(earlier.bytes.size()));
    }
    ~EarlierImageFile()
    {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    QString Path() const { return QString::fromStdString(path_.string()); }

private:
    std::filesystem::path path_;
};

// Through the window, as the user runs it, on the largest image: from Edit →
// "Apply an earlier list…" (the earlier file read and decoded, matched and
// planned) to the preview drawn; and from OK to the list drawn again.
void WindowBench(benchmark::State& state, bool fromOk)
{
    BenchWindow& window = BenchWindow::Get();
    if (!window.Show(TvVideo::Carried)) {
        state.SkipWithError("the largest image does not open");
        return;
    }
    const EarlierImageFile earlier;
    CKorvexDlg& dialog = *window.dialog;
    for (auto _ : state) {
        window.platform.openAnswers.push_back(earlier.Path());
        const PreviewTiming timing = TimePreview<CarryOverPreview>(
            window, fromOk, [&] { dialog.editActions->applyEarlier->trigger(); });
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
    ->Name("CarryOver/Window/PreviewDrawn")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WindowBench, ok, true)
    ->Name("CarryOver/Window/OkToListDrawn")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace korvex::bench
