#include "ui/compare/ComparisonMarks.h"

#include "db/ChannelMatch.h"
#include "ui/list/ChannelListModel.h"

#include <QStringList>

#include <algorithm>
#include <optional>

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
// kinds of change, gathered under its key.
template <typename Record, typename Marks>
void Gather(const TableDifference& table, std::span<const Record> current, Marks& marks,
            std::vector<bool>* markedIndex)
{
    const std::vector<std::uint32_t> byPosition = IndexByPosition(current);
    const auto touch = [&](std::uint32_t position) -> RecordMark* {
        const std::uint32_t index = At(byPosition, position);
        if (index == kNone)
            return nullptr;
        if (markedIndex)
            (*markedIndex)[index] = true;
        return &marks.At(KeyOf(current[index]), RecordMark{});
    };
    for (const RecordAt& added : table.added)
        if (RecordMark* p = touch(added.position))
            p->kinds |= kChangeNew;
    for (const PairedRecord& moved : table.moved)
        if (RecordMark* p = touch(moved.newPosition)) {
            p->kinds |= kChangeMoved;
            p->movedBy = static_cast<std::int32_t>(std::int64_t{moved.newPosition} - std::int64_t{moved.before.position});
        }
    for (const PairedRecord& changed : table.changed)
        if (RecordMark* p = touch(changed.newPosition)) {
            p->kinds |= kChangeChanged;
            p->fields = &changed.fields;
        }
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

QString RecordMark::Text() const
{
    QStringList parts;
    if (kinds & kChangeGone)
        parts << QStringLiteral("gone");
    if (kinds & kChangeNew)
        parts << QStringLiteral("new");
    if (kinds & kChangeMoved)
        parts << QStringLiteral("moved by %1").arg(movedBy);
    if (kinds & kChangeChanged) {
        QStringList names;
        if (fields)
            for (const FieldChange& field : *fields)
                names << QString::fromStdString(field.field);
        parts << QStringLiteral("changed: ") + names.join(QStringLiteral(", "));
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
    Gather(table(BlockId::Satellites), current.Sats(), marks_, &satMarked_);
    Gather(table(BlockId::Transponders), current.Tps(), marks_, &tpMarked_);
    Gather(table(BlockId::TvPrograms), current.TvProgs(), marks_, &tvMarked);
    Gather(table(BlockId::RadioPrograms), current.RadioProgs(), marks_, &radioMarked);

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
            GoneProgram program{before[index], 0, false};
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
