#include "ui/bulk/TransponderUpdateCommand.h"

#include "app/Messages.h"
#include "app/OpenImage.h"
#include "app/Platform.h"
#include "app/ProgramState.h"
#include "db/TransponderUpdate.h"
#include "scantable/ScanTableFile.h"
#include "text/ShownText.h"
#include "ui/list/ChannelListModel.h"
#include "ui/list/HistoryStep.h"
#include "ui/list/RecordNames.h"
#include "ui/bulk/TransponderUpdatePreview.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace korvex {
namespace {

const QString kCaption = QStringLiteral("Update transponders");

QString SatelliteChoiceText(const ScanTableSatellite& satellite)
{
    QString text = QString::fromStdString(satellite.name);
    if (satellite.position)
        text = QString::fromStdString(OrbitalPositionText(*satellite.position)) + QStringLiteral("  ") + text;
    return text + QStringLiteral("  (%1)").arg(GroupedCountText(satellite.entries.size(), "transponder", "transponders"));
}

} // namespace

TransponderUpdateCommand::TransponderUpdateCommand(ProgramState& state, Platform& platform, OpenImage& document,
                                                   HistoryStep& step, QWidget* window)
    : state_(state), platform_(platform), document_(document), step_(step), window_(window)
{
}

const ScanTableSatellite* TransponderUpdateCommand::ChooseSatellite(const ScanTable& table, const QString& fileName,
                                                                    std::uint16_t longitude)
{
    if (table.satellites.size() == 1)
        return &table.satellites.front();
    QStringList items;
    std::optional<int> atLongitude;
    for (std::size_t k = 0; k < table.satellites.size(); ++k) {
        const ScanTableSatellite& satellite = table.satellites[k];
        items << SatelliteChoiceText(satellite);
        if (!atLongitude && satellite.position && LongitudeIsPosition(longitude, *satellite.position))
            atLongitude = static_cast<int>(k);
    }
    const std::optional<int> chosen =
        platform_.AskChoice(window_, QStringLiteral("%1 holds %2 satellites. Update from which?")
                                         .arg(fileName)
                                         .arg(table.satellites.size()),
                            kCaption, items, atLongitude.value_or(0));
    if (!chosen || *chosen < 0 || static_cast<std::size_t>(*chosen) >= table.satellites.size())
        return nullptr;
    return &table.satellites[static_cast<std::size_t>(*chosen)];
}

void TransponderUpdateCommand::Run(std::uint16_t satIndex)
{
    if (!document_.IsLoaded() || satIndex >= state_.database().Sats().size())
        return;
    // Scan tables have a folder of their own, apart from the user's images:
    // the one last chosen from, at first the system's.
    QString& folder = state_.files().scanTableFolder;
    if (folder.isEmpty() && QDir(kScanTableFolder).exists())
        folder = kScanTableFolder;
    const std::optional<QString> path = platform_.GetOpenFileName(window_, kScanTableFilter, folder);
    if (!path)
        return;
    folder = QFileInfo(*path).absolutePath();
    const ScanTableRead read = ReadScanTable(path->toStdString());
    if (!read.table) {
        ShowWarning(platform_, window_, QString::fromStdString(read.error));
        return;
    }
    const QString fileName = QFileInfo(*path).fileName();
    const SatRecord& sat = state_.database().Sats()[satIndex];
    const ScanTableSatellite* tableSatellite = ChooseSatellite(*read.table, fileName, sat.longitude);
    if (!tableSatellite)
        return;
    const NameCharset& names = state_.nameCharset().charset;
    const auto nameOf = [&](const SatRecord& record) { return NameText(record.satName, names).toStdString(); };
    if (tableSatellite->position)
        if (const std::string why = PositionMismatchText(satIndex, nameOf(sat), sat.longitude, *tableSatellite->position);
            !why.empty() &&
            !platform_.AskYesNo(window_,
                                QStringLiteral("%1: %2. Update from it all the same?")
                                    .arg(fileName, QString::fromStdString(why)),
                                kCaption))
            return;
    const std::vector<TableEntry>& entries = tableSatellite->entries;
    const TransponderUpdatePlan plan = PlanTransponderUpdate(state_.image(), state_.database(), satIndex, entries);
    if (plan.sharesSatIdWith) {
        ShowWarning(platform_, window_,
                    QString::fromStdString(SharedSatIdText(satIndex, nameOf(sat), *plan.sharesSatIdWith,
                                                           nameOf(state_.database().Sats()[*plan.sharesSatIdWith]),
                                                           sat.satId)) +
                        QLatin1Char('.'));
        return;
    }
    if (!plan.refusal.empty()) {
        ShowWarning(platform_, window_, QStringLiteral("%1 %2.").arg(fileName, QString::fromStdString(plan.refusal)));
        return;
    }
    QString heading = QStringLiteral("Satellite %1 from %2")
                          .arg(RecordNames::SatelliteLabel(satIndex, NameText(sat.satName, names)),
                               fileName);
    if (read.table->format == ScanTableFormat::SatellitesXml)
        heading += QStringLiteral(" (%1)").arg(QString::fromStdString(tableSatellite->name));
    if (!tableSatellite->position)
        heading += QStringLiteral(", position unknown");
    heading += QStringLiteral(": %1, %2 usable, paired within %3 MHz.")
                   .arg(GroupedCountText(entries.size(), "entry", "entries"), GroupedNumber(plan.usable))
                   .arg(kDefaultTpTolerance);
    TransponderUpdatePreview preview(window_, heading, state_.database(), plan, entries);
    if (preview.DoModal() != QDialog::Accepted)
        return;
    Apply(preview.Ticked(), satIndex);
}

void TransponderUpdateCommand::Apply(const std::vector<TransponderChange>& changes, std::uint16_t satIndex)
{
    const QString satName = NameText(state_.database().Sats()[satIndex].satName, state_.nameCharset().charset);
    step_.Run(
        QStringLiteral("Update transponders"),
        [&] { return UpdateTransponders(state_.image(), state_.database(), changes); },
        [&](const ChangeOutcome&) {
            return QStringLiteral("Updated the frequency and symbol rate of %1 of %2.")
                .arg(GroupedCountText(changes.size(), "transponder", "transponders"), satName);
        });
}

} // namespace korvex
