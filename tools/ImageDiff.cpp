#include "tools/ImageDiff.h"

#include "db/RecordCodec.h"
#include "tools/Dump.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>
#include <map>

namespace korvex::cli {
namespace {

// Tables by BlockId, named as `dump --csv` names them.
constexpr std::array<const char*, 4> kTableNames{"sats", "tps", "tv", "radio"};

std::size_t Index(BlockId id) { return static_cast<std::size_t>(id); }

// A record held by the database: its entry's position, its record's offset
// and its index in the database's array.
struct Held {
    std::uint32_t position = 0;
    std::uint32_t offset = 0;
    std::size_t index = 0;
};

template <typename Record>
std::vector<Held> HeldOf(std::span<const Record> records)
{
    std::vector<Held> held;
    held.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        held.push_back({records[i].tableIndex, RecordOffsetOf(records[i].entryWord), i});
    return held;
}

struct Pairing {
    std::vector<std::pair<Held, Held>> pairs;  // in the first image's entry order
    std::vector<Held> removed;
    std::vector<Held> added;
};

// Pairs records whose entries point at the same offset; the k-th entry of one
// image pointing at an offset pairs with the k-th of the other.
Pairing Pair(const std::vector<Held>& before, const std::vector<Held>& after)
{
    std::map<std::uint32_t, std::vector<Held>> afterByOffset;
    for (const Held& h : after)
        afterByOffset[h.offset].push_back(h);
    std::map<std::uint32_t, std::size_t> taken;
    Pairing pairing;
    for (const Held& h : before) {
        const auto it = afterByOffset.find(h.offset);
        std::size_t& next = taken[h.offset];
        if (it == afterByOffset.end() || next >= it->second.size()) {
            pairing.removed.push_back(h);
            continue;
        }
        pairing.pairs.emplace_back(h, it->second[next++]);
    }
    for (const auto& [offset, held] : afterByOffset)
        for (std::size_t k = taken[offset]; k < held.size(); ++k)
            pairing.added.push_back(held[k]);
    std::sort(pairing.added.begin(), pairing.added.end(),
              [](const Held& x, const Held& y) { return x.position < y.position; });
    return pairing;
}

// Numbers of a record, read through one small function each, since
// bit-fields cannot be reached through member pointers.
template <typename Record>
struct NumberField {
    const char* name;
    std::uint32_t (*get)(const Record&);
};

constexpr NumberField<SatRecord> kSatNumbers[] = {
    {"satId", [](const SatRecord& r) -> std::uint32_t { return r.satId; }},
    {"longitude", [](const SatRecord& r) -> std::uint32_t { return r.longitude; }},
    {"lnbFreLow", [](const SatRecord& r) -> std::uint32_t { return r.lnbFreLow; }},
    {"lnbFreHigh", [](const SatRecord& r) -> std::uint32_t { return r.lnbFreHigh; }},
    {"power012V", [](const SatRecord& r) -> std::uint32_t { return r.power012V; }},
    {"tone22K", [](const SatRecord& r) -> std::uint32_t { return r.tone22K; }},
    {"diseqc10", [](const SatRecord& r) -> std::uint32_t { return r.diseqc10; }},
    {"diseqc12En", [](const SatRecord& r) -> std::uint32_t { return r.diseqc12En; }},
    {"lnbType", [](const SatRecord& r) -> std::uint32_t { return r.lnbType; }},
    {"lnbPower", [](const SatRecord& r) -> std::uint32_t { return r.lnbPower; }},
    {"position", [](const SatRecord& r) -> std::uint32_t { return r.position; }},
    // Not interpreted for satellites, but kept by the box.
    {"flagByte", [](const SatRecord& r) -> std::uint32_t { return FlagByteOf(r.entryWord); }},
};

constexpr NumberField<TpRecord> kTpNumbers[] = {
    {"tpId", [](const TpRecord& r) -> std::uint32_t { return r.tpId; }},
    {"satId", [](const TpRecord& r) -> std::uint32_t { return r.satId; }},
    {"opaque2", [](const TpRecord& r) -> std::uint32_t { return r.opaque2; }},
    {"frequency", [](const TpRecord& r) -> std::uint32_t { return r.frequency; }},
    {"polarisation", [](const TpRecord& r) -> std::uint32_t { return r.polarisation; }},
    {"symbolRate", [](const TpRecord& r) -> std::uint32_t { return r.symbolRate; }},
    {"flagByte", [](const TpRecord& r) -> std::uint32_t { return FlagByteOf(r.entryWord); }},
};

constexpr NumberField<ProgRecord> kProgNumbers[] = {
    {"satId", [](const ProgRecord& r) -> std::uint32_t { return r.satId; }},
    {"tpId", [](const ProgRecord& r) -> std::uint32_t { return r.tpId; }},
    {"serviceId", [](const ProgRecord& r) -> std::uint32_t { return r.serviceId; }},
    {"pcrPid", [](const ProgRecord& r) -> std::uint32_t { return r.pcrPid; }},
    {"scramble", [](const ProgRecord& r) -> std::uint32_t { return r.scramble; }},
    {"track", [](const ProgRecord& r) -> std::uint32_t { return r.track; }},
    {"opaque1", [](const ProgRecord& r) -> std::uint32_t { return r.opaque1; }},
    {"opaque13", [](const ProgRecord& r) -> std::uint32_t { return r.opaque13; }},
    {"opaque5", [](const ProgRecord& r) -> std::uint32_t { return r.opaque5; }},
    {"videoPid", [](const ProgRecord& r) -> std::uint32_t { return r.videoPid; }},
    // The video bits of a radio record, which that table does not decode.
    {"radioVideoBits", [](const ProgRecord& r) -> std::uint32_t { return r.radioVideoBits; }},
    {"audioPid", [](const ProgRecord& r) -> std::uint32_t { return r.audioPid; }},
    {"opaque3", [](const ProgRecord& r) -> std::uint32_t { return r.opaque3; }},
};

template <typename Record>
void CompareNumbers(std::span<const NumberField<Record>> fields, const Record& a, const Record& b,
                    std::vector<FieldChange>& changes)
{
    for (const NumberField<Record>& field : fields) {
        const std::uint32_t before = field.get(a);
        const std::uint32_t after = field.get(b);
        if (before != after)
            changes.push_back({QLatin1StringView(field.name), qint64{before}, qint64{after}, {}, {}});
    }
}

// Both images' name charsets: each name is read in its own image's.
struct Charsets {
    const NameCharset& before;
    const NameCharset& after;
};

void CompareName(const char* field, const NameBytes& a, const NameBytes& b, const Charsets& names,
                 std::vector<FieldChange>& changes)
{
    if (a != b)
        changes.push_back({QLatin1StringView(field), NameText(a, names.before), NameText(b, names.after), NameHex(a),
                           NameHex(b)});
}

QString Hex(std::span<const std::uint8_t> bytes)
{
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())).toHex());
}

