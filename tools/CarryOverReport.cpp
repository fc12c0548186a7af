#include "tools/CarryOverReport.h"

#include "text/ShownText.h"
#include "tools/Dump.h"
#include "tools/TextTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace korvex::cli {
namespace {

// Tables named as `dump --csv` names them.
QString TableName(ProgTable table) { return table == ProgTable::Tv ? QStringLiteral("tv") : QStringLiteral("radio"); }

QString ChoicesText(const CarryOverChoices& choices)
{
    QStringList carried;
    if (choices.order)
        carried << QStringLiteral("order");
    if (choices.favourites)
        carried << QStringLiteral("favourites");
    if (choices.lock)
        carried << QStringLiteral("lock");
    if (choices.names)
        carried << QStringLiteral("names");
    QString text = carried.size() > 1 ? carried.mid(0, carried.size() - 1).join(QStringLiteral(", ")) +
                                            QStringLiteral(" and ") + carried.last()
                                      : carried.value(0);
    if (choices.deleteUnmatched)
        return text + QStringLiteral("; unmatched programs deleted");
    return text + (choices.order ? QStringLiteral("; unmatched programs kept after the matched ones")
                                 : QStringLiteral("; unmatched programs kept where they are"));
}

QString CountsText(const TableCarryOver& table)
{
    return QStringLiteral("%1 matched (%2 by service, %3 by name), %4 unmatched, %5 not found")
        .arg(table.matchedByService + table.matchedByName)
        .arg(table.matchedByService)
        .arg(table.matchedByName)
        .arg(table.unmatched.size())
        .arg(table.notFound.size());
}

QString ChangesText(const TableCarryOver& table)
{
    QStringList parts;
    if (table.Reorders())
        parts << QStringLiteral("new order");
    if (!table.flags.empty())
        parts << CountText(table.flags.size(), "flag byte", "flag bytes");
    if (!table.names.empty())
        parts << CountText(table.names.size(), "name", "names");
    if (!table.deleted.empty())
        parts << CountText(table.deleted.size(), "program deleted", "programs deleted");
    return parts.join(QStringLiteral(", "));
}

using Line = TextLine;

Line ListingLine(const char* what, ProgTable table, const ProgramListing& listing, const NameCharset& names)
{
    return {QLatin1StringView(what),
            TableName(table) + QLatin1Char(' ') + QString::number(listing.position),
            QLatin1Char('"') + NameText(listing.name, names) + QLatin1Char('"'),
            listing.satellite ? NameText(listing.satellite->satName, names) : QStringLiteral("-"),
            listing.transponder ? QString::number(listing.transponder->frequency) : QStringLiteral("-"),
            listing.transponder ? PolarisationName(listing.transponder->polarisation) : QStringLiteral("-")};
}

QJsonObject ListingJson(const ProgramListing& listing, const NameCharset& names)
{
    QJsonObject object{{QStringLiteral("position"), qint64{listing.position}},
                       {QStringLiteral("name"), NameText(listing.name, names)},
                       {QStringLiteral("nameHex"), NameHex(listing.name)}};
    object[QStringLiteral("satellite")] =
        listing.satellite ? QJsonValue(NameText(listing.satellite->satName, names)) : QJsonValue();
    object[QStringLiteral("longitude")] = listing.satellite ? QJsonValue(qint64{listing.satellite->longitude}) : QJsonValue();
    object[QStringLiteral("frequency")] =
        listing.transponder ? QJsonValue(qint64{listing.transponder->frequency}) : QJsonValue();
    object[QStringLiteral("polarisation")] =
        listing.transponder ? QJsonValue(PolarisationName(listing.transponder->polarisation)) : QJsonValue();
    return object;
}

} // namespace

QByteArray CarryOverText(const CarryOverReport& report)
{
    const CarryOverPlan& plan = report.plan;
    QByteArray text = (QStringLiteral("carried over: ") + ChoicesText(plan.choices) + QLatin1Char('\n')).toUtf8();
    std::vector<Line> counts;
    for (const TableCarryOver& table : plan.tables)
        counts.push_back({TableName(table.table), CountsText(table)});
    text += AlignedText(counts);

    std::vector<Line> listed;
    for (const TableCarryOver& table : plan.tables)
        for (const ProgramListing& listing : table.unmatched)
            listed.push_back(ListingLine("unmatched", table.table, listing, report.currentNames));
    for (const TableCarryOver& table : plan.tables)
        for (const ProgramListing& listing : table.notFound)
            listed.push_back(ListingLine("not found", table.table, listing, report.earlierNames));
    text += AlignedText(listed);

    QStringList changes;
    for (const TableCarryOver& table : plan.tables)
        if (table.Changes())
            changes << TableName(table.table) + QStringLiteral(": ") + ChangesText(table);
    const QString verb = report.dryRun ? QStringLiteral("Would change") : QStringLiteral("Changed");
    text += (changes.isEmpty() ? QStringLiteral("No changes.")
                               : verb + QStringLiteral(" ") + changes.join(QStringLiteral("; ")) + QLatin1Char('.'))
                .toUtf8() +
            '\n';
    return text;
}

QByteArray CarryOverJson(const CarryOverReport& report)
{
    const CarryOverPlan& plan = report.plan;
    const CarryOverChoices& choices = plan.choices;
    QJsonObject tables;
    for (const TableCarryOver& table : plan.tables) {
        QJsonArray unmatched, notFound;
        const std::vector<std::uint32_t> after = table.UnmatchedAfter();
        for (std::size_t k = 0; k < table.unmatched.size(); ++k) {
            QJsonObject object = ListingJson(table.unmatched[k], report.currentNames);
            object[QStringLiteral("newPosition")] = k < after.size() ? QJsonValue(qint64{after[k]}) : QJsonValue();
            unmatched.append(object);
        }
        for (const ProgramListing& listing : table.notFound)
            notFound.append(ListingJson(listing, report.earlierNames));
        tables[TableName(table.table)] = QJsonObject{
            {QStringLiteral("matchedByService"), qint64(table.matchedByService)},
            {QStringLiteral("matchedByName"), qint64(table.matchedByName)},
            {QStringLiteral("unmatched"), unmatched},
            {QStringLiteral("notFound"), notFound},
            {QStringLiteral("changes"),
             QJsonObject{{QStringLiteral("order"), table.Reorders()},
                         {QStringLiteral("flagBytes"), qint64(table.flags.size())},
                         {QStringLiteral("names"), qint64(table.names.size())},
                         {QStringLiteral("deleted"), qint64(table.deleted.size())}}},
        };
    }
    const QJsonObject root{
        {QStringLiteral("choices"),
         QJsonObject{{QStringLiteral("order"), choices.order},
                     {QStringLiteral("favourites"), choices.favourites},
                     {QStringLiteral("lock"), choices.lock},
                     {QStringLiteral("names"), choices.names},
                     {QStringLiteral("unmatched"),
                      choices.deleteUnmatched ? QStringLiteral("delete") : QStringLiteral("keep")},
                     {QStringLiteral("tolerance"), qint64{report.tolerance}}}},
        {QStringLiteral("tables"), tables},
        {QStringLiteral("changes"), plan.Changes()},
        {QStringLiteral("dryRun"), report.dryRun},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace korvex::cli
