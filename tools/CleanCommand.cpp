// clean IMAGE (--out FILE [--backup] | --dry-run) [--duplicates] [--strays]
//       [--scrambled] [--no-favourite] [--empty] [--json]
//
// Deletes duplicates, strays, scrambled programs, programs in no favourite
// group and what that leaves empty: the window's Tools → "Clean up…",
// through the same db/ analysis, plan and deletion.

#include "db/CleanUp.h"
#include "tools/CleanUpReport.h"
#include "tools/Commands.h"
#include "tools/PlannedCommand.h"

#include <algorithm>
#include <array>

namespace korvex::cli {

CliResult RunClean(const QStringList& arguments)
{
    PlannedCommand command(QStringLiteral("clean"), JsonReport::Yes);
    // By CleanUpKind.
    const std::array<QCommandLineOption, kCleanUpKinds> kinds{
        QCommandLineOption(QStringLiteral("duplicates")), QCommandLineOption(QStringLiteral("strays")),
        QCommandLineOption(QStringLiteral("scrambled")), QCommandLineOption(QStringLiteral("no-favourite")),
        QCommandLineOption(QStringLiteral("empty"))};
    for (const QCommandLineOption& kind : kinds)
        command.Line().Add(kind);

    const auto plan = [&](const PlanInput& in) -> PlannedChange {
        // Without a kind: duplicates, strays and what they leave empty.
        CleanUpChoices choices;
        if (std::any_of(kinds.begin(), kinds.end(), [&](const auto& kind) { return in.line.IsSet(kind); }))
            for (std::size_t k = 0; k < kinds.size(); ++k)
                choices.kinds[k] = in.line.IsSet(kinds[k]);
        Image& image = in.Target();
        CleanUpPlan cleanUp = PlanCleanUp(*image.flash, *image.db, AnalyseCleanUp(*image.db), choices);
        if (!cleanUp.refusal.empty())
            return in.Refused(cleanUp.refusal);
        const CharsetChoice names = NamesCharset(in.line.Charset(), *image.db);
        const CleanUpReport report{cleanUp, *image.db, names.charset, in.dryRun};
        return {in.json ? CleanUpJson(report) : CleanUpText(report), cleanUp.Changes(),
                [&image, cleanUp = std::move(cleanUp)] { return ApplyCleanUp(*image.flash, *image.db, cleanUp); }};
    };
    return command.Run(arguments, {.images = OneImageToWrite, .plan = plan});
}

} // namespace korvex::cli