// A program's entry flag byte, read as the editor shows it: the child lock,
// each favourite group, and bit 7, which is kept but not interpreted.
void CompareProgramFlags(std::uint8_t a, std::uint8_t b, std::vector<FieldChange>& changes)
{
    const auto lock = [](std::uint8_t flag) { return QString::fromLatin1(flag & 1 ? "unlocked" : "locked"); };
    if ((a & 1) != (b & 1))
        changes.push_back({QStringLiteral("lock"), lock(a), lock(b), {}, {}});
    for (std::size_t group = 0; group < kFavouriteGroupNames.size(); ++group) {
        const bool inBefore = InFavouriteGroup(a & 0x7E, group);
        const bool inAfter = InFavouriteGroup(b & 0x7E, group);
        if (inBefore == inAfter)
            continue;
        const std::string_view name = kFavouriteGroupNames[group];
        changes.push_back({QLatin1StringView(name.data(), static_cast<qsizetype>(name.size())),
                           QString::fromLatin1(inBefore ? "in" : "out"), QString::fromLatin1(inAfter ? "in" : "out"),
                           {}, {}});
    }
    if ((a & 0x80) != (b & 0x80))
        changes.push_back({QStringLiteral("flagBit7"), qint64{a >> 7}, qint64{b >> 7}, {}, {}});
}

