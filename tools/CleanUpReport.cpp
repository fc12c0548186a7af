#include "tools/CleanUpReport.h"

#include "db/ChannelMatch.h"
#include "text/ShownText.h"
#include "tools/Dump.h"
#include "tools/TextTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace korvex::cli {
namespace {

// Kinds as the options name them, and as a listed line names them.
constexpr const char* kKindKeys[] = {"duplicates", "strays", "scrambled", "noFavourite", "empty"};
constexpr const char* kKindWords[] = {"duplicates", "strays", "scrambled", "in no favourite group", "left empty"};
// Scrambled and in no favourite group say it in their reason alone.
constexpr const char* kKindOfLine[] = {"duplicate: ", "stray: ", "", "", "left empty: "};
// Tables named as dump --csv names them, one record each.
constexpr const char* kTableKeys[] = {"sat", "tp", "tv", "radio"};

std::size_t TableIndex(BlockId id) { return static_cast<std::size_t>(id); }

QString ChosenText(const CleanUpChoices& choices)
{
    QStringList chosen;
    for (std::size_t k = 0; k < kCleanUpKinds; ++k)
        if (choices.kinds[k])
            chosen << QLatin1StringView(kKindWords[k]);
    if (chosen.isEmpty())
        return QStringLiteral("none");
    const QString last = chosen.takeLast();
    return chosen.isEmpty() ? last : chosen.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

QString Reason(const CleanUpCandidate& candidate)
{
    return QString::fromStdString(CleanUpReasonText(candidate, 0));
}

} // namespace

QByteArray CleanUpText(const CleanUpReport& report)
{
    const CleanUpPlan& plan = report.plan;
    QByteArray text = (QStringLiteral("kinds: ") + ChosenText(plan.choices) + QLatin1Char('\n')).toUtf8();
    std::vector<TextLine> counts;
    for (std::size_t k = 0; k < kCleanUpKinds; ++k) {
        TextLine line{QLatin1StringView(kKindWords[k]), QString::number(plan.counts[k])};
        if (!plan.choices.kinds[k])
            line.push_back(QStringLiteral("(not chosen)"));
        counts.push_back(std::move(line));
    }
    text += AlignedText(counts);

    const RecordsById ids(report.db);
    std::vector<TextLine> listed;
    for (const CleanUpItem& item : plan.items) {
        const CleanUpCandidate& c = item.candidate;
        const CleanUpListing where = ListCleanUpRecord(report.db, ids, c.record);
        listed.push_back({QStringLiteral("%1 %2").arg(QLatin1StringView(kTableKeys[TableIndex(c.record.table)])).arg(c.record.position),
                          where.name ? QLatin1Char('"') + NameText(*where.name, report.names) + QLatin1Char('"')
                                     : QStringLiteral("-"),
                          where.satellite ? NameText(where.satellite->satName, report.names) : QStringLiteral("-"),
                          where.transponder ? QString::number(where.transponder->frequency) : QStringLiteral("-"),
                          where.transponder ? PolarisationName(where.transponder->polarisation) : QStringLiteral("-"),
                          QLatin1StringView(kKindOfLine[KindIndex(c.kind)]) + Reason(c)});
    }
    text += AlignedText(listed);

    const QString verb = report.dryRun ? QStringLiteral("Would delete ") : QStringLiteral("Deleted ");
    text += (plan.Changes() ? verb + RecordCountsText(plan.going, CountText) + QLatin1Char('.') : QStringLiteral("Nothing to delete."))
                .toUtf8() +
            '\n';
    return text;
}

QByteArray CleanUpJson(const CleanUpReport& report)
{
    const CleanUpPlan& plan = report.plan;
    QJsonObject kinds;
    for (std::size_t k = 0; k < kCleanUpKinds; ++k)
        kinds[QLatin1StringView(kKindKeys[k])] =
            QJsonObject{{QStringLiteral("chosen"), plan.choices.kinds[k]}, {QStringLiteral("count"), qint64(plan.counts[k])}};

    const RecordsById ids(report.db);
    QJsonArray records;
    for (const CleanUpItem& item : plan.items) {
        const CleanUpCandidate& c = item.candidate;
        const CleanUpListing where = ListCleanUpRecord(report.db, ids, c.record);
        QJsonObject record{{QStringLiteral("table"), QLatin1StringView(kTableKeys[TableIndex(c.record.table)])},
                           {QStringLiteral("position"), qint64{c.record.position}},
                           {QStringLiteral("kind"), QLatin1StringView(kKindKeys[KindIndex(c.kind)])},
                           {QStringLiteral("reason"), Reason(c)}};
        record[QStringLiteral("name")] = where.name ? QJsonValue(NameText(*where.name, report.names)) : QJsonValue();
        record[QStringLiteral("nameHex")] = where.name ? QJsonValue(NameHex(*where.name)) : QJsonValue();
        record[QStringLiteral("satellite")] =
            where.satellite ? QJsonValue(NameText(where.satellite->satName, report.names)) : QJsonValue();
        record[QStringLiteral("frequency")] =
            where.transponder ? QJsonValue(qint64{where.transponder->frequency}) : QJsonValue();
        record[QStringLiteral("polarisation")] =
            where.transponder ? QJsonValue(PolarisationName(where.transponder->polarisation)) : QJsonValue();
        records.append(record);
    }
    QJsonObject deleted;
    for (std::size_t id = 0; id < plan.going.size(); ++id)
        deleted[QLatin1StringView(kTableKeys[id])] = qint64{plan.going[id]};
    const QJsonObject root{
        {QStringLiteral("kinds"), kinds},
        {QStringLiteral("records"), records},
        {QStringLiteral("deleted"), deleted},
        {QStringLiteral("changes"), plan.Changes()},
        {QStringLiteral("dryRun"), report.dryRun},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace korvex::cli
