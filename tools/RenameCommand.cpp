// rename IMAGE (--out FILE [--backup] | --dry-run) (--tv | --radio) [N...]
//        --find TEXT --replace TEXT [--regex] [--cut] [--json]
//
// Renames programs by find and replace: the window's Edit -> "Rename…", with
// the same plan (codepage/RenamePlan, over codepage/NameRename) and the same
// writer (db/Rename). Every program named, or every program of the table when
// none is, is reported: its name before and after, or why it is left as it was.

#include "codepage/RenamePlan.h"
#include "db/Rename.h"
#include "tools/Commands.h"
#include "tools/PlannedCommand.h"
#include "tools/RenameReport.h"

namespace korvex::cli {

CliResult RunRename(const QStringList& arguments)
{
    PlannedCommand command(QStringLiteral("rename"), JsonReport::Yes);
    const QCommandLineOption find(QStringLiteral("find"), {}, QStringLiteral("TEXT"));
    const QCommandLineOption replace(QStringLiteral("replace"), {}, QStringLiteral("TEXT"));
    const QCommandLineOption regex(QStringLiteral("regex"));
    const QCommandLineOption cut(QStringLiteral("cut"));
    const TableChoice tables;
    for (const QCommandLineOption* option : {&find, &replace, &regex, &cut})
        command.Line().Add(*option);
    tables.AddTo(command.Line());

    // IMAGE, then the programs N... to rename.
    const auto images = [](const CommandLine& line, QStringList& paths) -> std::optional<QString> {
        if (line.Positional().isEmpty())
            return line.Problem(QStringLiteral("no IMAGE given"));
        paths = {line.Positional().first()};
        return std::nullopt;
    };
    ProgTable table{};
    const auto options = [&](const CommandLine& line) -> std::optional<QString> {
        if (auto problem = tables.Chosen(line, table))
            return problem;
        if (!line.IsSet(find))
            return line.Problem(QStringLiteral("--find TEXT is required"));
        if (!line.IsSet(replace))
            return line.Problem(QStringLiteral("--replace TEXT is required (--replace '' removes what is found)"));
        return std::nullopt;
    };
    const auto plan = [&](const PlanInput& in) -> PlannedChange {
        Image& image = in.Target();
        std::vector<ProgramEntry> programs;
        if (auto problem = ProgramsNamed(in.line, in.TargetPath(), *image.db, table, in.line.Positional().mid(1), programs))
            return Error(*problem);
        const RenameRule rule{in.line.Value(find), in.line.Value(replace), in.line.IsSet(regex), in.line.IsSet(cut)};
        const RenamePlan rename = PlanRename(*image.db, programs, rule, NamesCharset(in.line.Charset(), *image.db).charset);
        if (!rename.refusal.empty())
            return Error(in.line.Problem(QStringLiteral("--find: ") + QString::fromStdString(rename.refusal)));
        const RenameReport report{rename, *image.db, table, rule, in.dryRun};
        return {in.json ? RenameJson(report) : RenameText(report), rename.renamed > 0,
                [&image, renames = rename.Renames()] { return RenamePrograms(*image.flash, *image.db, renames); }};
    };
    return command.Run(arguments, {.images = images, .options = options, .plan = plan});
}

} // namespace korvex::cli