// Record bytes no field decodes: program bytes 26..27, never written, and
// 28..35, kept as they stand.
void CompareUndecodedBytes(const DiffSide& a, std::uint32_t offsetA, const DiffSide& b, std::uint32_t offsetB,
                           std::vector<FieldChange>& changes)
{
    const auto recordA = a.image.Region<kProgRecordSize>(offsetA);
    const auto recordB = b.image.Region<kProgRecordSize>(offsetB);
    if (!recordA || !recordB)
        return;
    const std::pair<std::size_t, std::size_t> spans[] = {{26, 2}, {28, 8}};
    for (const auto& [from, length] : spans) {
        const auto bytesA = recordA->subspan(from, length);
        const auto bytesB = recordB->subspan(from, length);
        if (!std::equal(bytesA.begin(), bytesA.end(), bytesB.begin()))
            changes.push_back({QStringLiteral("bytes%1..%2").arg(from).arg(from + length - 1), Hex(bytesA),
                               Hex(bytesB), {}, {}});
    }
}

std::vector<FieldChange> FieldChanges(const SatRecord& a, const SatRecord& b, const DiffSide&, const DiffSide&,
                                      const Charsets& names)
{
    std::vector<FieldChange> changes;
    CompareNumbers<SatRecord>(kSatNumbers, a, b, changes);
    CompareName("satName", a.satName, b.satName, names, changes);
    return changes;
}

std::vector<FieldChange> FieldChanges(const TpRecord& a, const TpRecord& b, const DiffSide&, const DiffSide&,
                                      const Charsets&)
{
    std::vector<FieldChange> changes;
    CompareNumbers<TpRecord>(kTpNumbers, a, b, changes);
    return changes;
}

std::vector<FieldChange> FieldChanges(const ProgRecord& a, const ProgRecord& b, const DiffSide& sideA,
                                      const DiffSide& sideB, const Charsets& names)
{
    std::vector<FieldChange> changes;
    CompareNumbers<ProgRecord>(kProgNumbers, a, b, changes);
    CompareName("progName", a.progName, b.progName, names, changes);
    CompareProgramFlags(FlagByteOf(a.entryWord), FlagByteOf(b.entryWord), changes);
    CompareUndecodedBytes(sideA, RecordOffsetOf(a.entryWord), sideB, RecordOffsetOf(b.entryWord), changes);
    return changes;
}

QString RecordName(const SatRecord& sat, const NameCharset& names) { return NameText(sat.satName, names); }
QString RecordName(const TpRecord&, const NameCharset&) { return {}; }
QString RecordName(const ProgRecord& prog, const NameCharset& names) { return NameText(prog.progName, names); }

template <typename Record>
TableDifference DiffTable(std::span<const Record> a, std::span<const Record> b, const DiffSide& sideA,
                          const DiffSide& sideB)
{
    const Charsets names{sideA.names, sideB.names};
    const Pairing pairing = Pair(HeldOf(a), HeldOf(b));
    const auto at = [](const Held& held, const Record& record, const NameCharset& charset) {
        return RecordAt{held.position, held.offset, RecordName(record, charset)};
    };
    TableDifference table;
    for (const Held& h : pairing.removed)
        table.removed.push_back(at(h, a[h.index], sideA.names));
    for (const Held& h : pairing.added)
        table.added.push_back(at(h, b[h.index], sideB.names));

    std::vector<std::uint32_t> newPositions;
    newPositions.reserve(pairing.pairs.size());
    for (const auto& [before, after] : pairing.pairs)
        newPositions.push_back(after.position);
    const std::vector<bool> moved = MovedElements(newPositions);
    for (std::size_t k = 0; k < pairing.pairs.size(); ++k) {
        const auto& [before, after] = pairing.pairs[k];
        PairedRecord paired{at(before, a[before.index], sideA.names), after.position, {}};
        if (moved[k])
            table.moved.push_back(paired);
        paired.fields = FieldChanges(a[before.index], b[after.index], sideA, sideB, names);
        if (!paired.fields.empty())
            table.changed.push_back(std::move(paired));
    }
    return table;
}

void CompareHeaderField(const QString& where, const char* field, qint64 a, qint64 b,
                        std::vector<HeaderChange>& changes)
{
    if (a != b)
        changes.push_back({where, QLatin1StringView(field), a, b});
}

