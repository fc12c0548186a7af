// Comparing the largest image with an earlier scan of it: 5,000 programs on
// each side, paired by channel. The difference and the marks alone, the
// pairing choice alone, then through the window: from the earlier file
// picked to the marked list drawn, and an action while comparing (one
// program's lock), from the action to the list drawn with the marks
// computed anew.

#include "bench/BenchWindow.h"
#include "bench/TempImageFile.h"
#include "db/ImageDifference.h"
#include "db/LoadDatabase.h"
#include "ui/compare/ComparisonMarks.h"
#include "ui/compare/CompareCommand.h"

#include <benchmark/benchmark.h>

#include <QTableView>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>

namespace korvex::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct CompareImages {
    std::unique_ptr<FlashImage> earlierImage = std::make_unique<FlashImage>();
    std::unique_ptr<ChannelDatabase> earlier = std::make_unique<ChannelDatabase>();
    std::unique_ptr<FlashImage> image = std::make_unique<FlashImage>();
    std::unique_ptr<ChannelDatabase> db = std::make_unique<ChannelDatabase>();

    bool Load(benchmark::State& state)
    {
        if (!TakeInBytes(*earlierImage, EarlierLargestImage().bytes) || !LoadDatabase(*earlierImage, *earlier) ||
            !TakeInBytes(*image, LargestImage().bytes) || !LoadDatabase(*image, *db)) {
            state.SkipWithError("the images do not load");
            return false;
        }
        return true;
    }
    DiffSide Before() const { return {*earlierImage, *earlier, earlierImage->flashSize}; }
    DiffSide After() const { return {*image, *db, image->flashSize}; }
};

void ChooseBench(benchmark::State& state)
{
    CompareImages images;
    if (!images.Load(state))
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(ChoosePairing(images.Before(), images.After()));
}
BENCHMARK(ChooseBench)->Name("Compare/ChoosePairing")->Unit(benchmark::kMillisecond);

// What the window computes at every fill while comparing.
void DifferenceAndMarksBench(benchmark::State& state)
{
    CompareImages images;
    if (!images.Load(state))
        return;
    const DiffPairing pairing = ChoosePairing(images.Before(), images.After());
    // As the window does at each fill, the new marks replace the last ones:
    // the memory the last ones free is what the next ones take.
    ComparisonMarks marks;
    for (auto _ : state) {
        marks = ComparisonMarks(DiffImages(images.Before(), images.After(), pairing, OutsideBytes::Skipped),
                                *images.earlier, *images.db);
        benchmark::DoNotOptimize(marks);
    }
    state.counters["programs"] = images.db->numProgs;
    state.counters["channels"] = pairing == DiffPairing::Channels ? 1 : 0;
}
BENCHMARK(DifferenceAndMarksBench)->Name("Compare/DifferenceAndMarks")->Unit(benchmark::kMillisecond);

// The earlier image in a file of its own, as the user picks it.
class EarlierFile {
public:
    EarlierFile()
        : path_(std::filesystem::temp_directory_path() /
                ("korvex-bench-compare-" + std::to_string(::getpid()) + ".bin"))
    {
        const testing::BuiltImage earlier = EarlierLargestImage();
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(earlier.bytes.data()), static_cast<std::streamsize>(earlier.bytes.size()));
    }
    ~EarlierFile()
    {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    QString Path() const { return QString::fromStdString(path_.string()); }

private:
    std::filesystem::path path_;
};

// From the earlier file picked to the marked list drawn: read, decoded,
// compared, refilled with the gone rows and drawn.
void StartBench(benchmark::State& state)
{
    BenchWindow& window = BenchWindow::Get();
    if (!window.Show(TvVideo::Carried)) {
        state.SkipWithError("the largest image does not open");
        return;
    }
    const EarlierFile earlier;
    CKorvexDlg& dialog = *window.dialog;
    for (auto _ : state) {
        window.Settle();
        const Clock::time_point start = Clock::now();
        QString why;
        if (!dialog.Comparison().Start(earlier.Path(), why) || !window.WaitUntilListDrawn()) {
            state.SkipWithError("the comparison did not start");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        dialog.Comparison().End();
        window.WaitUntilListDrawn();
    }
}
BENCHMARK(StartBench)->Name("Compare/Window/StartToListDrawn")->UseManualTime()->Unit(benchmark::kMillisecond);

// An action on the open image: the first program locked, through the
// history bracket, the reload and the refill, which compares anew while
// comparing; undone outside the timing. Without a comparison for the figure
// it adds to.
void ActionBench(benchmark::State& state, bool comparing)
{
    BenchWindow& window = BenchWindow::Get();
    if (!window.Show(TvVideo::Carried)) {
        state.SkipWithError("the largest image does not open");
        return;
    }
    const EarlierFile earlier;
    CKorvexDlg& dialog = *window.dialog;
    QString why;
    if (comparing && !dialog.Comparison().Start(earlier.Path(), why)) {
        state.SkipWithError("the comparison did not start");
        return;
    }
    window.WaitUntilListDrawn();
    dialog.SelectRows({0});
    window.Settle();
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        dialog.Arranging().ChangeFlags(Lock(), QStringLiteral("Locked %1."), QStringLiteral("Lock"));
        if (!window.WaitUntilListDrawn()) {
            state.SkipWithError("the list was not drawn");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        dialog.Arranging().Undo();
        window.Settle();
    }
    dialog.Comparison().End();
    window.WaitUntilListDrawn();
    if (window.state.history().CanUndo())
        state.SkipWithError("the image was not put back after each step");
}
BENCHMARK_CAPTURE(ActionBench, comparing, true)
    ->Name("Compare/Window/ActionToListDrawn")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ActionBench, alone, false)
    ->Name("Compare/Window/ActionToListDrawnNotComparing")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace korvex::bench
