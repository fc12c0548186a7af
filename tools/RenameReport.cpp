#include "tools/RenameReport.h"

#include "text/ShownText.h"
#include "tools/TextTable.h"
#include "tools/CliSupport.h"
#include "tools/Dump.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace korvex::cli {
namespace {

// Results as JSON names them, by RenameResult.
constexpr const char* kResultKeys[] = {"notMatched", "renamed", "cut", "tooLong", "unstorable", "unreadable"};

QString Quoted(const QString& name) { return QLatin1Char('"') + TerminalSafe(name) + QLatin1Char('"'); }

// The program of the row, and its index as dump counts it: the held programs
// of a table are in entry order.
struct Listed {
    std::size_t index = 0;
    const ProgRecord* prog = nullptr;
};

Listed Find(std::span<const ProgRecord> programs, std::uint32_t position)
{
    const auto at = std::lower_bound(programs.begin(), programs.end(), position,
                                     [](const ProgRecord& p, std::uint32_t value) { return p.tableIndex < value; });
    if (at == programs.end() || at->tableIndex != position)
        return {};
    return {static_cast<std::size_t>(at - programs.begin()), &*at};
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

QByteArray RenameText(const RenameReport& report)
{
    const RenamePlan& plan = report.plan;
    const std::span<const ProgRecord> programs = report.db.Progs(report.table);
    QString text;
    for (const RenamePlan::Row& row : plan.rows)
        text += RenameLine(row.program.table, Find(programs, row.program.position).index, row.rename);
    const bool tv = report.table == ProgTable::Tv;
    text += QStringLiteral("%1 %2 of %3")
                .arg(report.dryRun ? QStringLiteral("would rename") : QStringLiteral("renamed"))
                .arg(plan.renamed)
                .arg(CountText(plan.rows.size(), tv ? "TV program" : "radio program", tv ? "TV programs" : "radio programs"));
    if (plan.cut > 0)
        text += QStringLiteral(" (%1 cut to %2 bytes)").arg(plan.cut).arg(kNameBytes);
    text += QStringLiteral("; %1 left unchanged, %2 not matched\n").arg(plan.leftUnchanged).arg(plan.notMatched);
    return text.toUtf8();
}

QByteArray RenameJson(const RenameReport& report)
{
    const RenamePlan& plan = report.plan;
    const std::span<const ProgRecord> programs = report.db.Progs(report.table);
    QJsonArray rows;
    for (const RenamePlan::Row& row : plan.rows) {
        const NameRename& rename = row.rename;
        const Listed listed = Find(programs, row.program.position);
        const QString why = LeftUnchangedText(rename, kNameBytes);
        rows.append(QJsonObject{
            {QStringLiteral("index"), qint64(listed.index)},
            {QStringLiteral("position"), qint64{row.program.position}},
            {QStringLiteral("name"), rename.before},
            {QStringLiteral("nameHex"), listed.prog ? QJsonValue(NameHex(listed.prog->progName)) : QJsonValue()},
            {QStringLiteral("newName"), rename.result == RenameResult::NotMatched ? QJsonValue() : QJsonValue(rename.after)},
            {QStringLiteral("result"), QLatin1StringView(kResultKeys[static_cast<std::size_t>(rename.result)])},
            {QStringLiteral("reason"), why.isEmpty() ? QJsonValue() : QJsonValue(why)},
        });
    }
    const QJsonObject root{
        {QStringLiteral("table"), report.table == ProgTable::Tv ? QStringLiteral("tv") : QStringLiteral("radio")},
        {QStringLiteral("rule"), QJsonObject{{QStringLiteral("find"), report.rule.find},
                                             {QStringLiteral("replace"), report.rule.replace},
                                             {QStringLiteral("regex"), report.rule.regex},
                                             {QStringLiteral("cut"), report.rule.cut}}},
        {QStringLiteral("programs"), rows},
        {QStringLiteral("renamed"), qint64(plan.renamed)},
        {QStringLiteral("cut"), qint64(plan.cut)},
        {QStringLiteral("leftUnchanged"), qint64(plan.leftUnchanged)},
        {QStringLiteral("notMatched"), qint64(plan.notMatched)},
        {QStringLiteral("changes"), plan.renamed > 0},
        {QStringLiteral("dryRun"), report.dryRun},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace korvex::cli