std::vector<HeaderChange> HeaderChanges(const DiffSide& a, const DiffSide& b)
{
    std::vector<HeaderChange> changes;
    const QString image = QStringLiteral("image");
    CompareHeaderField(image, "fileSize", a.fileSize, b.fileSize, changes);
    CompareHeaderField(image, "layoutKind", a.image.layoutKind, b.image.layoutKind, changes);
    CompareHeaderField(image, "flashSize", a.image.flashSize, b.image.flashSize, changes);
    CompareHeaderField(image, "dirStart", a.image.dirStart, b.image.dirStart, changes);
    CompareHeaderField(image, "dirScanLength", a.image.dirScanLength, b.image.dirScanLength, changes);
    for (std::size_t id = 0; id < kTableNames.size(); ++id) {
        const FoundBlock blockA = FindBlock(a.image, static_cast<BlockId>(id));
        const FoundBlock blockB = FindBlock(b.image, static_cast<BlockId>(id));
        const QString where = QLatin1StringView(kTableNames[id]) + QStringLiteral(" block");
        CompareHeaderField(where, "offset", blockA.offset, blockB.offset, changes);
        CompareHeaderField(where, "entryCount", blockA.header.entryCount, blockB.header.entryCount, changes);
        CompareHeaderField(where, "reserved", blockA.header.reserved, blockB.header.reserved, changes);
    }
    return changes;
}

// Bytes that belong to a record or a directory block of either image.
class Coverage {
public:
    void Mark(std::uint64_t begin, std::uint64_t length)
    {
        const std::uint64_t end = std::min<std::uint64_t>(begin + length, covered_.size());
        for (std::uint64_t i = std::min<std::uint64_t>(begin, end); i < end; ++i)
            covered_[i] = true;
    }

    template <typename Record>
    void MarkRecords(std::span<const Record> records, std::size_t size)
    {
        for (const Record& record : records)
            Mark(RecordOffsetOf(record.entryWord), size);
    }

    bool Covered(std::size_t at) const { return covered_[at]; }

private:
    std::vector<bool> covered_ = std::vector<bool>(kImageCapacity, false);
};

Coverage CoverageOf(const DiffSide& a, const DiffSide& b)
{
    Coverage coverage;
    for (const DiffSide* side : {&a, &b}) {
        coverage.MarkRecords(side->db.Sats(), kSatRecordSize);
        coverage.MarkRecords(side->db.Tps(), kTpRecordSize);
        coverage.MarkRecords(side->db.TvProgs(), kProgRecordSize);
        coverage.MarkRecords(side->db.RadioProgs(), kProgRecordSize);
    }
    // A block's extent is the larger of the two, wherever each image has it.
    for (std::size_t id = 0; id < kTableNames.size(); ++id) {
        const FoundBlock blockA = FindBlock(a.image, static_cast<BlockId>(id));
        const FoundBlock blockB = FindBlock(b.image, static_cast<BlockId>(id));
        const std::uint64_t extent =
            kBlockHeaderSize + std::uint64_t{kEntrySize} * std::max(blockA.header.entryCount, blockB.header.entryCount);
        for (const FoundBlock& block : {blockA, blockB})
            if (block.Found())
                coverage.Mark(block.offset, extent);
    }
    return coverage;
}

void CompareBytes(const DiffSide& a, const DiffSide& b, ImageDifference& difference)
{
    const auto length = static_cast<std::size_t>(
        std::min<qint64>(std::max(a.fileSize, b.fileSize), static_cast<qint64>(kImageCapacity)));
    difference.identical = a.fileSize == b.fileSize &&
                           std::equal(a.image.bytes.begin(), a.image.bytes.begin() + length, b.image.bytes.begin());
    if (difference.identical)
        return;
    const Coverage coverage = CoverageOf(a, b);
    for (std::size_t i = 0; i < length; ++i) {
        if (a.image.bytes[i] == b.image.bytes[i] || coverage.Covered(i))
            continue;
        ++difference.outsideBytes;
        ByteRange* last = difference.outside.empty() ? nullptr : &difference.outside.back();
        if (last && last->start + last->length == i)
            ++last->length;
        else
            difference.outside.push_back({static_cast<std::uint32_t>(i), 1});
    }
}

