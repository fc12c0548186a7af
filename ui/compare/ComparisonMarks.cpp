#include "ui/compare/ComparisonMarks.h"

#include "db/ChannelMatch.h"
#include "text/ShownText.h"
#include "ui/list/ChannelListModel.h"
#include "ui/list/RecordNames.h"

#include <QStringList>

#include <algorithm>
#include <optional>
#include <type_traits>
#include <variant>

namespace korvex {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;

// The index in the database's array of the record at each entry position.
template <typename Record>
std::vector<std::uint32_t> IndexByPosition(std::span<const Record> records)
{
    std::vector<std::uint32_t> index;
    for (std::uint32_t i = 0; i < records.size(); ++i) {
        const std::uint32_t position = records[i].tableIndex;
        if (position >= index.size())
            index.resize(position + 1, kNone);
        index[position] = i;
    }
    return index;
}

std::uint32_t At(const std::vector<std::uint32_t>& byPosition, std::uint32_t position)
{
    return position < byPosition.size() ? byPosition[position] : kNone;
}

std::uint64_t KeyOf(const SatRecord& sat) { return ChannelListModel::SatelliteKey(sat); }
std::uint64_t KeyOf(const TpRecord& tp) { return ChannelListModel::TransponderKey(tp); }
std::uint64_t KeyOf(const ProgRecord& prog) { return ChannelListModel::ProgramKey(prog); }

// Each marked record of one table: its index in the current array and its
// kinds of change, gathered under its key; a moved record with its number in
// the earlier list (by its earlier entry position) and in the list now (by
// its current index).
template <typename Record, typename Marks, typename EarlierNumber, typename CurrentNumber>
void Gather(const TableDifference& table, std::span<const Record> current, Marks& marks,
            std::vector<bool>* markedIndex, EarlierNumber earlierNumber, CurrentNumber currentNumber)
{
    const std::vector<std::uint32_t> byPosition = IndexByPosition(current);
    const auto touch = [&](std::uint32_t position, std::uint32_t& index) -> RecordMark* {
        index = At(byPosition, position);
        if (index == kNone)
            return nullptr;
        if (markedIndex)
            (*markedIndex)[index] = true;
        RecordMark& mark = marks.At(KeyOf(current[index]), RecordMark{});
        mark.program = std::is_same_v<Record, ProgRecord>;
        return &mark;
    };
    std::uint32_t index = kNone;
    for (const RecordAt& added : table.added)
        if (RecordMark* p = touch(added.position, index))
            p->kinds |= kChangeNew;
    for (const PairedRecord& moved : table.moved)
        if (RecordMark* p = touch(moved.newPosition, index)) {
            p->kinds |= kChangeMoved;
            p->movedFrom = earlierNumber(moved.before.position);
            p->movedTo = currentNumber(index);
        }
    for (const PairedRecord& changed : table.changed)
        if (RecordMark* p = touch(changed.newPosition, index)) {
            p->kinds |= kChangeChanged;
            p->fields = &changed.fields;
        }
}

ListNumber ProgramListNumber(const RecordNames& names, ProgTable table, std::uint32_t position)
{
    const ProgramNumber number = names.Program(table, position);
    return {number.number, number.number > 0, number.radioTab};
}

ListNumber TransponderListNumber(const RecordNames& names, std::uint32_t index)
{
    const std::uint32_t place = names.TransponderPlace(index);
    return {place, place != RecordNames::kNoPlace, false};
}

QString NumberText(const ListNumber& number, bool withTab)
{
    if (!number.known)
        return QStringLiteral("?");
    if (withTab)
        return ProgramNumber{number.radioTab, number.number}.Text();
    return QString::number(number.number);
}

// The current position of each earlier entry position both images hold.
std::vector<std::uint32_t> CurrentPositions(const TableDifference& table)
{
    std::vector<std::uint32_t> current;
    for (const auto& [before, after] : table.pairs) {
        if (before >= current.size())
            current.resize(before + 1, kNone);
        current[before] = after;
    }
    return current;
}

} // namespace

