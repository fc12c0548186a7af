// apply EARLIER IMAGE (--out FILE [--backup] | --dry-run) [--order] [--favourites] [--lock]
//       [--names] [--unmatched keep|delete] [--tolerance N] [--json]
//
// Carries the order, favourites, locks and, when asked, names of an earlier
// image over to IMAGE, the box's new scan of the same channels: the window's
// "Apply an earlier list", through the same db/ plan and application.

#include "db/CarryOver.h"
#include "db/ChannelMatch.h"
#include "tools/CarryOverReport.h"
#include "tools/Commands.h"
#include "tools/PlannedCommand.h"

namespace korvex::cli {
namespace {

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
    PlannedCommand command(QStringLiteral("apply"), JsonReport::Yes);
    const QCommandLineOption tolerance(QStringLiteral("tolerance"), {}, QStringLiteral("N"));
    const ChoiceOptions choiceOptions;
    command.Line().Add(tolerance);
    choiceOptions.AddTo(command.Line());

    const auto images = [](const CommandLine& line, QStringList& paths) {
        return TwoArguments(line, QStringLiteral("EARLIER and IMAGE are needed"), paths);
    };
    CarryOverChoices choices;
    MatchOptions matching;
    const auto options = [&](const CommandLine& line) -> std::optional<QString> {
        if (auto problem = choiceOptions.Chosen(line, choices))
            return problem;
        qulonglong n = matching.frequencyTolerance;
        auto problem = NumberUpTo(line, tolerance, kMaxFrequencyTolerance, QStringLiteral("a number"), n);
        matching.frequencyTolerance = static_cast<std::uint16_t>(n);
        return problem;
    };
    const auto plan = [&](const PlanInput& in) -> PlannedChange {
        const Image& earlier = in.images.front();
        Image& image = in.Target();
        const CharsetChoice earlierNames = NamesCharset(in.line.Charset(), *earlier.db);
        const CharsetChoice currentNames = NamesCharset(in.line.Charset(), *image.db);
        MatchOptions named = matching;
        named.names = SingleByteCharactersOf(currentNames.charset);
        const ChannelMatch match = MatchChannels(*earlier.db, *image.db, named);
        CarryOverPlan carryOver = PlanCarryOver(*image.flash, *image.db, *earlier.db, match, choices);
        if (!carryOver.refusal.empty())
            return in.Refused(carryOver.refusal);
        const CarryOverReport report{carryOver, earlierNames.charset, currentNames.charset,
                                     matching.frequencyTolerance, in.dryRun};
        return {in.json ? CarryOverJson(report) : CarryOverText(report), carryOver.Changes(),
                [&image, carryOver = std::move(carryOver)] { return ApplyCarryOver(*image.flash, *image.db, carryOver); }};
    };
    return command.Run(arguments, {.images = images, .options = options, .plan = plan});
}

} // namespace korvex::cli
