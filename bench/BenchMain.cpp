// Runs every benchmark of Korvex in one process. The results are printed in
// the format --benchmark_format names (console by default, json or csv); on
// the console the table is followed by the ratios that compare the load with
// the plain counting pass and with copying the buffer, taken from this same
// run (medians when repeated). JSON and CSV carry the results alone, so that
// they stay valid for the tools that read them.
//
//   korvex_bench [--benchmark_repetitions=N] [--benchmark_format=json] ...
//
// A benchmark stopped with an error makes the run exit with 1, in any format.
// The window benchmarks draw on the offscreen platform unless QT_QPA_PLATFORM
// names another.

#include "bench/BenchWindow.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// Passes the reports on to the reporter that prints them and watches the runs
// go by: it notes a run stopped with an error and keeps each benchmark's time
// for the ratios.
//
// The console table is printed as the benchmarks finish and ends with the
// ratios. JSON and CSV get every run at once, at the end, and no ratios: the
// library's CSV reporter takes its columns from the first report it is given
// and stops the program when a later one brings a counter of its own, and the
// benchmarks here count different things (programs, rows).
class WatchingReporter final : public benchmark::BenchmarkReporter {
public:
    WatchingReporter(benchmark::BenchmarkReporter& printer, bool console) : printer_(printer), console_(console) {}

    bool ReportContext(const Context& context) override { return printer_.ReportContext(context); }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            Watch(run);
        if (console_)
            printer_.ReportRuns(runs);
        else
            heldBack_.insert(heldBack_.end(), runs.begin(), runs.end());
    }

    void Finalize() override
    {
        if (!heldBack_.empty())
            printer_.ReportRuns(heldBack_);
        printer_.Finalize();
        if (console_)
            PrintRatios(printer_.GetOutputStream());
    }

    // A benchmark stopped with an error: the run fails on it.
    bool failed() const { return failed_; }

private:
    void Watch(const Run& run)
    {
        if (run.error_occurred) {
            failed_ = true;
            return;
        }
        const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (single || median)
            seconds_[run.run_name.function_name] =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }

    void PrintRatios(std::ostream& out) const
    {
        const auto load = seconds_.find("LoadDatabase");
        if (load == seconds_.end() || load->second <= 0)
            return;
        out << '\n';
        if (const auto literal = seconds_.find("Counting/Literal"); literal != seconds_.end())
            out << "LoadDatabase is " << Fixed(literal->second / load->second, 0)
                << " times faster than the literal counting pass\n";
        if (const auto copy = seconds_.find("Floor/Copy1MiB"); copy != seconds_.end() && copy->second > 0)
            out << "LoadDatabase costs " << Fixed(load->second / copy->second, 1)
                << " times a copy of the 1 MiB buffer\n";
        out.flush();
    }

    static std::string Fixed(double value, int decimals)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
        return text;
    }

    benchmark::BenchmarkReporter& printer_;
    const bool console_;
    std::vector<Run> heldBack_;
    std::map<std::string, double> seconds_;
    bool failed_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    // The library's reporter for --benchmark_format; it lives as long as the
    // process. The console table keeps its counters in columns.
    benchmark::BenchmarkReporter* const chosen = benchmark::CreateDefaultDisplayReporter();
    const bool console = dynamic_cast<benchmark::ConsoleReporter*>(chosen) != nullptr;
    benchmark::ConsoleReporter table(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Defaults
                                                           : benchmark::ConsoleReporter::OO_Tabular);
    WatchingReporter reporter(console ? static_cast<benchmark::BenchmarkReporter&>(table) : *chosen, console);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    korvex::bench::BenchWindow::Close();
    benchmark::Shutdown();
    return reporter.failed() ? 1 : 0;
}