QString FieldChangeText(const FieldChange& change, const NameCharset& names)
{
    const QString field = FieldName(change.field);
    const auto value = [](const FieldValue& v) {
        return std::holds_alternative<std::int64_t>(v) ? QString::number(std::get<std::int64_t>(v))
                                                       : QString::fromStdString(std::get<std::string>(v));
    };
    const QString before = value(change.before);
    const QString after = value(change.after);
    const auto coded = [&](std::span<const std::string_view> table) {
        const std::string_view name =
            std::holds_alternative<std::int64_t>(change.before)
                ? CodedValueName(table, static_cast<unsigned>(std::get<std::int64_t>(change.before)))
                : std::string_view();
        return name.empty() ? before : QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    };
    if (change.beforeName)
        return QStringLiteral("name was %1").arg(NameText(*change.beforeName, names));
    if (field == QLatin1StringView("lock"))
        return after;  // "locked", "unlocked"
    for (const std::string_view group : kFavouriteGroupNames)
        if (change.field == group)
            return (after == QLatin1StringView("in") ? QStringLiteral("now in %1") : QStringLiteral("no longer in %1"))
                .arg(field);
    if (field == QLatin1StringView("scramble"))
        return after == QLatin1StringView("0") ? QStringLiteral("no longer scrambled") : QStringLiteral("scrambled");
    if (field == QLatin1StringView("polarisation"))
        return QStringLiteral("polarization was %1").arg(coded(kPolarisationNames));
    if (field == QLatin1StringView("lnbType"))
        return QStringLiteral("LNB type was %1").arg(coded(kLnbTypeNames));
    if (field == QLatin1StringView("lnbPower"))
        return QStringLiteral("LNB power was %1").arg(coded(kLnbPowerNames));
    // The fields a list column shows, by the words of its title.
    static const std::pair<const char*, const char*> kWords[] = {
        {"serviceId", "service ID"},
        {"videoPid", "video PID"},
        {"audioPid", "audio PID"},
        {"pcrPid", "PCR PID"},
        {"track", "track"},
        {"satId", "satellite ID"},
        {"tpId", "transponder ID"},
        {"frequency", "frequency"},
        {"symbolRate", "symbol rate"},
        {"longitude", "longitude"},
        {"lnbFreLow", "LNB low frequency"},
        {"lnbFreHigh", "LNB high frequency"},
        {"tone22K", "22K"},
        {"power012V", "0/12V"},
        {"diseqc10", "DiSEqC 1.0"},
        {"diseqc12En", "DiSEqC 1.2"},
        {"position", "position"},
    };
    for (const auto& [name, words] : kWords)
        if (change.field == name)
            return QStringLiteral("%1 was %2").arg(QLatin1StringView(words), before);
    if (field == QLatin1StringView("flagByte") || field == QLatin1StringView("flagBit7"))
        return QStringLiteral("entry flags changed");
    // Bytes no field of the list shows: the undecoded parts of a record.
    return QStringLiteral("bytes the list does not show changed");
}

QString RecordMark::Text(const NameCharset& names) const
{
    QStringList parts;
    if (kinds & kChangeGone)
        parts << QStringLiteral("gone");
    if (kinds & kChangeNew)
        parts << QStringLiteral("new");
    if (kinds & kChangeMoved) {
        // A program that changed tabs is moved from one tab's list to the
        // other's: both tabs are named.
        const bool withTab = program && movedFrom.known && movedTo.known && movedFrom.radioTab != movedTo.radioTab;
        parts << QStringLiteral("moved from %1 to %2").arg(NumberText(movedFrom, withTab), NumberText(movedTo, withTab));
    }
    if ((kinds & kChangeChanged) && fields)
        for (const FieldChange& field : *fields) {
            const QString text = FieldChangeText(field, names);
            if (!parts.contains(text))
                parts << text;
        }
    return parts.join(QStringLiteral("; "));
}

