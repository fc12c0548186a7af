// The main window on the largest image: each list type filled with its widest
// content, and drawn; the edit cycle (encode one program, load the database
// again, refill the 5000-row list), and the whole dispatch of an edit through
// the program editor; scrolling the 5000-row list; Open through to the list
// drawn.

#include "bench/BenchWindow.h"
#include "db/Encoders.h"
#include "db/LoadDatabase.h"

#include <benchmark/benchmark.h>

#include <QScrollBar>
#include <QTableView>
#include <QTimer>

namespace korvex::bench {
namespace {

struct FillCase {
    const char* name;
    TvVideo image;
    ListType listType;
    std::uint32_t radioMode;
};

// Satellite 0 and transponder 0 carry the most rows their lists hold.
constexpr FillCase kFillCases[] = {
    {"Satellites", TvVideo::Carried, ListType::Satellites, 0},            // 150 rows
    {"SatTransponders", TvVideo::Carried, ListType::SatTransponders, 0},  // 300 rows
    {"AllPrograms/TV", TvVideo::Carried, ListType::AllPrograms, 0},       // 3000 rows
    {"AllPrograms/Radio", TvVideo::Carried, ListType::AllPrograms, 1},    // 2000 rows
    {"AllPrograms/Radio5000", TvVideo::None, ListType::AllPrograms, 1},   // 5000 rows
    {"TpPrograms/TV", TvVideo::Carried, ListType::TpPrograms, 0},         // 300 rows
    {"TpPrograms/Radio", TvVideo::Carried, ListType::TpPrograms, 1},      // 200 rows
};

bool Prepare(benchmark::State& state, BenchWindow& window, TvVideo image, std::uint32_t radioMode)
{
    if (!window.Show(image)) {
        state.SkipWithError("the largest image does not open");
        return false;
    }
    window.dialog->selectedSat = kBusiestSat;
    window.dialog->selectedTp = kBusiestTp;
    window.SelectTab(radioMode);
    return true;
}

// FillList and the drawing of the list that follows it.
void FillListDrawn(benchmark::State& state, const FillCase& fill)
{
    BenchWindow& window = BenchWindow::Get();
    if (!Prepare(state, window, fill.image, fill.radioMode))
        return;
    for (auto _ : state) {
        window.dialog->FillList(fill.listType);
        if (!window.WaitUntilListDrawn()) {
            state.SkipWithError("the list was not drawn");
            break;
        }
    }
    state.counters["rows"] = window.dialog->channelList->model()->rowCount();
}

// FillList alone: the rows and columns, before anything is drawn.
void FillListCall(benchmark::State& state, const FillCase& fill)
{
    BenchWindow& window = BenchWindow::Get();
    if (!Prepare(state, window, fill.image, fill.radioMode))
        return;
    for (auto _ : state)
        window.dialog->FillList(fill.listType);
    state.counters["rows"] = window.dialog->channelList->model()->rowCount();
    window.WaitUntilListDrawn();
}

// After the program editor's OK: the program is encoded into the image, the
// database is decoded again and the list it was picked from is refilled.
void EditCycle(benchmark::State& state, bool drawn)
{
    BenchWindow& window = BenchWindow::Get();
    if (!Prepare(state, window, TvVideo::None, 1))
        return;
    window.dialog->FillList(ListType::AllPrograms);
    window.WaitUntilListDrawn();
    ProgramState& program = window.state;
    std::size_t row = 0;
    for (auto _ : state) {
        ListState& list = program.list();
        const ChannelDatabase& db = program.database();
        ProgRecord edited = list.RowTable[row] == ProgTable::Tv ? db.tvProgs[list.RowMap[row]]
                                                                : db.radioProgs[list.RowMap[row]];
        edited.serviceId ^= 1;
        edited.unlocked ^= 1;
        if (!EncodeProg(program.image(), edited) ||
            !LoadDatabase(program.image(), program.database())) {
            state.SkipWithError("the edit did not go through");
            break;
        }
        window.dialog->FillList(list.ListType);
        if (drawn && !window.WaitUntilListDrawn()) {
            state.SkipWithError("the list was not drawn");
            break;
        }
        row = (row + 997) % db.numProgs;
    }
    state.counters["rows"] = window.dialog->channelList->model()->rowCount();
    if (!drawn)
        window.WaitUntilListDrawn();
}

// The whole dispatch of a double click on a row of the 5000-row list: the
// program editor opens, its OK encodes the program, and the window loads the
// database again, refills the list, the counters and the tree labels; until
// the list has been drawn.
void EditThroughTheEditor(benchmark::State& state)
{
    BenchWindow& window = BenchWindow::Get();
    if (!Prepare(state, window, TvVideo::None, 1))
        return;
    window.dialog->FillList(ListType::AllPrograms);
    window.WaitUntilListDrawn();
    int row = 0;
    for (auto _ : state) {
        window.dialog->channelList->selectRow(row);
        // The editor's modal loop is running when the timer fires.
        QTimer::singleShot(0, window.dialog.get(), [&] { window.dialog->progEditDlg.OnOK(); });
        window.dialog->OnListDblClk();
        if (!window.platform.messages.empty() || !window.WaitUntilListDrawn()) {
            state.SkipWithError("the edit did not go through");
            break;
        }
        row = (row + 997) % window.dialog->channelList->model()->rowCount();
    }
}

// Scrolling the 5000-row list a page down, wrapping round at the end, until
// the rows that came into view have been drawn.
void ScrollPage(benchmark::State& state)
{
    BenchWindow& window = BenchWindow::Get();
    if (!Prepare(state, window, TvVideo::None, 1))
        return;
    window.dialog->FillList(ListType::AllPrograms);
    window.WaitUntilListDrawn();
    QScrollBar* const bar = window.dialog->channelList->verticalScrollBar();
    for (auto _ : state) {
        bar->setValue(bar->value() >= bar->maximum() ? 0 : bar->value() + bar->pageStep());
        if (!window.WaitUntilListDrawn()) {
            state.SkipWithError("the list was not drawn");
            break;
        }
    }
}

// Open, as the user runs it, through to the list of all TV programs drawn:
// reading the file, the load, the counters, the tree and the list.
void OpenLargest(benchmark::State& state)
{
    BenchWindow& window = BenchWindow::Get();
    window.SelectTab(0);
    for (auto _ : state) {
        if (!window.Open(TvVideo::Carried)) {
            state.SkipWithError("the largest image does not open");
            break;
        }
    }
}

template <typename... Args>
void Register(const std::string& name, Args&&... args)
{
    benchmark::RegisterBenchmark(name.c_str(), std::forward<Args>(args)...)->Unit(benchmark::kMillisecond);
}

// "X" is the work itself, "X/Drawn" goes on until the list has been drawn.
const bool kRegistered = [] {
    for (const FillCase& fill : kFillCases) {
        const std::string name = std::string("FillList/") + fill.name;
        Register(name, FillListCall, fill);
        Register(name + "/Drawn", FillListDrawn, fill);
    }
    Register("EditCycle/Radio5000", EditCycle, false);
    Register("EditCycle/Radio5000/Drawn", EditCycle, true);
    Register("EditCycle/Radio5000/ThroughTheEditor/Drawn", EditThroughTheEditor);
    Register("Scroll/Radio5000/PageDown/Drawn", ScrollPage);
    Register("Open/LargestImage/Drawn", OpenLargest);
    return true;
}();

} // namespace
} // namespace korvex::bench
