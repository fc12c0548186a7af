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
#include "text/ShownText.h"
#include "tools/Commands.h"
#include "tools/Dump.h"
#include "tools/PlannedCommand.h"
#include "tools/TextTable.h"
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
    PlannedCommand command(QStringLiteral("update-tps"), JsonReport::Yes);
    const QCommandLineOption sat(QStringLiteral("sat"), {}, QStringLiteral("N"));
    const QCommandLineOption tableOption(QStringLiteral("table"), {}, QStringLiteral("FILE"));
    const QCommandLineOption xmlSat(QStringLiteral("xml-sat"), {}, QStringLiteral("POSITION"));
    const QCommandLineOption tolerance(QStringLiteral("tolerance"), {}, QStringLiteral("N"));
    const QCommandLineOption anyPosition(QStringLiteral("any-position"));
    for (const QCommandLineOption* option : {&sat, &tableOption, &xmlSat, &tolerance, &anyPosition})
        command.Line().Add(*option);

    std::uint32_t toleranceValue = kDefaultTpTolerance;
    const auto options = [&](const CommandLine& line) -> std::optional<QString> {
        if (!line.IsSet(sat))
            return line.Problem(QStringLiteral("--sat N: which satellite, as dump shows it"));
        if (!line.IsSet(tableOption))
            return line.Problem(QStringLiteral("--table FILE: the scan table to update from"));
        qulonglong n = toleranceValue;
        auto problem = NumberUpTo(line, tolerance, kMaxFrequencyTolerance, QStringLiteral("a number of MHz"), n);
        toleranceValue = static_cast<std::uint32_t>(n);
        return problem;
    };
    const auto plan = [&](const PlanInput& in) -> PlannedChange {
        Image& image = in.Target();
        const std::optional<qulonglong> satIndex = RecordIndex(in.line.Value(sat));
        if (!satIndex || *satIndex >= image.db->Sats().size())
            return Error(in.line.Problem(QStringLiteral("%1 has no satellite %2 (it has %3)")
                                             .arg(in.TargetPath(), in.line.Value(sat))
                                             .arg(image.db->Sats().size())));
        const QString tablePath = in.line.Value(tableOption);
        const ScanTableRead read = ReadScanTable(tablePath.toStdString());
        if (!read.table)
            return Error(in.line.Problem(QString::fromStdString(read.error)));
        const ScanTableSatellite* chosen = nullptr;
        if (auto problem = ChooseTableSatellite(in.line, xmlSat, tablePath, *read.table, chosen))
            return Error(*problem);

        const CharsetChoice names = NamesCharset(in.line.Charset(), *image.db);
        const SatRecord& satellite = image.db->Sats()[*satIndex];
        const auto nameOf = [&](const SatRecord& record) {
            return TerminalSafe(NameText(record.satName, names.charset)).toStdString();
        };
        if (chosen->position && !in.line.IsSet(anyPosition))
            if (const std::string why = PositionMismatchText(static_cast<std::uint32_t>(*satIndex),
                                                             nameOf(satellite), satellite.longitude, *chosen->position);
                !why.empty())
                return Error(in.line.Problem(QStringLiteral("%1: %2; give --any-position to take it all the same")
                                                 .arg(tablePath, QString::fromStdString(why))));

        TransponderUpdatePlan update =
            PlanTransponderUpdate(*image.flash, *image.db, *satIndex, chosen->entries, toleranceValue);
        if (update.sharesSatIdWith)
            return in.Refused(SharedSatIdText(static_cast<std::uint32_t>(*satIndex), nameOf(satellite),
                                              *update.sharesSatIdWith,
                                              nameOf(image.db->Sats()[*update.sharesSatIdWith]), satellite.satId));
        if (!update.refusal.empty())
            return Error(in.line.Problem(QStringLiteral("%1 %2").arg(tablePath, QString::fromStdString(update.refusal))));
        // The write refuses the whole change when one record may not change;
        // said with the record and the reason, on a dry run too.
        for (const TransponderChange& change : update.changes)
            if (!change.refusal.empty())
                return in.Refused(QStringLiteral("transponder %1 (row %2) cannot change: %3")
                                      .arg(change.tpIndex)
                                      .arg(change.row)
                                      .arg(QString::fromStdString(change.refusal))
                                      .toStdString());
        const QString tableSatellite =
            read.table->format == ScanTableFormat::SatellitesXml ? QString::fromStdString(chosen->name) : QString();
        const TransponderUpdateReport report{update,         *image.db,       *satIndex,      names.charset, tablePath,
                                             tableSatellite, chosen->entries, toleranceValue, in.dryRun,
                                             chosen->position};
        return {in.json ? TransponderUpdateJson(report) : TransponderUpdateText(report), !update.changes.empty(),
                [&image, changes = std::move(update.changes)] {
                    return UpdateTransponders(*image.flash, *image.db, changes);
                }};
    };
    return command.Run(arguments, {.images = OneImageToWrite, .options = options, .plan = plan});
}

} // namespace korvex::cli
