// update-tps IMAGE (--out FILE [--backup] | --dry-run) --sat N --table FILE
//            [--xml-sat POSITION] [--any-position] [--tolerance N] [--json]
//
// Brings one satellite's transponders up to date from a published scan table
// (dvbv5 or satellites.xml): the window's Tools → "Update transponders…",
// through the same reader, pairing and write. A table for another orbital
// position than the satellite's is refused unless --any-position is given; a
// plan the write would refuse is refused by the dry run as well.

#include "db/TransponderUpdate.h"
#include "scantable/ScanTableFile.h"
#include "tools/CliSupport.h"
#include "tools/TextTable.h"
#include "tools/Dump.h"
#include "tools/Commands.h"
#include "tools/TransponderUpdateReport.h"

namespace korvex::cli {
namespace {

QString PositionsOf(const ScanTable& table)
{
    QStringList positions;
    for (const ScanTableSatellite& satellite : table.satellites)
        positions << (satellite.position ? QString::fromStdString(OrbitalPositionText(*satellite.position))
                                         : QStringLiteral("(none)"));
    return positions.join(QStringLiteral(", "));
}

// The satellite of the table to use, or the error line.
std::optional<QString> ChooseTableSatellite(const CommandLine& line, const QCommandLineOption& xmlSat,
                                            const QString& tablePath, const ScanTable& table,
                                            const ScanTableSatellite*& chosen)
{
    if (table.format == ScanTableFormat::Dvbv5) {
        if (line.IsSet(xmlSat))
            return line.Problem(QStringLiteral("--xml-sat chooses a <sat> of a satellites.xml file; %1 is a dvbv5 "
                                               "table of one satellite")
                                    .arg(tablePath));
        chosen = &table.satellites.front();
        return std::nullopt;
    }
    if (!line.IsSet(xmlSat)) {
        if (table.satellites.size() == 1) {
            chosen = &table.satellites.front();
            return std::nullopt;
        }
        return line.Problem(QStringLiteral("%1 holds %2 satellites; choose one with --xml-sat POSITION (%3)")
                                .arg(tablePath)
                                .arg(table.satellites.size())
                                .arg(PositionsOf(table)));
    }
    const std::optional<int> position = ParseOrbitalPosition(line.Value(xmlSat).toStdString());
    if (!position)
        return line.Problem(QStringLiteral("--xml-sat '%1': give a position such as 19.2E, 0.8W or 192")
                                .arg(line.Value(xmlSat)));
    chosen = SatelliteAt(table, *position);
    if (!chosen)
        return line.Problem(QStringLiteral("%1 holds no satellite at %2 (it holds %3)")
                                .arg(tablePath, QString::fromStdString(OrbitalPositionText(*position)),
                                     PositionsOf(table)));
    return std::nullopt;
}

} // namespace

CliResult RunUpdateTps(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("update-tps"));
    const QCommandLineOption out(QStringLiteral("out"), {}, QStringLiteral("FILE"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption sat(QStringLiteral("sat"), {}, QStringLiteral("N"));
    const QCommandLineOption tableOption(QStringLiteral("table"), {}, QStringLiteral("FILE"));
    const QCommandLineOption xmlSat(QStringLiteral("xml-sat"), {}, QStringLiteral("POSITION"));
    const QCommandLineOption tolerance(QStringLiteral("tolerance"), {}, QStringLiteral("N"));
    const QCommandLineOption anyPosition(QStringLiteral("any-position"));
    line.AddOutput(out);
    for (const QCommandLineOption* option : {&dryRun, &json, &sat, &tableOption, &xmlSat, &tolerance, &anyPosition})
        line.Add(*option);
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
    if (!line.IsSet(sat))
        return Error(line.Problem(QStringLiteral("--sat N: which satellite, as dump shows it")));
    if (!line.IsSet(tableOption))
        return Error(line.Problem(QStringLiteral("--table FILE: the scan table to update from")));
    std::uint32_t toleranceValue = kDefaultTpTolerance;
    if (line.IsSet(tolerance)) {
        const std::optional<qulonglong> n = RecordIndex(line.Value(tolerance));
        if (!n || *n > kMaxTpTolerance)
            return Error(line.Problem(QStringLiteral("--tolerance '%1': give a number of MHz from 0 to %2")
                                          .arg(line.Value(tolerance))
                                          .arg(kMaxTpTolerance)));
        toleranceValue = static_cast<std::uint32_t>(*n);
    }

    Image image;
    if (auto failed = LoadImage(path, image))
        return *failed;
    const std::optional<qulonglong> satIndex = RecordIndex(line.Value(sat));
    if (!satIndex || *satIndex >= image.db->Sats().size())
        return Error(line.Problem(QStringLiteral("%1 has no satellite %2 (it has %3)")
                                      .arg(path, line.Value(sat))
                                      .arg(image.db->Sats().size())));

    const QString tablePath = line.Value(tableOption);
    const ScanTableRead read = ReadScanTable(tablePath.toStdString());
    if (!read.table)
        return Error(line.Problem(QString::fromStdString(read.error)));
    const ScanTableSatellite* chosen = nullptr;
    if (auto problem = ChooseTableSatellite(line, xmlSat, tablePath, *read.table, chosen))
        return Error(*problem);

    const CharsetChoice names = NamesCharset(line.Charset(), *image.db);
    const SatRecord& satellite = image.db->Sats()[*satIndex];
    const auto nameOf = [&](const SatRecord& record) {
        return TerminalSafe(NameText(record.satName, names.charset)).toStdString();
    };
    if (chosen->position && !line.IsSet(anyPosition))
        if (const std::string why = PositionMismatchText(static_cast<std::uint32_t>(*satIndex), nameOf(satellite),
                                                         satellite.longitude, *chosen->position);
            !why.empty())
            return Error(line.Problem(QStringLiteral("%1: %2; give --any-position to take it all the same")
                                          .arg(tablePath, QString::fromStdString(why))));

    const TransponderUpdatePlan plan =
        PlanTransponderUpdate(*image.flash, *image.db, *satIndex, chosen->entries, toleranceValue);
    if (plan.sharesSatIdWith)
        return Error(line.Problem(QStringLiteral("%1: %2").arg(
            path, QString::fromStdString(SharedSatIdText(static_cast<std::uint32_t>(*satIndex), nameOf(satellite),
                                                         *plan.sharesSatIdWith,
                                                         nameOf(image.db->Sats()[*plan.sharesSatIdWith]),
                                                         satellite.satId)))));
    if (!plan.refusal.empty())
        return Error(line.Problem(QStringLiteral("%1 %2").arg(tablePath, QString::fromStdString(plan.refusal))));

    const QString tableSatellite =
        read.table->format == ScanTableFormat::SatellitesXml ? QString::fromStdString(chosen->name) : QString();
    const TransponderUpdateReport report{plan,      *image.db,       *satIndex,      names.charset, tablePath,
                                         tableSatellite, chosen->entries, toleranceValue, dry,
                                         chosen->position};
    // The write refuses the whole change when one record may not change, so
    // the dry run refuses it alike, with the record and the reason.
    for (const TransponderChange& change : plan.changes)
        if (!change.refusal.empty())
            return Error(line.Problem(QStringLiteral("%1: transponder %2 (row %3) cannot change: %4")
                                          .arg(path)
                                          .arg(change.tpIndex)
                                          .arg(change.row)
                                          .arg(QString::fromStdString(change.refusal))));
    QByteArray text = line.IsSet(json) ? TransponderUpdateJson(report) : TransponderUpdateText(report);
    if (dry)
        return Output(std::move(text), plan.changes.empty() ? kExitSuccess : kExitFindings);

    const ChangeOutcome outcome = UpdateTransponders(*image.flash, *image.db, plan.changes);
    if (!outcome.done)
        return Error(line.Problem(QStringLiteral("%1: %2").arg(path, QString::fromStdString(outcome.refusal))));
    if (auto failed = WriteImage(outPath, image, line.KeepsBackup()))
        return *failed;
    return Output(std::move(text));
}

} // namespace korvex::cli