// Text for people.

QString Arrow() { return QStringLiteral(" \u2192 "); }

// A number in decimal; a word ("in", "locked") or hex bytes as they are.
QString ValueText(const QJsonValue& value)
{
    return value.isString() ? value.toString() : QString::number(value.toInteger());
}

QString FieldChangeText(const FieldChange& change)
{
    if (change.beforeHex.isEmpty())
        return ValueText(change.before) + Arrow() + ValueText(change.after);
    // A name: its text, and its bytes, which may differ where the text does not.
    const auto quoted = [](const QJsonValue& name) { return QLatin1Char('"') + name.toString() + QLatin1Char('"'); };
    return quoted(change.before) + Arrow() + quoted(change.after) +
           QStringLiteral("  (hex %1%2%3)").arg(change.beforeHex, Arrow(), change.afterHex);
}

QString RecordLabel(std::size_t table, const RecordAt& record)
{
    QString label = QStringLiteral("%1 %2").arg(QLatin1StringView(kTableNames[table])).arg(record.position);
    if (table != Index(BlockId::Transponders))
        label += QStringLiteral(" \"%1\"").arg(record.name);
    return label;
}

QString Offset(std::uint32_t offset)
{
    return QStringLiteral("0x") + QString::number(offset, 16).toUpper().rightJustified(6, QLatin1Char('0'));
}

using Line = std::array<QString, 3>;

QByteArray Aligned(const std::vector<Line>& lines, const QString& summary)
{
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

QString Plural(std::size_t n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1StringView(n == 1 ? one : many));
}

// The counts that are not zero: "Differences: 1 removed, 2 moved."
QString SummaryText(const ImageDifference& difference)
{
    if (difference.identical)
        return QStringLiteral("The images are identical.");
    const Counts counts = CountsOf(difference);
    QStringList parts;
    if (!difference.header.empty())
        parts << Plural(difference.header.size(), "header field", "header fields");
    if (counts.removed > 0)
        parts << QStringLiteral("%1 removed").arg(counts.removed);
    if (counts.added > 0)
        parts << QStringLiteral("%1 added").arg(counts.added);
    if (counts.moved > 0)
        parts << QStringLiteral("%1 moved").arg(counts.moved);
    if (counts.changedRecords > 0)
        parts << Plural(difference.FieldChanges(), "field change", "field changes") + QStringLiteral(" in ") +
                     Plural(counts.changedRecords, "record", "records");
    if (difference.outsideBytes > 0)
        parts << Plural(difference.outsideBytes, "byte", "bytes") +
                     QStringLiteral(" outside records and directory blocks");
    if (parts.isEmpty())  // such as an entry that points outside the buffer
        parts << QStringLiteral("bytes of the directory that no record or header shows");
    return QStringLiteral("Differences: %1.").arg(parts.join(QStringLiteral(", ")));
}

// JSON for scripts.

QJsonObject RecordJson(const RecordAt& record)
{
    return {{QStringLiteral("position"), qint64{record.position}},
            {QStringLiteral("offset"), qint64{record.offset}},
            {QStringLiteral("name"), record.name}};
}

