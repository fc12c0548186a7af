#include "tools/ImageDiff.h"
#include "tools/TextTable.h"

#include "text/ShownText.h"
#include "tools/Dump.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>

#include <algorithm>

namespace korvex::cli {
namespace {

std::size_t Index(BlockId id) { return static_cast<std::size_t>(id); }

// A field change as it is shown: a value is a number or text (a name read in
// its image's charset); a name also shows its bytes.
struct ShownChange {
    QJsonValue before;
    QJsonValue after;
    QString beforeHex;
    QString afterHex;
};

QJsonValue JsonOf(const FieldValue& value)
{
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return qint64{*number};
    return QString::fromStdString(std::get<std::string>(value));
}

ShownChange Shown(const FieldChange& change, const DiffCharsets& names)
{
    if (change.beforeName && change.afterName)
        return {NameText(*change.beforeName, names.before), NameText(*change.afterName, names.after),
                NameHex(*change.beforeName), NameHex(*change.afterName)};
    return {JsonOf(change.before), JsonOf(change.after), {}, {}};
}

QString NameOf(const RecordAt& record, const NameCharset& names)
{
    return record.name ? NameText(*record.name, names) : QString();
}

// Text for people.

QString Arrow() { return QStringLiteral(" \u2192 "); }

// A number in decimal; a word ("in", "locked") or hex bytes as they are.
QString ValueText(const QJsonValue& value)
{
    return value.isString() ? value.toString() : QString::number(value.toInteger());
}

QString FieldChangeText(const ShownChange& change)
{
    if (change.beforeHex.isEmpty())
        return ValueText(change.before) + Arrow() + ValueText(change.after);
    // A name: its text, and its bytes, which may differ where the text does not.
    const auto quoted = [](const QJsonValue& name) { return QLatin1Char('"') + name.toString() + QLatin1Char('"'); };
    return quoted(change.before) + Arrow() + quoted(change.after) +
           QStringLiteral("  (hex %1%2%3)").arg(change.beforeHex, Arrow(), change.afterHex);
}

QString RecordLabel(std::size_t table, const RecordAt& record, const NameCharset& names)
{
    QString label = QStringLiteral("%1 %2").arg(QLatin1StringView(kDiffTableNames[table])).arg(record.position);
    if (table != Index(BlockId::Transponders))
        label += QStringLiteral(" \"%1\"").arg(NameOf(record, names));
    return label;
}

QString Offset(std::uint32_t offset)
{
    return QStringLiteral("0x") + QString::number(offset, 16).toUpper().rightJustified(6, QLatin1Char('0'));
}

using Line = std::array<QString, 3>;

// Names in the cells come from the images: each cell is shown TerminalSafe.
QByteArray Aligned(std::vector<Line> lines, const QString& summary)
{
    for (Line& line : lines)
        for (QString& cell : line)
            cell = TerminalSafe(cell);
    qsizetype first = 0, second = 0;
    for (const Line& line : lines) {
        first = std::max(first, line[0].size());
        second = std::max(second, line[1].size());
    }
    QString text;
    for (const Line& line : lines)
        text += line[0].leftJustified(first + 2) + line[1].leftJustified(second + 2) + line[2] + QLatin1Char('\n');
    text += summary + QLatin1Char('\n');
    return text.toUtf8();
}

struct Counts {
    std::size_t removed = 0, added = 0, moved = 0, changedRecords = 0;
};

Counts CountsOf(const ImageDifference& difference)
{
    Counts counts;
    for (const TableDifference& table : difference.tables) {
        counts.removed += table.removed.size();
        counts.added += table.added.size();
        counts.moved += table.moved.size();
        counts.changedRecords += table.changed.size();
    }
    return counts;
}

// The counts that are not zero: "Differences: 1 removed, 2 moved."
QString SummaryText(const ImageDifference& difference)
{
    if (difference.identical)
        return QStringLiteral("The images are identical.");
    const Counts counts = CountsOf(difference);
    QStringList parts;
    if (!difference.header.empty())
        parts << CountText(difference.header.size(), "header field", "header fields");
    if (counts.removed > 0)
        parts << QStringLiteral("%1 removed").arg(counts.removed);
    if (counts.added > 0)
        parts << QStringLiteral("%1 added").arg(counts.added);
    if (counts.moved > 0)
        parts << QStringLiteral("%1 moved").arg(counts.moved);
    if (counts.changedRecords > 0)
        parts << CountText(difference.FieldChanges(), "field change", "field changes") + QStringLiteral(" in ") +
                     CountText(counts.changedRecords, "record", "records");
    if (difference.outsideBytes > 0)
        parts << CountText(difference.outsideBytes, "byte", "bytes") +
                     QStringLiteral(" outside records and directory blocks");
    if (parts.isEmpty())  // such as an entry that points outside the buffer
        parts << QStringLiteral("bytes of the directory that no record or header shows");
    return QStringLiteral("Differences: %1.").arg(parts.join(QStringLiteral(", ")));
}

// JSON for scripts.

QJsonObject RecordJson(const RecordAt& record, const NameCharset& names)
{
    return {{QStringLiteral("position"), qint64{record.position}},
            {QStringLiteral("offset"), qint64{record.offset}},
            {QStringLiteral("name"), NameOf(record, names)}};
}

QJsonObject PairedJson(const PairedRecord& paired, const DiffCharsets& names)
{
    QJsonObject object = RecordJson(paired.before, names.before);
    object[QStringLiteral("newPosition")] = qint64{paired.newPosition};
    if (paired.fields.empty())
        return object;
    QJsonArray fields;
    for (const FieldChange& fieldChange : paired.fields) {
        const ShownChange change = Shown(fieldChange, names);
        QJsonObject field{{QStringLiteral("field"), FieldName(fieldChange.field)},
                          {QStringLiteral("old"), change.before},
                          {QStringLiteral("new"), change.after}};
        if (!change.beforeHex.isEmpty()) {
            field[QStringLiteral("oldHex")] = change.beforeHex;
            field[QStringLiteral("newHex")] = change.afterHex;
        }
        fields.append(field);
    }
    object[QStringLiteral("fields")] = fields;
    return object;
}

template <typename Item, typename ToJson>
QJsonArray JsonArray(const std::vector<Item>& items, ToJson toJson)
{
    QJsonArray array;
    for (const Item& item : items)
        array.append(toJson(item));
    return array;
}

} // namespace

QByteArray DiffText(const ImageDifference& difference, const DiffCharsets& names)
{
    std::vector<Line> lines;
    for (const HeaderChange& change : difference.header)
        lines.push_back({QString::fromStdString(change.where), FieldName(change.field),
                         QString::number(change.before) + Arrow() + QString::number(change.after)});
    for (std::size_t t = 0; t < difference.tables.size(); ++t) {
        const TableDifference& table = difference.tables[t];
        for (const RecordAt& record : table.removed)
            lines.push_back({RecordLabel(t, record, names.before), QStringLiteral("removed"),
                             QStringLiteral("record at %1").arg(Offset(record.offset))});
        for (const RecordAt& record : table.added)
            lines.push_back({RecordLabel(t, record, names.after), QStringLiteral("added"),
                             QStringLiteral("record at %1").arg(Offset(record.offset))});
        for (const PairedRecord& record : table.moved)
            lines.push_back({RecordLabel(t, record.before, names.before), QStringLiteral("moved"),
                             QString::number(record.before.position) + Arrow() + QString::number(record.newPosition)});
        for (const PairedRecord& record : table.changed)
            for (const FieldChange& change : record.fields)
                lines.push_back({RecordLabel(t, record.before, names.before), FieldName(change.field),
                                 FieldChangeText(Shown(change, names))});
    }
    for (const ByteRange& range : difference.outside)
        lines.push_back({QStringLiteral("outside"),
                         QStringLiteral("%1..%2").arg(Offset(range.start), Offset(range.start + range.length - 1)),
                         CountText(range.length, "byte", "bytes")});
    const QByteArray text = Aligned(lines, SummaryText(difference));
    // Pairing by offset is what diff always did; by channel is said first.
    if (difference.pairing == DiffPairing::Channels)
        return QByteArrayLiteral("Records paired by channel, as another scan of the box.\n") + text;
    return text;
}

QByteArray DiffJson(const ImageDifference& difference, const DiffCharsets& names)
{
    QJsonArray header;
    for (const HeaderChange& change : difference.header)
        header.append(QJsonObject{{QStringLiteral("where"), QString::fromStdString(change.where)},
                                  {QStringLiteral("field"), FieldName(change.field)},
                                  {QStringLiteral("old"), qint64{change.before}},
                                  {QStringLiteral("new"), qint64{change.after}}});
    QJsonObject tables;
    for (std::size_t t = 0; t < difference.tables.size(); ++t) {
        const TableDifference& table = difference.tables[t];
        const auto removed = [&](const RecordAt& record) { return RecordJson(record, names.before); };
        const auto added = [&](const RecordAt& record) { return RecordJson(record, names.after); };
        const auto paired = [&](const PairedRecord& record) { return PairedJson(record, names); };
        tables[QLatin1StringView(kDiffTableNames[t])] = QJsonObject{
            {QStringLiteral("removed"), JsonArray(table.removed, removed)},
            {QStringLiteral("added"), JsonArray(table.added, added)},
            {QStringLiteral("moved"), JsonArray(table.moved, paired)},
            {QStringLiteral("changed"), JsonArray(table.changed, paired)},
        };
    }
    const QJsonArray ranges = JsonArray(difference.outside, [](const ByteRange& range) {
        return QJsonObject{{QStringLiteral("start"), qint64{range.start}},
                           {QStringLiteral("length"), qint64{range.length}}};
    });
    const Counts counts = CountsOf(difference);
    QJsonObject root{
        {QStringLiteral("identical"), difference.identical},
        {QStringLiteral("header"), header},
        {QStringLiteral("tables"), tables},
        {QStringLiteral("outside"),
         QJsonObject{{QStringLiteral("bytes"), qint64(difference.outsideBytes)}, {QStringLiteral("ranges"), ranges}}},
        {QStringLiteral("summary"),
         QJsonObject{{QStringLiteral("headerFields"), qint64(difference.header.size())},
                     {QStringLiteral("removed"), qint64(counts.removed)},
                     {QStringLiteral("added"), qint64(counts.added)},
                     {QStringLiteral("moved"), qint64(counts.moved)},
                     {QStringLiteral("fieldChanges"), qint64(difference.FieldChanges())},
                     {QStringLiteral("changedRecords"), qint64(counts.changedRecords)},
                     {QStringLiteral("outsideBytes"), qint64(difference.outsideBytes)}}},
    };
    // Without "match" the records were paired by offset, as diff always did.
    if (difference.pairing == DiffPairing::Channels)
        root[QStringLiteral("match")] = QStringLiteral("channels");
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace korvex::cli
