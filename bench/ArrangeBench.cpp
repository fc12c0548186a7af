// Arranging the 5000-row list of one whole table through the window, as the
// user runs it: moving 1000 selected rows to the top, deleting 1000 rows,
// sorting by name, and undoing and redoing each, through the history
// bracket, the reload, the tree, the counters and the refill; a keystroke in
// the find field; and what the history of 1000 editor edits holds.

#include "bench/BenchWindow.h"
#include "db/Encoders.h"
#include "db/ImageHistory.h"
#include "db/LoadDatabase.h"
#include "tests/support/LoadedImage.h"

#include <benchmark/benchmark.h>

#include <QLineEdit>
#include <QTableView>

#include <functional>
#include <numeric>

namespace korvex::bench {
namespace {

constexpr int kRows = 5000;
constexpr int kSelected = 1000;

std::vector<int> LastRows(int count)
{
    std::vector<int> rows(static_cast<std::size_t>(count));
    std::iota(rows.begin(), rows.end(), kRows - count);
    return rows;
}

struct ArrangeCase {
    const char* name;
    // Before the run: what the list looks like (nothing, or a step of its own).
    std::function<void(CKorvexDlg&)> setUp;
    std::function<void(CKorvexDlg&)> select;
    std::function<void(CKorvexDlg&, testing::FakePlatform&)> act;
};

const ArrangeCase kCases[] = {
    {"MoveToTop1000", nullptr, [](CKorvexDlg& dialog) { dialog.SelectRows(LastRows(kSelected)); },
     [](CKorvexDlg& dialog, testing::FakePlatform& platform) {
         platform.numberAnswers.push_back(1);
         dialog.Arranging().MoveTo();
     }},
    {"Delete1000", nullptr, [](CKorvexDlg& dialog) { dialog.SelectRows(LastRows(kSelected)); },
     [](CKorvexDlg& dialog, testing::FakePlatform&) { dialog.Arranging().Delete(); }},
    // The names are in table order already: sorted by satellite first, the
    // sort by name has every row to put back.
    {"SortByName", [](CKorvexDlg& dialog) { dialog.Arranging().Sort(SortKey::Satellite); },
     [](CKorvexDlg& dialog) { dialog.SelectRows({}); },
     [](CKorvexDlg& dialog, testing::FakePlatform&) { dialog.Arranging().Sort(SortKey::Name); }},
};

enum class Phase { Do, Undo, Redo };

// The window shows the TV tab's 5000 rows of one whole table.
bool PrepareWholeTable(benchmark::State& state, BenchWindow& window)
{
    if (!window.Show(TvVideo::WholeTvTable) || window.dialog->channelList->model()->rowCount() != kRows) {
        state.SkipWithError("the whole-table image does not open");
        return false;
    }
    return true;
}

bool Wait(benchmark::State& state, BenchWindow& window, bool drawn)
{
    if (drawn && !window.WaitUntilListDrawn()) {
        state.SkipWithError("the list was not drawn");
        return false;
    }
    return true;
}

void Arrange(benchmark::State& state, const ArrangeCase& arrange, Phase phase, bool drawn)
{
    BenchWindow& window = BenchWindow::Get();
    if (!PrepareWholeTable(state, window))
        return;
    CKorvexDlg& dialog = *window.dialog;
    if (arrange.setUp)
        arrange.setUp(dialog);
    const bool setUpStep = dialog.editActions && window.state.history().CanUndo();
    for (auto _ : state) {
        state.PauseTiming();
        arrange.select(dialog);
        if (phase != Phase::Do) {
            arrange.act(dialog, window.platform);
            if (phase == Phase::Redo)
                dialog.Arranging().Undo();
        }
        window.Settle();
        state.ResumeTiming();
        switch (phase) {
        case Phase::Do: arrange.act(dialog, window.platform); break;
        case Phase::Undo: dialog.Arranging().Undo(); break;
        case Phase::Redo: dialog.Arranging().Redo(); break;
        }
        if (!Wait(state, window, drawn))
            break;
        // Back to the image the run started from, drawn, unless the step
        // was the undo and has been drawn already.
        state.PauseTiming();
        if (phase != Phase::Undo)
            dialog.Arranging().Undo();
        if (phase != Phase::Undo || !drawn)
            window.WaitUntilListDrawn();
        state.ResumeTiming();
    }
    if (setUpStep)
        dialog.Arranging().Undo();
    window.Settle();
    if (window.state.history().CanUndo())
        state.SkipWithError("the image was not put back after each step");
    state.counters["rows"] = window.dialog->channelList->model()->rowCount();
}

// One keystroke in the find field over the 5000 rows: a digit added, then
// taken away again.
void FindKeystroke(benchmark::State& state, bool drawn)
{
    BenchWindow& window = BenchWindow::Get();
    if (!PrepareWholeTable(state, window))
        return;
    QLineEdit* find = window.dialog->findField;
    find->setText(QStringLiteral("TELEVIS0012"));
    window.WaitUntilListDrawn();
    bool longer = true;
    for (auto _ : state) {
        find->setText(longer ? QStringLiteral("TELEVIS00123") : QStringLiteral("TELEVIS0012"));
        longer = !longer;
        if (!Wait(state, window, drawn))
            break;
    }
    state.counters["rows"] = window.dialog->channelList->model()->rowCount();
    find->clear();
    window.WaitUntilListDrawn();
}

// The history after 1000 editor edits of the largest image: its size is the
// figure (bytes), not the time.
void HistoryOfEditorEdits(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        testing::LoadedImage loaded(LargestImage(TvVideo::Carried));
        ImageHistory history;
        history.Reset(*loaded.image);
        state.ResumeTiming();
        for (int i = 0; i < 1000; ++i) {
            history.Begin(*loaded.image);
            ProgRecord prog = loaded.db->tvProgs[static_cast<std::size_t>(i * 7) % loaded.db->numTv];
            prog.serviceId = static_cast<std::uint16_t>(prog.serviceId + 1);
            prog.progName[0] ^= 0x20;
            prog.unlocked ^= 1;
            if (!EncodeProg(*loaded.image, prog) || !history.Commit(*loaded.image, "Edit") ||
                !loaded.Reload()) {
                state.SkipWithError("an edit did not go through");
                return;
            }
        }
        state.counters["bytes"] = static_cast<double>(history.StepBytes());
    }
}

void Register()
{
    const std::pair<Phase, const char*> phases[] = {
        {Phase::Do, ""}, {Phase::Undo, "/Undo"}, {Phase::Redo, "/Redo"}};
    for (const ArrangeCase& arrange : kCases) {
        for (const auto& [phase, suffix] : phases) {
            for (const bool drawn : {false, true}) {
                const std::string name =
                    std::string("Arrange/") + arrange.name + suffix + (drawn ? "/Drawn" : "");
                // A fixed count: every step is put back untimed, which costs
                // far more than the step, so a time-based count runs long.
                benchmark::RegisterBenchmark(name.c_str(), [&arrange, phase = phase, drawn](benchmark::State& s) {
                    Arrange(s, arrange, phase, drawn);
                })->Unit(benchmark::kMillisecond)->Iterations(30);
            }
        }
    }
    benchmark::RegisterBenchmark("Find/Keystroke5000", [](benchmark::State& s) { FindKeystroke(s, false); })
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Find/Keystroke5000/Drawn", [](benchmark::State& s) { FindKeystroke(s, true); })
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("History/ThousandEditorEdits", HistoryOfEditorEdits)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
}

const int kRegistered = (Register(), 0);

} // namespace
} // namespace korvex::bench
