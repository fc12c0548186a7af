// import --csv tv|radio IMAGE CSVFILE --out FILE [--dry-run] [--delete-missing]

#include "db/Arrange.h"
#include "text/ShownText.h"
#include "tools/Commands.h"
#include "tools/CsvImport.h"
#include "tools/CsvTables.h"
#include "tools/ImageDiff.h"
#include "tools/PlannedCommand.h"

#include <QFile>

#include <memory>
#include <utility>

namespace korvex::cli {
namespace {

std::optional<CliResult> ReadCsvFile(const QString& path, CsvText& csv)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error(QStringLiteral("%1: cannot read the file: %2").arg(path, file.errorString()));
    csv = ReadCsv(file.readAll());
    return std::nullopt;
}


// What a written import did to the table, in one line.
QByteArray ImportSummary(const TableDifference& rows, const ProgramImport& import)
{
    return QStringLiteral("import: %1 moved, %2 changed, %3 deleted\n")
        .arg(CountText(rows.moved.size(), "row", "rows"), CountText(import.valuesChanged, "value", "values"),
             CountText(rows.removed.size(), "row", "rows"))
        .toUtf8();
}

} // namespace

CliResult RunImport(const QStringList& arguments)
{
    PlannedCommand command(QStringLiteral("import"), JsonReport::No);
    const QCommandLineOption csvTable(QStringLiteral("csv"), {}, QStringLiteral("TABLE"));
    const QCommandLineOption deleteMissing(QStringLiteral("delete-missing"));
    command.Line().Add(csvTable);
    command.Line().Add(deleteMissing);

    ProgTable programs{};
    QString csvPath;
    const auto images = [&](const CommandLine& line, QStringList& paths) -> std::optional<QString> {
        if (!line.IsSet(csvTable))
            return line.Problem(QStringLiteral("--csv tv|radio is required"));
        const std::optional<CsvTable> table = CsvTableNamed(line.Value(csvTable));
        if (table != CsvTable::Tv && table != CsvTable::Radio)
            return line.Problem(
                QStringLiteral("--csv '%1': only the tv and radio tables are imported").arg(line.Value(csvTable)));
        programs = table == CsvTable::Tv ? ProgTable::Tv : ProgTable::Radio;
        if (auto problem = TwoArguments(line, QStringLiteral("IMAGE and CSVFILE are needed"), paths))
            return problem;
        csvPath = paths.takeLast();
        return std::nullopt;
    };
    // The plan of an import is the image it makes, and what differs from the
    // image read.
    const auto plan = [&](const PlanInput& in) -> PlannedChange {
        Image& image = in.Target();
        ImportSource source{csvPath, {}, in.line.IsSet(deleteMissing)};
        if (auto failed = ReadCsvFile(csvPath, source.csv))
            return *failed;
        const CharsetChoice names = NamesCharset(in.line.Charset(), *image.db);
        const ImportCheck check = CheckProgramImport(image, programs, names.charset, source);
        if (!check.error.isEmpty())
            return Error(in.line.Problem(check.error));
        auto imported = std::make_shared<Image>(image);
        if (QString refusal = ApplyProgramImport(*imported, programs, check.import); !refusal.isEmpty())
            return Error(in.line.Problem(refusal));
        // What the import writes: the whole flash.
        const ImageDifference difference = DiffImages({*image.flash, *image.db, image.fileSize},
                                                      {*imported->flash, *imported->db, imported->flash->flashSize});
        return {in.dryRun ? DiffText(difference, {names.charset, names.charset})
                          : ImportSummary(difference.tables[static_cast<std::size_t>(BlockOf(programs))], check.import),
                !difference.identical, [&image, imported] {
                    std::swap(image.flash, imported->flash);
                    std::swap(image.db, imported->db);
                    return ChangeOutcome::Written();
                }};
    };
    return command.Run(arguments, {.images = images, .plan = plan});
}

} // namespace korvex::cli
