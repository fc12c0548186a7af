#include "tools/TransponderUpdateReport.h"

#include "tools/Dump.h"
#include "tools/TextTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace korvex::cli {
namespace {

QString Count(std::size_t n, const char* one, const char* many)
{
    return QString::number(n) + QLatin1Char(' ') + QLatin1StringView(n == 1 ? one : many);
}

QString Heading(const TransponderUpdateReport& report)
{
    const SatRecord& sat = report.db.Sats()[report.satIndex];
    QString text = QStringLiteral("satellite %1 \"%2\", table %3")
                       .arg(report.satIndex)
                       .arg(TerminalSafe(NameText(sat.satName, report.names)), TerminalSafe(report.tablePath));
    if (!report.tableSatellite.isEmpty())
        text += QStringLiteral(" (%1)").arg(report.tableSatellite);
    if (!report.tablePosition)
        text += QStringLiteral(", position unknown");
    return text + QStringLiteral(": %1, %2 usable, tolerance %3 MHz\n")
                      .arg(Count(report.entries.size(), "entry", "entries"))
                      .arg(report.plan.usable)
                      .arg(report.tolerance);
}

TextLine TransponderLine(const TpRecord& tp, std::uint32_t tpIndex, std::uint32_t row)
{
    return {QStringLiteral("  tp %1").arg(tpIndex), QStringLiteral("row %1").arg(row), PolarisationName(tp.polarisation),
            QStringLiteral("%1 MHz").arg(tp.frequency), QStringLiteral("%1 kS/s").arg(tp.symbolRate)};
}

QByteArray Section(const QString& title, const std::vector<TextLine>& lines)
{
    return lines.empty() ? QByteArray() : (title + QLatin1Char('\n')).toUtf8() + AlignedText(lines);
}

// A table's value as written: a number where JSON's numbers hold it exactly,
// its decimal digits where a number would round it.
QJsonValue TableNumber(std::uint64_t value)
{
    constexpr std::uint64_t kExact = std::uint64_t{1} << 53;
    return value <= kExact ? QJsonValue(static_cast<qint64>(value)) : QJsonValue(QString::number(value));
}

QString ProblemText(EntryProblem problem)
{
    const std::string_view text = EntryProblemText(problem);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Ending(const TransponderUpdateReport& report)
{
    const std::size_t n = report.plan.changes.size();
    if (n == 0)
        return QStringLiteral("Nothing to update.\n");
    return (report.dryRun ? QStringLiteral("Would update ") : QStringLiteral("Updated ")) +
           Count(n, "transponder", "transponders") + QStringLiteral(".\n");
}

QJsonObject Change(const TransponderChange& change)
{
    return {{QStringLiteral("tp"), qint64{change.tpIndex}},
            {QStringLiteral("row"), qint64{change.row}},
            {QStringLiteral("entry"), qint64{change.entry}},
            {QStringLiteral("polarisation"), PolarisationName(change.before.polarisation)},
            {QStringLiteral("frequency"),
             QJsonObject{{QStringLiteral("before"), qint64{change.before.frequency}}, {QStringLiteral("after"), qint64{change.frequency}}}},
            {QStringLiteral("symbolRate"),
             QJsonObject{{QStringLiteral("before"), qint64{change.before.symbolRate}}, {QStringLiteral("after"), qint64{change.symbolRate}}}},
            {QStringLiteral("refusal"), change.refusal.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(change.refusal))}};
}

} // namespace

QByteArray TransponderUpdateText(const TransponderUpdateReport& report)
{
    const TransponderUpdatePlan& plan = report.plan;
    QByteArray text = Heading(report).toUtf8();

    std::vector<TextLine> changes;
    for (const TransponderChange& change : plan.changes) {
        TextLine line = TransponderLine(change.before, change.tpIndex, change.row);
        line[3] = QStringLiteral("%1 -> %2 MHz").arg(change.before.frequency).arg(change.frequency);
        line[4] = QStringLiteral("%1 -> %2 kS/s").arg(change.before.symbolRate).arg(change.symbolRate);
        if (!change.refusal.empty())
            line.push_back(QStringLiteral("read-only: ") + QString::fromStdString(change.refusal));
        changes.push_back(std::move(line));
    }
    text += Section(QStringLiteral("changes:"), changes);
    text += QStringLiteral("up to date: %1\n").arg(plan.upToDate).toUtf8();

    std::vector<TextLine> missing;
    for (const UnpairedTransponder& unpaired : plan.notInTable)
        missing.push_back(TransponderLine(report.db.Tps()[unpaired.tpIndex], unpaired.tpIndex, unpaired.row));
    text += Section(QStringLiteral("not in the table:"), missing);

    std::vector<TextLine> same;
    for (const SameRecordRow& r : plan.sameRecord)
        same.push_back({QStringLiteral("  tp %1").arg(r.tpIndex), QStringLiteral("row %1").arg(r.row),
                        QStringLiteral("is row %1").arg(r.asRow)});
    text += Section(QStringLiteral("the record of an earlier row (updated with it):"), same);

    std::vector<TextLine> notAdded;
    for (const std::uint32_t e : plan.notAdded) {
        const RecordValues v = ToRecordValues(report.entries[e]);
        notAdded.push_back({QStringLiteral("  entry %1").arg(e), PolarisationName(v.polarisation),
                            QStringLiteral("%1 MHz").arg(v.frequency), QStringLiteral("%1 kS/s").arg(v.symbolRate)});
    }
    text += Section(QStringLiteral("not added (the image has no room for new transponders):"), notAdded);
    if (plan.repeats)
        text += QStringLiteral("entries repeating another's values: %1\n").arg(plan.repeats).toUtf8();

    std::vector<TextLine> unusable;
    for (const UnusableEntry& u : plan.unusable) {
        const TableEntry& entry = report.entries[u.entry];
        unusable.push_back({QStringLiteral("  entry %1").arg(u.entry), QStringLiteral("%1 kHz").arg(entry.frequencyKHz),
                            QStringLiteral("%1 S/s").arg(entry.symbolRate), ProblemText(u.problem)});
    }
    text += Section(QStringLiteral("not usable:"), unusable);
    return text + Ending(report).toUtf8();
}