ComparisonMarks::ComparisonMarks(ImageDifference difference, const ChannelDatabase& earlier,
                                 const ChannelDatabase& current)
    : pairing(difference.pairing),
      difference_(std::move(difference)),
      marks_(current.Sats().size() + current.Tps().size() + current.TvProgs().size() + current.RadioProgs().size()),
      satMarked_(current.Sats().size(), false),
      tpMarked_(current.Tps().size(), false)
{
    const auto& tables = difference_.tables;
    const auto table = [&](BlockId id) -> const TableDifference& { return tables[static_cast<std::size_t>(id)]; };
    std::vector<bool> tvMarked(current.TvProgs().size(), false);
    std::vector<bool> radioMarked(current.RadioProgs().size(), false);
    // Numbers as the list shows them, in the earlier file and now.
    const RecordNames earlierNames(earlier, NameCharset(LocaleCharset()));
    const RecordNames currentNames(current, NameCharset(LocaleCharset()));
    const std::vector<std::uint32_t> earlierSat = IndexByPosition(earlier.Sats());
    const std::vector<std::uint32_t> earlierTp = IndexByPosition(earlier.Tps());
    Gather(
        table(BlockId::Satellites), current.Sats(), marks_, &satMarked_,
        [&](std::uint32_t position) {
            const std::uint32_t index = At(earlierSat, position);
            return ListNumber{index, index != kNone, false};
        },
        [](std::uint32_t index) { return ListNumber{index, true, false}; });
    Gather(
        table(BlockId::Transponders), current.Tps(), marks_, &tpMarked_,
        [&](std::uint32_t position) { return TransponderListNumber(earlierNames, At(earlierTp, position)); },
        [&](std::uint32_t index) { return TransponderListNumber(currentNames, index); });
    for (const ProgTable which : {ProgTable::Tv, ProgTable::Radio}) {
        const std::span<const ProgRecord> now = which == ProgTable::Tv ? current.TvProgs() : current.RadioProgs();
        Gather(
            table(which == ProgTable::Tv ? BlockId::TvPrograms : BlockId::RadioPrograms), now, marks_,
            which == ProgTable::Tv ? &tvMarked : &radioMarked,
            [&](std::uint32_t position) { return ProgramListNumber(earlierNames, which, position); },
            [&](std::uint32_t index) { return ProgramListNumber(currentNames, which, now[index].tableIndex); });
    }

    for (const BlockId id : {BlockId::TvPrograms, BlockId::RadioPrograms}) {
        const TableDifference& diff = table(id);
        counts.added += diff.added.size();
        counts.gone += diff.removed.size();
        counts.moved += diff.moved.size();
        counts.changed += diff.changed.size();
    }

    // A satellite or transponder holds the changes of its programs and
    // transponders.
    const RecordsById currentIds(current);
    const auto markHolders = [&](std::uint16_t satId, std::uint16_t tpId) {
        if (const std::uint32_t tp = currentIds.Transponder(tpId); tp != kNoMatch && tp < tpMarked_.size())
            tpMarked_[tp] = true;
        if (const std::uint32_t sat = currentIds.Satellite(satId); sat != kNoMatch && sat < satMarked_.size())
            satMarked_[sat] = true;
    };
    for (const auto& [programs, marked] :
         {std::pair{current.TvProgs(), &tvMarked}, std::pair{current.RadioProgs(), &radioMarked}})
        for (std::size_t i = 0; i < programs.size(); ++i)
            if ((*marked)[i])
                markHolders(programs[i].satId, programs[i].tpId);
    for (std::size_t i = 0; i < current.Tps().size(); ++i)
        if (tpMarked_[i])
            if (const std::uint32_t sat = currentIds.SatelliteOf(current.Tps()[i]);
                sat != kNoMatch && sat < satMarked_.size())
                satMarked_[sat] = true;

    // Gone programs, each after the program both images hold that stood
    // before it in the earlier table; its satellite and transponder, where
    // the open image holds them, are marked.
    const RecordsById earlierIds(earlier);
    const std::vector<std::uint32_t> tpNow = CurrentPositions(table(BlockId::Transponders));
    const std::vector<std::uint32_t> satNow = CurrentPositions(table(BlockId::Satellites));
    const std::vector<std::uint32_t> tpIndex = IndexByPosition(current.Tps());
    const std::vector<std::uint32_t> satIndex = IndexByPosition(current.Sats());
    for (const ProgTable which : {ProgTable::Tv, ProgTable::Radio}) {
        const BlockId id = BlockOf(which);
        const TableDifference& diff = table(id);
        const std::span<const ProgRecord> before = earlier.Progs(which);
        const std::span<const ProgRecord> now = current.Progs(which);
        const std::vector<std::uint32_t> beforeIndex = IndexByPosition(before);
        const std::vector<std::uint32_t> nowIndex = IndexByPosition(now);
        const std::vector<std::uint32_t> nowPosition = CurrentPositions(diff);
        // For each earlier position, the nearest position at or before it
        // that both images hold, as a current position.
        std::vector<std::uint32_t> nearest(nowPosition.size(), kNone);
        for (std::size_t p = 0; p < nowPosition.size(); ++p)
            nearest[p] = nowPosition[p] != kNone ? nowPosition[p] : (p > 0 ? nearest[p - 1] : kNone);
        auto& gone = gone_[IndexOf(which)];
        for (const RecordAt& removed : diff.removed) {
            const std::uint32_t index = At(beforeIndex, removed.position);
            if (index == kNone)
                continue;
            GoneProgram program{before[index], earlierNames.Program(which, removed.position).number, 0, false};
            std::uint32_t previous = kNone;
            if (removed.position > 0 && !nearest.empty())
                previous = nearest[std::min<std::size_t>(removed.position - 1, nearest.size() - 1)];
            if (const std::uint32_t follows = At(nowIndex, previous); follows != kNone) {
                program.followsKey = ChannelListModel::ProgramKey(now[follows]);
                program.followsAny = true;
            }
            gone.push_back(program);
            const std::uint32_t earlierTp = earlierIds.Transponder(program.record.tpId);
            if (earlierTp != kNoMatch)
                if (const std::uint32_t tp = At(tpIndex, At(tpNow, earlier.Tps()[earlierTp].tableIndex)); tp != kNone)
                    tpMarked_[tp] = true;
            const std::uint32_t earlierSat = earlierIds.Satellite(program.record.satId);
            if (earlierSat != kNoMatch)
                if (const std::uint32_t sat = At(satIndex, At(satNow, earlier.Sats()[earlierSat].tableIndex));
                    sat != kNone)
                    satMarked_[sat] = true;
        }
    }
}

const RecordMark* ComparisonMarks::Mark(std::uint64_t key) const
{
    return marks_.Get(key);
}

} // namespace korvex
