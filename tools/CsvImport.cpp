#include "tools/CsvImport.h"

#include "codepage/Utf16Text.h"
#include "db/Arrange.h"
#include "db/Encoders.h"
#include "db/WriteGuard.h"
#include "tools/CsvTables.h"
#include "tools/FavouriteGroups.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <optional>

namespace korvex::cli {
namespace {

constexpr std::uint32_t kBits2 = 0x3, kBits13 = 0x1FFF, kBits16 = 0xFFFF;

bool IsEmptyRow(const QStringList& fields)
{
    return std::all_of(fields.begin(), fields.end(), [](const QString& f) { return f.isEmpty(); });
}

// A whole number in decimal digits, at most `largest`; or why not.
std::optional<std::uint32_t> NumberCell(const QString& cell, std::uint32_t largest, QString& why)
{
    const bool digits = !cell.isEmpty() && std::all_of(cell.begin(), cell.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    if (!digits) {
        why = QStringLiteral("'%1' is not a whole number").arg(cell);
        return std::nullopt;
    }
    bool inRange = false;
    const qulonglong value = cell.toULongLong(&inRange);
    if (!inRange || value > largest) {
        why = QStringLiteral("%1 does not fit the field (0 to %2)").arg(cell).arg(largest);
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// Reads one cell that differs from what dump wrote into the record. Returns
// why it cannot be taken, or an empty string; counts a value that changed.
class RowReader {
public:
    RowReader(ProgTable table, const NameCharset& names, ProgRecord& record, std::size_t& valuesChanged)
        : table_(table), names_(names), record_(record), valuesChanged_(valuesChanged)
    {
    }

    QString Take(qsizetype column, const QString& cell)
    {
        switch (column) {
        case kProgNoColumn:  // the list's row number, renumbered by the new order
        case kTableIndexColumn:
        case kRecordOffsetColumn:
            return {};
        case kProgNameColumn: return TakeName(NameOfCell(cell));
        case kServiceIdColumn:
            return TakeNumber(cell, kBits16, record_.serviceId,
                              [](ProgRecord& r, std::uint32_t v) { r.serviceId = static_cast<std::uint16_t>(v); });
        case kVideoPidColumn:
            if (table_ == ProgTable::Radio)
                return QStringLiteral("the radio table keeps no video PID; it cannot be changed");
            return TakeNumber(cell, kBits13, record_.videoPid, [](ProgRecord& r, std::uint32_t v) { r.videoPid = v; });
        case kAudioPidColumn:
            return TakeNumber(cell, kBits13, record_.audioPid,
                              [](ProgRecord& r, std::uint32_t v) { r.audioPid = static_cast<std::uint16_t>(v); });
        case kPcrPidColumn:
            return TakeNumber(cell, kBits13, record_.pcrPid,
                              [](ProgRecord& r, std::uint32_t v) { r.pcrPid = static_cast<std::uint16_t>(v); });
        case kTrackColumn:
            return TakeNumber(cell, kBits2, record_.track,
                              [](ProgRecord& r, std::uint32_t v) { r.track = static_cast<std::uint16_t>(v); });
        case kChildLockColumn: return TakeChildLock(cell);
        case kFavoriteColumn: return TakeFavourites(cell);
        case kScrambleColumn:
        case kSatIdColumn:
        case kTpIdColumn:
            return QStringLiteral("the editors do not change this value; it cannot be imported");
        }
        return {};
    }

private:
    QString TakeNumber(const QString& cell, std::uint32_t largest, std::uint32_t now,
                       void (*store)(ProgRecord&, std::uint32_t))
    {
        QString why;
        const std::optional<std::uint32_t> value = NumberCell(cell, largest, why);
        if (!value)
            return why;
        Changed(*value != now);
        store(record_, *value);
        return {};
    }

    QString TakeName(const QString& text)
    {
        const EncodedName encoded = names_.Encode(text.toStdU16String());
        if (!encoded.unstorable.empty())
            return QStringLiteral("the name charset %1 cannot store %2")
                .arg(QString::fromStdString(names_.Name()), Utf16Text(encoded.unstorable));
        if (encoded.bytes.size() > kNameBytes)
            return QStringLiteral("the name takes %1 bytes in %2; a name holds at most %3")
                .arg(encoded.bytes.size())
                .arg(QString::fromStdString(names_.Name()))
                .arg(kNameBytes);
        if (encoded.bytes == NameView(record_.progName))
            return {};
        Changed(true);
        StoreNameBytes(record_.progName, encoded.bytes);
        return {};
    }

    // 1 = locked, which is bit 0 of the flag byte cleared.
    QString TakeChildLock(const QString& cell)
    {
        if (cell != u"0" && cell != u"1")
            return QStringLiteral("'%1': the child lock is 1 (locked) or 0 (not locked)").arg(cell);
        const std::uint8_t unlocked = cell == u"1" ? 0 : 1;
        Changed(unlocked != (record_.unlocked & 1));
        record_.unlocked = unlocked;
        return {};
    }

    QString TakeFavourites(const QString& cell)
    {
        QString unknown;
        const std::optional<std::uint8_t> bits = FavouriteBitsOf(cell, &unknown);
        if (!bits)
            return QStringLiteral("'%1' is no favourite group; the groups are Movies, Music, Cartoons, News, Sport "
                                  "and Adult, each followed by /")
                .arg(unknown);
        Changed(*bits != record_.favBits);
        record_.favBits = *bits;
        return {};
    }

    void Changed(bool changed) { valuesChanged_ += changed ? 1 : 0; }

    ProgTable table_;
    const NameCharset& names_;
    ProgRecord& record_;
    std::size_t& valuesChanged_;
};

class Checker {
public:
    Checker(const Image& image, ProgTable table, const NameCharset& names, const ImportSource& source)
        : image_(image), table_(table), names_(names), source_(source), programs_(ProgramsOf(*image.db, table))
    {
        for (std::size_t i = 0; i < programs_.size(); ++i)
            heldAt_[programs_[i].tableIndex] = i;
        claimedOnLine_.assign(programs_.size(), 0);
    }

    ImportCheck Check()
    {
        if (!source_.csv.error.isEmpty())
            return Failed(source_.fileName + QLatin1Char(' ') + source_.csv.error);
        const std::vector<CsvRecord>& records = source_.csv.records;
        if (records.empty())
            return Failed(QStringLiteral("%1: the file is empty; it needs the header line dump writes")
                              .arg(source_.fileName));
        if (QString why = CheckHeader(records.front()); !why.isEmpty())
            return Failed(why);
        for (std::size_t r = 1; r < records.size(); ++r) {
            if (IsEmptyRow(records[r].fields))
                continue;
            if (QString why = CheckRow(records[r]); !why.isEmpty())
                return Failed(why);
        }
        if (QString why = CheckMissing(); !why.isEmpty())
            return Failed(why);
        return {std::move(result_), {}};
    }

private:
    static ImportCheck Failed(QString why) { return {{}, std::move(why)}; }

    QString At(qsizetype line) const { return QStringLiteral("%1 line %2").arg(source_.fileName).arg(line); }

    QString AtCell(qsizetype line, qsizetype column) const
    {
        return At(line) + QStringLiteral(", column %1 (%2)").arg(column + 1).arg(header_[column]);
    }

    QString CheckHeader(const CsvRecord& record)
    {
        header_ = ProgramCsvHeader();
        for (qsizetype c = 0; c < header_.size(); ++c)
            if (record.fields.value(c) != header_[c])
                return At(record.line) + QStringLiteral(", column %1: '%2' where the header has '%3'; the file must "
                                                        "start with the header line dump writes")
                                             .arg(c + 1)
                                             .arg(record.fields.value(c), header_[c]);
        if (record.fields.size() != header_.size())
            return At(record.line) + QStringLiteral(": %1 columns; the header has %2")
                                         .arg(record.fields.size())
                                         .arg(header_.size());
        return {};
    }

    // The held record a row names: the entry at its position must point at
    // its offset.
    QString FindRecord(const CsvRecord& row, std::size_t& held) const
    {
        QString why;
        const auto position = NumberCell(row.fields[kTableIndexColumn], 0xFFFFFFFF, why);
        if (!position)
            return AtCell(row.line, kTableIndexColumn) + QStringLiteral(": ") + why;
        const auto offset = NumberCell(row.fields[kRecordOffsetColumn], 0xFFFFFFFF, why);
        if (!offset)
            return AtCell(row.line, kRecordOffsetColumn) + QStringLiteral(": ") + why;
        const auto it = heldAt_.find(*position);
        if (it == heldAt_.end() || RecordOffsetOf(programs_[it->second].entryWord) != *offset)
            return At(row.line) + QStringLiteral(": no entry of the %1 table at position %2 points at a record at "
                                                 "offset %3; was the file written from another image?")
                                      .arg(TableWord(table_))
                                      .arg(*position)
                                      .arg(*offset);
        held = it->second;
        return {};
    }

    QString CheckRow(const CsvRecord& row)
    {
        if (row.fields.size() != header_.size())
            return At(row.line) + QStringLiteral(": %1 cells; a row has %2, one for each column of the header")
                                      .arg(row.fields.size())
                                      .arg(header_.size());
        std::size_t held = 0;
        if (QString why = FindRecord(row, held); !why.isEmpty())
            return why;
        if (claimedOnLine_[held] != 0)
            return At(row.line) + QStringLiteral(": repeats the row of line %1 (%2 program %3)")
                                      .arg(claimedOnLine_[held])
                                      .arg(TableWord(table_))
                                      .arg(programs_[held].tableIndex);
        claimedOnLine_[held] = row.line;

        const ProgRecord& original = programs_[held];
        ProgRecord record = original;
        std::size_t changed = 0;
        RowReader reader(table_, names_, record, changed);
        const QStringList dumped = ProgramCsvFields(original, 0, names_);
        for (qsizetype c = 0; c < header_.size(); ++c) {
            if (c == kProgNoColumn || row.fields[c] == dumped[c])
                continue;
            if (QString why = reader.Take(c, row.fields[c]); !why.isEmpty())
                return AtCell(row.line, c) + QStringLiteral(": ") + why;
        }
        if (changed > 0) {
            if (const std::string_view why = WriteRefusal(*image_.flash, original); !why.empty())
                return At(row.line) + QStringLiteral(": ") + QString::fromUtf8(why.data(), qsizetype(why.size()));
            result_.edited.push_back(record);
            result_.valuesChanged += changed;
        }
        result_.order.push_back(original.tableIndex);
        return {};
    }

    QString CheckMissing()
    {
        for (std::size_t i = 0; i < programs_.size(); ++i) {
            if (claimedOnLine_[i] != 0)
                continue;
            if (!source_.deleteMissing)
                return QStringLiteral("%1: no row for %2 program %3 \"%4\" (tableIndex %5, recordOffset %6); give "
                                      "--delete-missing to delete the programs the file leaves out")
                    .arg(source_.fileName, TableWord(table_))
                    .arg(i)
                    .arg(NameOfCell(ProgramCsvFields(programs_[i], 0, names_)[kProgNameColumn]))
                    .arg(programs_[i].tableIndex)
                    .arg(RecordOffsetOf(programs_[i].entryWord));
            result_.missing.push_back(programs_[i].tableIndex);
        }
        return {};
    }

    const Image& image_;
    ProgTable table_;
    const NameCharset& names_;
    const ImportSource& source_;
    std::span<const ProgRecord> programs_;
    std::map<std::uint32_t, std::size_t> heldAt_;  // entry position -> index of the held record
    std::vector<qsizetype> claimedOnLine_;         // by held record: the line that names it, or 0
    QStringList header_;
    ProgramImport result_;
};

bool IsIdentity(std::span<const std::uint32_t> order)
{
    for (std::uint32_t i = 0; i < order.size(); ++i)
        if (order[i] != i)
            return false;
    return true;
}

} // namespace

ImportCheck CheckProgramImport(const Image& image, ProgTable table, const NameCharset& names,
                               const ImportSource& source)
{
    return Checker(image, table, names, source).Check();
}

QString ApplyProgramImport(Image& image, ProgTable table, const ProgramImport& import)
{
    for (const ProgRecord& record : import.edited)
        if (!EncodeProg(*image.flash, record))
            return QStringLiteral("a program could not be written into the image");
    Reload(image);

    // The rows' order, then the records no row names, which are deleted next
    // from the end of the table.
    std::vector<std::uint32_t> order = import.order;
    order.insert(order.end(), import.missing.begin(), import.missing.end());
    if (!IsIdentity(order)) {
        const ChangeOutcome reordered = ReorderPrograms(*image.flash, *image.db, table, order);
        if (!reordered.done)
            return QString::fromStdString(reordered.refusal);
        Reload(image);
    }
    if (!import.missing.empty()) {
        std::vector<std::uint32_t> last(import.missing.size());
        std::iota(last.begin(), last.end(), static_cast<std::uint32_t>(import.order.size()));
        const ChangeOutcome deleted = DeletePrograms(*image.flash, *image.db, table, last);
        if (!deleted.done)
            return QString::fromStdString(deleted.refusal);
        Reload(image);
    }
    return {};
}

} // namespace korvex::cli
