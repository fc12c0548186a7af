// Runs every benchmark of Korvex in one process and, after the table, the
// ratios that compare the load with the plain counting pass and with copying
// the buffer, taken from this same run (medians when repeated).
//
//   korvex_bench [--benchmark_repetitions=N] [--benchmark_out=FILE.json] ...
//
// The window benchmarks draw on the offscreen platform unless QT_QPA_PLATFORM
// names another.

#include "bench/BenchWindow.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include <unistd.h>

namespace {

class RatioReporter final : public benchmark::ConsoleReporter {
public:
    using ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) {
                failed_ = true;
                continue;
            }
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (single || median)
                seconds_[run.run_name.function_name] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto load = seconds_.find("LoadDatabase");
        if (load == seconds_.end() || load->second <= 0)
            return;
        std::printf("\n");
        if (const auto literal = seconds_.find("Counting/Literal"); literal != seconds_.end())
            std::printf("LoadDatabase is %.0f times faster than the literal counting pass\n",
                        literal->second / load->second);
        if (const auto copy = seconds_.find("Floor/Copy1MiB"); copy != seconds_.end() && copy->second > 0)
            std::printf("LoadDatabase costs %.1f times a copy of the 1 MiB buffer\n", load->second / copy->second);
    }

    // A benchmark stopped with an error: the smoke test fails on it.
    bool failed() const { return failed_; }

private:
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
    RatioReporter reporter(isatty(STDOUT_FILENO) ? RatioReporter::OO_Defaults : RatioReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    korvex::bench::BenchWindow::Close();
    benchmark::Shutdown();
    return reporter.failed() ? 1 : 0;
}
