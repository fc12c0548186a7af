#pragma once
// The run every korvex-cli command shares that plans a change of the whole
// list before it writes (apply, clean, rename, update-tps, import):
//
//   options   --out FILE [--backup] or --dry-run, --json where the command
//             has a report for scripts, and the command's own options;
//   images    the image to write, and any other the command reads, loaded;
//   plan      the command's own: what it would change, its report, and how
//             to apply it; a plan that cannot be applied ends the run;
//   apply     the plan applied to the image in memory, a dry run too, so that
//             a dry run refuses what the real run would;
//   end       a dry run prints the report and exits 3 when the plan changes
//             something (0 when it does not); a real run writes the image to
//             --out and prints the report.
//
// A dry run and a real run go through the same code up to the write, so
// what a dry run says is what the real run does.

#include "db/ChangeOutcome.h"
#include "tools/CliSupport.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korvex::cli {

// What a command's plan step hands on: the run ends there with `failed`,
// or the report is printed and `apply` is called.
struct PlannedChange {
    PlannedChange() = default;
    // A run that ends before anything is applied: an error line, a refused
    // image. So that a plan step can `return Error(...)`.
    PlannedChange(CliResult failure) : failed(std::move(failure)) {}  // NOLINT(google-explicit-constructor)
    PlannedChange(QByteArray text, bool changesSomething, std::function<ChangeOutcome()> applyPlan)
        : report(std::move(text)), changes(changesSomething), apply(std::move(applyPlan))
    {
    }

    std::optional<CliResult> failed;
    QByteArray report;     // what the plan does, as text or JSON
    bool changes = false;  // whether applying it changes a byte of the image
    // Applies the plan to the image to write.
    std::function<ChangeOutcome()> apply;
};

// What the plan step is given.
struct PlanInput {
    const CommandLine& line;
    QStringList paths;        // the images loaded, as named; the last is the one written
    std::span<Image> images;  // loaded, in the order of paths
    bool dryRun = false;
    bool json = false;        // --json: the report for scripts

    Image& Target() const { return images.back(); }
    const QString& TargetPath() const { return paths.back(); }
    // A plan's refusal, named with the image it refuses, as an error line.
    CliResult Refused(const std::string& why) const;
};

// The steps that are the command's own.
struct PlannedSteps {
    // The images to load from the positional arguments, checked before
    // --out: the image to write last. The error line, or nothing.
    std::function<std::optional<QString>(const CommandLine&, QStringList& images)> images;
    // The command's own options, checked after --out and before any file is
    // read. The error line, or nothing.
    std::function<std::optional<QString>(const CommandLine&)> options = [](const CommandLine&) {
        return std::optional<QString>();
    };
    std::function<PlannedChange(const PlanInput&)> plan;
};

// Whether the command writes a report for scripts with --json.
enum class JsonReport : bool { No, Yes };

class PlannedCommand {
public:
    PlannedCommand(QString name, JsonReport json);

    // Where the command adds its own options before Run.
    CommandLine& Line() { return line_; }

    CliResult Run(const QStringList& arguments, const PlannedSteps& steps);

private:
    CommandLine line_;
    QCommandLineOption out_{QStringLiteral("out"), {}, QStringLiteral("FILE")};
    QCommandLineOption dryRun_{QStringLiteral("dry-run")};
    QCommandLineOption json_{QStringLiteral("json")};
    bool hasJson_ = false;
};

// The images step of a command that takes one IMAGE and nothing else.
std::optional<QString> OneImageToWrite(const CommandLine& line, QStringList& images);

} // namespace korvex::cli
