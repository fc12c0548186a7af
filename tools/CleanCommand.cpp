// clean IMAGE (--out FILE [--backup] | --dry-run) [--duplicates] [--strays]
//       [--scrambled] [--no-favourite] [--empty] [--json]
//
// Deletes duplicates, strays, scrambled programs, programs in no favourite
// group and what that leaves empty: the window's Tools → "Clean up…",
// through the same db/ analysis, plan and deletion.

#include "db/CleanUp.h"
#include "tools/CleanUpReport.h"
#include "tools/CliSupport.h"
#include "tools/Commands.h"

#include <array>

namespace korvex::cli {

CliResult RunClean(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("clean"));
    const QCommandLineOption out(QStringLiteral("out"), {}, QStringLiteral("FILE"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"));
    const QCommandLineOption json(QStringLiteral("json"));
    // By CleanUpKind.
    const std::array<QCommandLineOption, kCleanUpKinds> kinds{
        QCommandLineOption(QStringLiteral("duplicates")), QCommandLineOption(QStringLiteral("strays")),
        QCommandLineOption(QStringLiteral("scrambled")), QCommandLineOption(QStringLiteral("no-favourite")),
        QCommandLineOption(QStringLiteral("empty"))};
    line.AddOutput(out);
    line.Add(dryRun);
    line.Add(json);
    for (const QCommandLineOption& kind : kinds)
        line.Add(kind);
    if (auto problem = line.Parse(arguments))
        return Error(*problem);
    if (line.HelpAsked())
        return Usage();
    QString path;
    if (auto problem = OneImage(line, path))
        return Error(*problem);
    const bool dry = line.IsSet(dryRun);
    QString outPath;
    if (!dry)
        if (auto problem = OutPath(line, out, outPath))
            return Error(*problem);

    // Without a kind: duplicates, strays and what they leave empty.
    CleanUpChoices choices;
    bool any = false;
    for (const QCommandLineOption& kind : kinds)
        any = any || line.IsSet(kind);
    if (any)
        for (std::size_t k = 0; k < kinds.size(); ++k)
            choices.kinds[k] = line.IsSet(kinds[k]);

    Image image;
    if (auto failed = LoadImage(path, image))
        return *failed;
    const CleanUpPlan plan = PlanCleanUp(*image.flash, *image.db, AnalyseCleanUp(*image.db), choices);
    if (!plan.refusal.empty())
        return Error(line.Problem(QStringLiteral("%1: %2").arg(path, QString::fromStdString(plan.refusal))));

    const CharsetChoice names = NamesCharset(line.Charset(), *image.db);
    const CleanUpReport report{plan, *image.db, names.charset, dry};
    QByteArray text = line.IsSet(json) ? CleanUpJson(report) : CleanUpText(report);
    if (dry)
        return Output(std::move(text), plan.Changes() ? kExitFindings : kExitSuccess);

    const ChangeOutcome outcome = ApplyCleanUp(*image.flash, *image.db, plan);
    if (!outcome.done)
        return Error(line.Problem(QStringLiteral("%1: %2").arg(path, QString::fromStdString(outcome.refusal))));
    if (auto failed = WriteImage(outPath, image, line.KeepsBackup()))
        return *failed;
    return Output(std::move(text));
}

} // namespace korvex::cli
