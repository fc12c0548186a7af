// import --csv tv|radio IMAGE CSVFILE --out FILE [--dry-run] [--delete-missing]

#include "db/Arrange.h"
#include "text/ShownText.h"
#include "tools/CliSupport.h"
#include "tools/Commands.h"
#include "tools/CsvImport.h"
#include "tools/CsvTables.h"
#include "tools/ImageDiff.h"

#include <QFile>

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

} // namespace

CliResult RunImport(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("import"));
    const QCommandLineOption csvTable(QStringLiteral("csv"), {}, QStringLiteral("TABLE"));
    const QCommandLineOption out(QStringLiteral("out"), {}, QStringLiteral("FILE"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"));
    const QCommandLineOption deleteMissing(QStringLiteral("delete-missing"));
    line.Add(csvTable);
    line.AddOutput(out);
    line.Add(dryRun);
    line.Add(deleteMissing);
    if (auto problem = line.Parse(arguments))
        return Error(*problem);
    if (line.HelpAsked())
        return Usage();
    if (!line.IsSet(csvTable))
        return Error(line.Problem(QStringLiteral("--csv tv|radio is required")));
    const std::optional<CsvTable> table = CsvTableNamed(line.Value(csvTable));
    if (table != CsvTable::Tv && table != CsvTable::Radio)
        return Error(line.Problem(QStringLiteral("--csv '%1': only the tv and radio tables are imported")
                                      .arg(line.Value(csvTable))));
    QStringList positional;
    if (auto problem = TwoArguments(line, QStringLiteral("IMAGE and CSVFILE are needed"), positional))
        return Error(*problem);
    const bool dry = line.IsSet(dryRun);
    QString outPath;
    if (!dry)
        if (auto problem = OutPath(line, out, outPath))
            return Error(*problem);

    Image image;
    if (auto failed = LoadImage(positional[0], image))
        return *failed;
    ImportSource source{positional[1], {}, line.IsSet(deleteMissing)};
    if (auto failed = ReadCsvFile(positional[1], source.csv))
        return *failed;
    const ProgTable programs = table == CsvTable::Tv ? ProgTable::Tv : ProgTable::Radio;
    const CharsetChoice names = NamesCharset(line.Charset(), *image.db);
    const ImportCheck check = CheckProgramImport(image, programs, names.charset, source);
    if (!check.error.isEmpty())
        return Error(line.Problem(check.error));

    Image imported = image;
    if (QString refusal = ApplyProgramImport(imported, programs, check.import); !refusal.isEmpty())
        return Error(line.Problem(refusal));
    // What the import writes: the whole flash.
    const ImageDifference difference =
        DiffImages({*image.flash, *image.db, image.fileSize}, {*imported.flash, *imported.db, imported.flash->flashSize});
    if (dry)
        return Output(DiffText(difference, {names.charset, names.charset}),
                      difference.identical ? kExitSuccess : kExitFindings);

    if (auto failed = WriteImage(outPath, imported, line.KeepsBackup()))
        return *failed;
    const TableDifference& rows = difference.tables[static_cast<std::size_t>(BlockOf(programs))];
    return Output(QStringLiteral("import: %1 moved, %2 changed, %3 deleted\n")
                      .arg(CountText(rows.moved.size(), "row", "rows"),
                           CountText(check.import.valuesChanged, "value", "values"),
                           CountText(rows.removed.size(), "row", "rows"))
                      .toUtf8());
}

} // namespace korvex::cli