QByteArray TransponderUpdateJson(const TransponderUpdateReport& report)
{
    const TransponderUpdatePlan& plan = report.plan;
    const SatRecord& sat = report.db.Sats()[report.satIndex];
    QJsonArray changes;
    for (const TransponderChange& change : plan.changes)
        changes.append(Change(change));
    QJsonArray missing;
    for (const UnpairedTransponder& unpaired : plan.notInTable) {
        const TpRecord& tp = report.db.Tps()[unpaired.tpIndex];
        missing.append(QJsonObject{{QStringLiteral("tp"), qint64{unpaired.tpIndex}},
                                   {QStringLiteral("row"), qint64{unpaired.row}},
                                   {QStringLiteral("frequency"), qint64{tp.frequency}},
                                   {QStringLiteral("polarisation"), PolarisationName(tp.polarisation)},
                                   {QStringLiteral("symbolRate"), qint64{tp.symbolRate}}});
    }
    QJsonArray same;
    for (const SameRecordRow& r : plan.sameRecord)
        same.append(QJsonObject{{QStringLiteral("tp"), qint64{r.tpIndex}},
                                {QStringLiteral("row"), qint64{r.row}},
                                {QStringLiteral("asRow"), qint64{r.asRow}}});
    QJsonArray notAdded;
    for (const std::uint32_t e : plan.notAdded) {
        const RecordValues v = ToRecordValues(report.entries[e]);
        notAdded.append(QJsonObject{{QStringLiteral("entry"), qint64{e}},
                                    {QStringLiteral("frequency"), qint64{v.frequency}},
                                    {QStringLiteral("polarisation"), PolarisationName(v.polarisation)},
                                    {QStringLiteral("symbolRate"), qint64{v.symbolRate}}});
    }
    QJsonArray unusable;
    for (const UnusableEntry& u : plan.unusable) {
        const TableEntry& entry = report.entries[u.entry];
        unusable.append(QJsonObject{{QStringLiteral("entry"), qint64{u.entry}},
                                    {QStringLiteral("frequencyKHz"), TableNumber(entry.frequencyKHz)},
                                    {QStringLiteral("symbolRate"), TableNumber(entry.symbolRate)},
                                    {QStringLiteral("reason"), ProblemText(u.problem)}});
    }
    const QJsonObject root{
        {QStringLiteral("satellite"), QJsonObject{{QStringLiteral("index"), qint64(report.satIndex)},
                                                  {QStringLiteral("name"), NameText(sat.satName, report.names)},
                                                  {QStringLiteral("longitude"), qint64{sat.longitude}}}},
        {QStringLiteral("table"), QJsonObject{{QStringLiteral("path"), report.tablePath},
                                              {QStringLiteral("satellite"), report.tableSatellite.isEmpty() ? QJsonValue() : QJsonValue(report.tableSatellite)},
                                              {QStringLiteral("position"), report.tablePosition ? QJsonValue(QString::fromStdString(OrbitalPositionText(*report.tablePosition))) : QJsonValue()},
                                              {QStringLiteral("entries"), qint64(report.entries.size())},
                                              {QStringLiteral("usable"), qint64{plan.usable}}}},
        {QStringLiteral("tolerance"), qint64{report.tolerance}},
        {QStringLiteral("changes"), changes},
        {QStringLiteral("upToDate"), qint64{plan.upToDate}},
        {QStringLiteral("notInTable"), missing},
        {QStringLiteral("sameRecord"), same},
        {QStringLiteral("notAdded"), notAdded},
        {QStringLiteral("repeats"), qint64{plan.repeats}},
        {QStringLiteral("unusable"), unusable},
        {QStringLiteral("changed"), !plan.changes.empty()},
        {QStringLiteral("dryRun"), report.dryRun},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace korvex::cli
