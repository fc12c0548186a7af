// apply EARLIER IMAGE (--out FILE [--backup] | --dry-run) [--order] [--favourites] [--lock]
//       [--names] [--unmatched keep|delete] [--tolerance N] [--json]
//
// Carries the order, favourites, locks and, when asked, names of an earlier
// image over to IMAGE, the box's new scan of the same channels: the window's
// "Apply an earlier list", through the same db/ plan and application.

#include "db/CarryOver.h"
#include "db/ChannelMatch.h"
#include "tools/CarryOverReport.h"
#include "tools/CliSupport.h"
#include "tools/Commands.h"

namespace korvex::cli {
namespace {

// Beyond a few units a frequency no longer names the same transponder; the
// search for the nearest one grows with the tolerance.
constexpr qulonglong kMaxTolerance = 1000;

struct ChoiceOptions {
    QCommandLineOption order{QStringLiteral("order")};
    QCommandLineOption favourites{QStringLiteral("favourites")};
    QCommandLineOption lock{QStringLiteral("lock")};
    QCommandLineOption names{QStringLiteral("names")};
    QCommandLineOption unmatched{QStringLiteral("unmatched"), {}, QStringLiteral("keep|delete")};

    void AddTo(CommandLine& line) const
    {
        for (const QCommandLineOption* option : {&order, &favourites, &lock, &names, &unmatched})
            line.Add(*option);
    }

    // Without a choice: order, favourites and lock.
    std::optional<QString> Chosen(const CommandLine& line, CarryOverChoices& choices) const
    {
        const bool any = line.IsSet(order) || line.IsSet(favourites) || line.IsSet(lock) || line.IsSet(names);
        if (any) {
            choices.order = line.IsSet(order);
            choices.favourites = line.IsSet(favourites);
            choices.lock = line.IsSet(lock);
            choices.names = line.IsSet(names);
        }
        if (line.IsSet(unmatched)) {
            const QString where = line.Value(unmatched);
            if (where != u"keep" && where != u"delete")
                return line.Problem(QStringLiteral("--unmatched '%1': give keep or delete").arg(where));
            choices.deleteUnmatched = where == u"delete";
        }
        return std::nullopt;
    }
};

} // namespace

CliResult RunApply(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("apply"));
    const QCommandLineOption out(QStringLiteral("out"), {}, QStringLiteral("FILE"));
    const QCommandLineOption tolerance(QStringLiteral("tolerance"), {}, QStringLiteral("N"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"));
    const QCommandLineOption json(QStringLiteral("json"));
    const ChoiceOptions choiceOptions;
    line.AddOutput(out);
    line.Add(tolerance);
    line.Add(dryRun);
    line.Add(json);
    choiceOptions.AddTo(line);
    if (auto problem = line.Parse(arguments))
        return Error(*problem);
    if (line.HelpAsked())
        return Usage();
    QStringList positional;
    if (auto problem = TwoArguments(line, QStringLiteral("EARLIER and IMAGE are needed"), positional))
        return Error(*problem);
    const bool dry = line.IsSet(dryRun);
    QString outPath;
    if (!dry)
        if (auto problem = OutPath(line, out, outPath))
            return Error(*problem);
    CarryOverChoices choices;
    if (auto problem = choiceOptions.Chosen(line, choices))
        return Error(*problem);
    MatchOptions matching;
    if (line.IsSet(tolerance)) {
        const std::optional<qulonglong> n = RecordIndex(line.Value(tolerance));
        if (!n || *n > kMaxTolerance)
            return Error(line.Problem(QStringLiteral("--tolerance '%1': give a number from 0 to %2")
                                          .arg(line.Value(tolerance))
                                          .arg(kMaxTolerance)));
        matching.frequencyTolerance = static_cast<std::uint16_t>(*n);
    }

    Image earlier, image;
    if (auto failed = LoadOneOfTwo(positional[0], earlier))
        return *failed;
    if (auto failed = LoadOneOfTwo(positional[1], image))
        return *failed;
    const CharsetChoice earlierNames = NamesCharset(line.Charset(), *earlier.db);
    const CharsetChoice currentNames = NamesCharset(line.Charset(), *image.db);
    matching.names = SingleByteCharactersOf(currentNames.charset);
    const ChannelMatch match = MatchChannels(*earlier.db, *image.db, matching);
    const CarryOverPlan plan = PlanCarryOver(*image.flash, *image.db, *earlier.db, match, choices);
    if (!plan.refusal.empty())
        return Error(line.Problem(QStringLiteral("%1: %2").arg(positional[1], QString::fromStdString(plan.refusal))));

    const CarryOverReport report{plan, earlierNames.charset, currentNames.charset, matching.frequencyTolerance, dry};
    QByteArray text = line.IsSet(json) ? CarryOverJson(report) : CarryOverText(report);
    if (dry)
        return Output(std::move(text), plan.Changes() ? kExitFindings : kExitSuccess);

    const ChangeOutcome outcome = ApplyCarryOver(*image.flash, *image.db, plan);
    if (!outcome.done)
        return Error(line.Problem(QStringLiteral("%1: %2").arg(positional[1], QString::fromStdString(outcome.refusal))));
    if (auto failed = WriteImage(outPath, image, line.KeepsBackup()))
        return *failed;
    return Output(std::move(text));
}

} // namespace korvex::cli