QJsonObject PairedJson(const PairedRecord& paired)
{
    QJsonObject object = RecordJson(paired.before);
    object[QStringLiteral("newPosition")] = qint64{paired.newPosition};
    if (paired.fields.empty())
        return object;
    QJsonArray fields;
    for (const FieldChange& change : paired.fields) {
        QJsonObject field{{QStringLiteral("field"), change.field},
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

std::size_t ImageDifference::FieldChanges() const
{
    std::size_t n = 0;
    for (const TableDifference& table : tables)
        for (const PairedRecord& record : table.changed)
            n += record.fields.size();
    return n;
}

std::vector<bool> MovedElements(std::span<const std::uint32_t> sequence)
{
    // Patience sorting: tails[k] is the index of the smallest last element of
    // an increasing run of length k + 1 seen so far; each element remembers
    // the one before it in its run.
    std::vector<std::size_t> tails;
    std::vector<std::size_t> previous(sequence.size(), SIZE_MAX);
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        const auto it = std::lower_bound(tails.begin(), tails.end(), sequence[i],
                                         [&](std::size_t t, std::uint32_t value) { return sequence[t] < value; });
        if (it != tails.begin())
            previous[i] = *(it - 1);
        if (it == tails.end())
            tails.push_back(i);
        else
            *it = i;
    }
    std::vector<bool> moved(sequence.size(), true);
    for (std::size_t i = tails.empty() ? SIZE_MAX : tails.back(); i != SIZE_MAX; i = previous[i])
        moved[i] = false;
    return moved;
}

ImageDifference DiffImages(const DiffSide& a, const DiffSide& b)
{
    ImageDifference difference;
    difference.header = HeaderChanges(a, b);
    difference.tables[Index(BlockId::Satellites)] = DiffTable(a.db.Sats(), b.db.Sats(), a, b);
    difference.tables[Index(BlockId::Transponders)] = DiffTable(a.db.Tps(), b.db.Tps(), a, b);
    difference.tables[Index(BlockId::TvPrograms)] = DiffTable(a.db.TvProgs(), b.db.TvProgs(), a, b);
    difference.tables[Index(BlockId::RadioPrograms)] = DiffTable(a.db.RadioProgs(), b.db.RadioProgs(), a, b);
    CompareBytes(a, b, difference);
    return difference;
}

QByteArray DiffText(const ImageDifference& difference)
{
    std::vector<Line> lines;
    for (const HeaderChange& change : difference.header)
        lines.push_back({change.where, change.field, ValueText(change.before) + Arrow() + ValueText(change.after)});
    for (std::size_t t = 0; t < difference.tables.size(); ++t) {
        const TableDifference& table = difference.tables[t];
        for (const RecordAt& record : table.removed)
            lines.push_back({RecordLabel(t, record), QStringLiteral("removed"),
                             QStringLiteral("record at %1").arg(Offset(record.offset))});
        for (const RecordAt& record : table.added)
            lines.push_back({RecordLabel(t, record), QStringLiteral("added"),
                             QStringLiteral("record at %1").arg(Offset(record.offset))});
        for (const PairedRecord& record : table.moved)
            lines.push_back({RecordLabel(t, record.before), QStringLiteral("moved"),
                             QString::number(record.before.position) + Arrow() + QString::number(record.newPosition)});
        for (const PairedRecord& record : table.changed)
            for (const FieldChange& change : record.fields)
                lines.push_back({RecordLabel(t, record.before), change.field, FieldChangeText(change)});
    }
    for (const ByteRange& range : difference.outside)
        lines.push_back({QStringLiteral("outside"),
                         QStringLiteral("%1..%2").arg(Offset(range.start), Offset(range.start + range.length - 1)),
                         Plural(range.length, "byte", "bytes")});
    return Aligned(lines, SummaryText(difference));
}

QByteArray DiffJson(const ImageDifference& difference)
{
    QJsonArray header;
    for (const HeaderChange& change : difference.header)
        header.append(QJsonObject{{QStringLiteral("where"), change.where},
                                  {QStringLiteral("field"), change.field},
                                  {QStringLiteral("old"), change.before},
                                  {QStringLiteral("new"), change.after}});
    QJsonObject tables;
    for (std::size_t t = 0; t < difference.tables.size(); ++t) {
        const TableDifference& table = difference.tables[t];
        tables[QLatin1StringView(kTableNames[t])] = QJsonObject{
            {QStringLiteral("removed"), JsonArray(table.removed, RecordJson)},
            {QStringLiteral("added"), JsonArray(table.added, RecordJson)},
            {QStringLiteral("moved"), JsonArray(table.moved, PairedJson)},
            {QStringLiteral("changed"), JsonArray(table.changed, PairedJson)},
        };
    }
    const QJsonArray ranges = JsonArray(difference.outside, [](const ByteRange& range) {
        return QJsonObject{{QStringLiteral("start"), qint64{range.start}},
                           {QStringLiteral("length"), qint64{range.length}}};
    });
    const Counts counts = CountsOf(difference);
    const QJsonObject root{
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
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace korvex::cli
