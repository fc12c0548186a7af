// rename IMAGE (--out FILE [--backup] | --dry-run) (--tv | --radio) [N...]
//        --find TEXT --replace TEXT [--regex] [--cut]
//
// Renames programs by find and replace: the window's Edit -> "Rename…", with
// the same rules (codepage/NameRename) and the same writer (db/Rename). Every
// program named, or every program of the table when none is, gets one line:
// its name before and after, or why it is left as it was.

#include "codepage/NameRename.h"
#include "codepage/Utf16Text.h"
#include "db/Rename.h"
#include "tools/CliSupport.h"
#include "tools/TextTable.h"
#include "tools/Commands.h"

#include <vector>

namespace korvex::cli {
namespace {

QString Quoted(const QString& name) { return QLatin1Char('"') + TerminalSafe(name) + QLatin1Char('"'); }

QString Counted(std::size_t n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1StringView(n == 1 ? one : many));
}

// One program's line: where it stands, its name before and after, and what
// happened to it.
QString RenameLine(ProgTable table, std::size_t index, const NameRename& rename)
{
    QString line = (table == ProgTable::Tv ? QStringLiteral("tv ") : QStringLiteral("radio ")) +
                   QString::number(index) + QStringLiteral(": ") + Quoted(rename.before);
    switch (rename.result) {
    case RenameResult::NotMatched: return line + QStringLiteral("  unchanged: not matched\n");
    case RenameResult::Renamed: return line + QStringLiteral(" -> ") + Quoted(rename.after) + QLatin1Char('\n');
    case RenameResult::Cut:
        return line + QStringLiteral(" -> ") + Quoted(rename.after) +
               QStringLiteral("  cut to %1 bytes\n").arg(kNameBytes);
    case RenameResult::TooLong:
    case RenameResult::Unstorable:
    case RenameResult::Unreadable: break;
    }
    return line + QStringLiteral(" -> ") + Quoted(rename.after) + QStringLiteral("  unchanged: ") +
           LeftUnchangedText(rename, kNameBytes) + QLatin1Char('\n');
}

} // namespace

CliResult RunRename(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("rename"));
    const QCommandLineOption out(QStringLiteral("out"), {}, QStringLiteral("FILE"));
    const QCommandLineOption find(QStringLiteral("find"), {}, QStringLiteral("TEXT"));
    const QCommandLineOption replace(QStringLiteral("replace"), {}, QStringLiteral("TEXT"));
    const QCommandLineOption regex(QStringLiteral("regex"));
    const QCommandLineOption cut(QStringLiteral("cut"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"));
    const TableChoice tables;
    line.AddOutput(out);
    for (const QCommandLineOption* option : {&find, &replace, &regex, &cut, &dryRun})
        line.Add(*option);
    tables.AddTo(line);
    if (auto problem = line.Parse(arguments))
        return Error(*problem);
    if (line.HelpAsked())
        return Usage();
    const QStringList positional = line.Positional();
    if (positional.isEmpty())
        return Error(line.Problem(QStringLiteral("no IMAGE given")));
    const QString imagePath = positional.first();
    const bool dry = line.IsSet(dryRun);
    QString outPath;
    if (!dry)
        if (auto problem = OutPath(line, out, outPath))
            return Error(*problem);
    ProgTable table{};
    if (auto problem = tables.Chosen(line, table))
        return Error(*problem);
    if (!line.IsSet(find))
        return Error(line.Problem(QStringLiteral("--find TEXT is required")));
    if (!line.IsSet(replace))
        return Error(line.Problem(QStringLiteral("--replace TEXT is required (--replace '' removes what is found)")));

    Image image;
    if (auto failed = LoadImage(imagePath, image))
        return *failed;
    const NameRenamer renamer({line.Value(find), line.Value(replace), line.IsSet(regex), line.IsSet(cut)},
                              NamesCharset(line.Charset(), *image.db).charset, kNameBytes);
    if (!renamer.Problem().isEmpty())
        return Error(line.Problem(QStringLiteral("--find: ") + renamer.Problem()));

    // The programs named, as dump counts them, or the whole table.
    const std::span<const ProgRecord> programs = ProgramsOf(*image.db, table);
    std::vector<std::size_t> indices;
    if (positional.size() > 1) {
        std::vector<std::uint32_t> positions;
        if (auto problem = ProgramPositions(line, imagePath, *image.db, table, positional.mid(1), positions))
            return Error(*problem);
        for (const QString& text : positional.mid(1))
            indices.push_back(static_cast<std::size_t>(*RecordIndex(text)));
    } else {
        for (std::size_t k = 0; k < programs.size(); ++k)
            indices.push_back(k);
    }

    QString report;
    std::vector<ProgramRename> renames;
    std::size_t cutNames = 0, leftUnchanged = 0, notMatched = 0;
    for (const std::size_t index : indices) {
        const ProgRecord& prog = programs[index];
        NameRename rename = renamer.Rename(NameView(prog.progName));
        report += RenameLine(table, index, rename);
        if (rename.Changes())
            renames.push_back({{table, prog.tableIndex}, std::move(rename.bytes)});
        cutNames += rename.result == RenameResult::Cut ? 1 : 0;
        notMatched += rename.result == RenameResult::NotMatched ? 1 : 0;
        leftUnchanged += !rename.Changes() && rename.result != RenameResult::NotMatched ? 1 : 0;
    }
    // The whole rename is asked of the write guard even on a dry run, so that
    // a dry run refuses what the real one would.
    const ChangeOutcome outcome = RenamePrograms(*image.flash, *image.db, renames);
    if (!outcome.done)
        return Error(line.Problem(QStringLiteral("%1: %2").arg(imagePath, QString::fromStdString(outcome.refusal))));
    report += QStringLiteral("%1 %2 of %3")
                  .arg(dry ? QStringLiteral("would rename") : QStringLiteral("renamed"))
                  .arg(renames.size())
                  .arg(Counted(indices.size(), table == ProgTable::Tv ? "TV program" : "radio program",
                               table == ProgTable::Tv ? "TV programs" : "radio programs"));
    if (cutNames > 0)
        report += QStringLiteral(" (%1 cut to %2 bytes)").arg(cutNames).arg(kNameBytes);
    report += QStringLiteral("; %1 left unchanged, %2 not matched\n").arg(leftUnchanged).arg(notMatched);
    if (dry)
        return Output(report.toUtf8(), renames.empty() ? kExitSuccess : kExitFindings);
    if (auto failed = WriteImage(outPath, image, line.KeepsBackup()))
        return *failed;
    return Output(report.toUtf8());
}

} // namespace korvex::cli
