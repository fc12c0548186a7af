#include "db/CleanUp.h"

#include "db/Arrange.h"
#include "db/ChannelMatch.h"
#include "db/FlatMap.h"
#include "db/LoadDatabase.h"
#include "db/WriteGuard.h"

#include <algorithm>
#include <memory>
#include <set>
#include <span>
#include <tuple>

namespace korvex {
namespace {

constexpr std::uint8_t kFavouriteBits = 0x7E;
constexpr std::size_t kIds = 0x10000;

constexpr const char* kRecordWords[] = {"satellite", "transponder", "TV program", "radio program"};

std::size_t BlockIndex(BlockId id) { return static_cast<std::size_t>(id); }

CleanUpRecord SatelliteAt(const ChannelDatabase& db, std::uint32_t s)
{
    return {BlockId::Satellites, db.sats[s].tableIndex, s, db.sats[s].entryWord};
}

CleanUpRecord TransponderAt(const ChannelDatabase& db, std::uint32_t t)
{
    return {BlockId::Transponders, db.tps[t].tableIndex, t, db.tps[t].entryWord};
}

CleanUpRecord ProgramAt(const ChannelDatabase& db, ProgTable table, std::uint32_t i)
{
    const ProgRecord& prog = db.Progs(table)[i];
    return {BlockOf(table), prog.tableIndex, i, prog.entryWord};
}

struct KeyHash {
    std::size_t operator()(std::uint64_t key) const { return static_cast<std::size_t>(MixBits(key)); }
};

// The transponders of each satellite by tpId: where several transponders
// share a tpId, a program is on the one of its own satellite.
class SatelliteTransponders {
public:
    explicit SatelliteTransponders(const ChannelDatabase& db) : tps_(db.numTps)
    {
        for (std::uint32_t t = 0; t < db.numTps; ++t)
            tps_.At(Key(db.tps[t].satId, db.tps[t].tpId), t);
    }

    // The first transponder with this tpId whose 14-bit satId equals the
    // whole 16-bit satId, or kNoMatch.
    std::uint32_t Of(std::uint16_t satId, std::uint16_t tpId) const
    {
        const std::uint32_t* t = tps_.Get(Key(satId, tpId));
        return t ? *t : kNoMatch;
    }

private:
    static std::uint32_t Key(std::uint16_t satId, std::uint16_t tpId) { return std::uint32_t{satId} << 16 | tpId; }

    struct Hash {
        std::size_t operator()(std::uint32_t key) const { return static_cast<std::size_t>(MixBits(key)); }
    };
    FlatMap<std::uint32_t, std::uint32_t, Hash> tps_;
};

// What makes two programs of one table the same service: the satellite, the
// service id, and the transponder by its frequency and polarisation when it
// is a transponder of the program's satellite, else by its tpId.
std::uint64_t ServiceKey(const ChannelDatabase& db, const SatelliteTransponders& satTps, const ProgRecord& prog)
{
    std::uint64_t where = prog.tpId;
    if (const std::uint32_t t = satTps.Of(prog.satId, prog.tpId); t != kNoMatch)
        where = 1u << 16 | std::uint64_t{db.tps[t].frequency} << 2 | db.tps[t].polarisation;
    return std::uint64_t{prog.satId} << 33 | std::uint64_t{prog.serviceId} << 17 | where;
}

void FindDuplicates(const ChannelDatabase& db, const SatelliteTransponders& satTps, ProgTable table,
                    std::vector<CleanUpCandidate>& found)
{
    const std::span<const ProgRecord> progs = db.Progs(table);
    FlatMap<std::uint64_t, std::uint32_t, KeyHash> first(progs.size());
    for (std::uint32_t i = 0; i < progs.size(); ++i) {
        const std::uint32_t f = first.At(ServiceKey(db, satTps, progs[i]), i);
        if (f != i)
            found.push_back({ProgramAt(db, table, i), CleanUpKind::Duplicates, CleanUpReason::SameService,
                             progs[f].tableIndex});
    }
}

void FindStrays(const ChannelDatabase& db, const RecordsById& ids, std::vector<CleanUpCandidate>& found)
{
    for (std::uint32_t t = 0; t < db.numTps; ++t)
        if (ids.SatelliteOf(db.tps[t]) == kNoMatch)
            found.push_back({TransponderAt(db, t), CleanUpKind::Strays, CleanUpReason::NoSatellite, db.tps[t].satId});
    for (const ProgTable table : {ProgTable::Tv, ProgTable::Radio}) {
        const std::span<const ProgRecord> progs = db.Progs(table);
        for (std::uint32_t i = 0; i < progs.size(); ++i) {
            if (ids.Transponder(progs[i].tpId) == kNoMatch)
                found.push_back({ProgramAt(db, table, i), CleanUpKind::Strays, CleanUpReason::NoTransponder,
                                 progs[i].tpId});
            else if (ids.Satellite(progs[i].satId) == kNoMatch)
                found.push_back({ProgramAt(db, table, i), CleanUpKind::Strays, CleanUpReason::NoSatellite,
                                 progs[i].satId});
        }
    }
}

template <typename Test>
void FindPrograms(const ChannelDatabase& db, CleanUpKind kind, CleanUpReason reason, Test test,
                  std::vector<CleanUpCandidate>& found)
{
    for (const ProgTable table : {ProgTable::Tv, ProgTable::Radio}) {
        const std::span<const ProgRecord> progs = db.Progs(table);
        for (std::uint32_t i = 0; i < progs.size(); ++i)
            if (test(progs[i]))
                found.push_back({ProgramAt(db, table, i), kind, reason, 0});
    }
}

std::uint64_t PlaceKey(BlockId table, std::uint32_t position)
{
    return std::uint64_t{static_cast<std::uint32_t>(table)} << 32 | position;
}

// The plan being made: which item, if any, lists each record.
class PlanBuilder {
public:
    PlanBuilder(const ChannelDatabase& db, const CleanUpChoices& choices, CleanUpPlan& plan) : plan_(plan)
    {
        for (const CleanUpRecord& record : choices.kept)
            kept_.insert(PlaceKey(record.table, record.position));
        itemOf_[0].assign(db.numSats, kNone);
        itemOf_[1].assign(db.numTps, kNone);
        itemOf_[2].assign(db.numTv, kNone);
        itemOf_[3].assign(db.numRadio, kNone);
    }

    // Lists a candidate unless its record is listed already.
    bool List(const CleanUpCandidate& candidate)
    {
        std::uint32_t& item = ItemOf(candidate.record);
        if (item != kNone)
            return false;
        item = static_cast<std::uint32_t>(plan_.items.size());
        plan_.items.push_back({candidate, !kept_.contains(PlaceKey(candidate.record.table, candidate.record.position))});
        return true;
    }

    // The record goes, whether kept or not: it goes with its transponder.
    void Force(const CleanUpCandidate& candidate)
    {
        if (List(candidate))
            return;
        CleanUpItem& item = plan_.items[ItemOf(candidate.record)];
        if (item.goes)
            return;
        item.goes = true;
        item.candidate.reason = candidate.reason;
        item.candidate.other = candidate.other;
    }

    bool Goes(BlockId table, std::uint32_t index) const
    {
        const std::uint32_t item = itemOf_[BlockIndex(table)][index];
        return item != kNone && plan_.items[item].goes;
    }
    bool Listed(BlockId table, std::uint32_t index) const { return itemOf_[BlockIndex(table)][index] != kNone; }

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;

    std::uint32_t& ItemOf(const CleanUpRecord& record) { return itemOf_[BlockIndex(record.table)][record.index]; }

    CleanUpPlan& plan_;
    std::set<std::uint64_t> kept_;
    std::array<std::vector<std::uint32_t>, 4> itemOf_;
};

// Deleting a transponder (only strays are deleted before the programs are
// counted) takes along the programs with its tpId that no
// surviving transponder claims, as arranging deletes a transponder.
void TakeAlongPrograms(const ChannelDatabase& db, PlanBuilder& builder)
{
    std::vector<std::uint32_t> survivors(kIds, 0);
    std::vector<std::uint32_t> gonePosition(kIds, 0xFFFFFFFF);
    bool anyGone = false;
    for (std::uint32_t t = 0; t < db.numTps; ++t) {
        const TpRecord& tp = db.tps[t];
        if (!builder.Goes(BlockId::Transponders, t)) {
            ++survivors[tp.tpId];
        } else if (gonePosition[tp.tpId] == 0xFFFFFFFF) {
            gonePosition[tp.tpId] = tp.tableIndex;
            anyGone = true;
        }
    }
    if (!anyGone)
        return;
    for (const ProgTable table : {ProgTable::Tv, ProgTable::Radio}) {
        const std::span<const ProgRecord> progs = db.Progs(table);
        for (std::uint32_t i = 0; i < progs.size(); ++i) {
            const std::uint16_t tpId = progs[i].tpId;
            if (gonePosition[tpId] != 0xFFFFFFFF && survivors[tpId] == 0)
                builder.Force({ProgramAt(db, table, i), CleanUpKind::Strays, CleanUpReason::WithTransponder,
                               gonePosition[tpId]});
        }
    }
}

// Transponders and satellites that held something and hold nothing once
// the listed records go; listed when `list`, else only counted. A program is
// held by the transponder with its tpId on its own satellite, as the
// duplicates are told apart: another satellite's transponder that happens to
// share the tpId never held it. Only where its satellite has no transponder
// with its tpId is it held by the first transponder with that tpId.
std::size_t FindLeftEmpty(const ChannelDatabase& db, const SatelliteTransponders& satTps, const RecordsById& ids,
                          PlanBuilder& builder, bool list)
{
    std::size_t found = 0;
    std::vector<std::uint32_t> emptied;
    std::vector<std::uint32_t> progsByTp(db.numTps, 0), keptByTp(db.numTps, 0);
    std::vector<std::uint32_t> heldBySat(kIds, 0), keptBySat(kIds, 0);
    for (const ProgTable table : {ProgTable::Tv, ProgTable::Radio}) {
        const std::span<const ProgRecord> progs = db.Progs(table);
        for (std::uint32_t i = 0; i < progs.size(); ++i) {
            const bool stays = !builder.Goes(BlockOf(table), i);
            std::uint32_t t = satTps.Of(progs[i].satId, progs[i].tpId);
            if (t == kNoMatch)
                t = ids.Transponder(progs[i].tpId);
            if (t != kNoMatch) {
                ++progsByTp[t];
                keptByTp[t] += stays;
            }
            ++heldBySat[progs[i].satId];
            keptBySat[progs[i].satId] += stays;
        }
    }
    for (std::uint32_t t = 0; t < db.numTps; ++t) {
        if (!builder.Listed(BlockId::Transponders, t) && progsByTp[t] > 0 && keptByTp[t] == 0) {
            if (list)
                builder.List({TransponderAt(db, t), CleanUpKind::LeftEmpty, CleanUpReason::NoProgramLeft, 0});
            else
                emptied.push_back(t);
            ++found;
        }
    }
    // Counted only, the transponders left empty still go for their
    // satellites' sake.
    std::vector<bool> goes(db.numTps, false);
    for (const std::uint32_t t : emptied)
        goes[t] = true;
    for (std::uint32_t t = 0; t < db.numTps; ++t) {
        ++heldBySat[db.tps[t].satId];
        keptBySat[db.tps[t].satId] += !(goes[t] || builder.Goes(BlockId::Transponders, t));
    }
    // A transponder's satId has 14 bits: a satellite of id 16384 or more
    // holds none, as the tree shows it.
    for (std::uint32_t s = 0; s < db.numSats; ++s) {
        const std::uint16_t satId = db.sats[s].satId;
        if (!builder.Listed(BlockId::Satellites, s) && heldBySat[satId] > 0 && keptBySat[satId] == 0) {
            if (list)
                builder.List({SatelliteAt(db, s), CleanUpKind::LeftEmpty, CleanUpReason::NothingLeft, 0});
            ++found;
        }
    }
    return found;
}

const ProgRecord* HeldProgram(const ChannelDatabase& db, BlockId table, std::uint32_t index)
{
    const std::span<const ProgRecord> progs = db.Progs(table == BlockId::TvPrograms ? ProgTable::Tv : ProgTable::Radio);
    return index < progs.size() ? &progs[index] : nullptr;
}

// Whether the database still holds the record where the plan saw it.
bool StillHeld(const ChannelDatabase& db, const CleanUpRecord& record)
{
    const auto same = [&](std::uint32_t tableIndex, std::uint32_t entryWord) {
        return tableIndex == record.position && entryWord == record.entryWord;
    };
    switch (record.table) {
    case BlockId::Satellites:
        return record.index < db.numSats && same(db.sats[record.index].tableIndex, db.sats[record.index].entryWord);
    case BlockId::Transponders:
        return record.index < db.numTps && same(db.tps[record.index].tableIndex, db.tps[record.index].entryWord);
    case BlockId::TvPrograms:
    case BlockId::RadioPrograms: {
        const ProgRecord* prog = HeldProgram(db, record.table, record.index);
        return prog && same(prog->tableIndex, prog->entryWord);
    }
    }
    return false;
}

std::string_view RecordRefusal(const FlashImage& image, const ChannelDatabase& db, const CleanUpRecord& record)
{
    switch (record.table) {
    case BlockId::Satellites: return WriteRefusal(image, db.sats[record.index]);
    case BlockId::Transponders: return WriteRefusal(image, db.tps[record.index]);
    case BlockId::TvPrograms:
    case BlockId::RadioPrograms: return WriteRefusal(image, *HeldProgram(db, record.table, record.index));
    }
    return {};
}

std::string PlanRefusal(const FlashImage& image, const ChannelDatabase& db, const CleanUpPlan& plan)
{
    for (std::size_t id = 0; id < plan.going.size(); ++id)
        if (plan.going[id] > 0)
            if (std::string why = ArrangeRefusal(image, db, static_cast<BlockId>(id)); !why.empty())
                return why;
    for (const CleanUpItem& item : plan.items)
        if (item.goes)
            if (const std::string_view why = RecordRefusal(image, db, item.candidate.record); !why.empty())
                return std::string(kRecordWords[BlockIndex(item.candidate.record.table)]) + " " +
                       std::to_string(item.candidate.record.position) + ": " + std::string(why);
    return {};
}

} // namespace

CleanUpAnalysis AnalyseCleanUp(const ChannelDatabase& db)
{
    const RecordsById ids(db);
    const SatelliteTransponders satTps(db);
    CleanUpAnalysis analysis;
    for (const ProgTable table : {ProgTable::Tv, ProgTable::Radio})
        FindDuplicates(db, satTps, table, analysis.kinds[KindIndex(CleanUpKind::Duplicates)]);
    FindStrays(db, ids, analysis.kinds[KindIndex(CleanUpKind::Strays)]);
    FindPrograms(
        db, CleanUpKind::Scrambled, CleanUpReason::Scrambled, [](const ProgRecord& p) { return p.scramble != 0; },
        analysis.kinds[KindIndex(CleanUpKind::Scrambled)]);
    FindPrograms(
        db, CleanUpKind::NoFavourite, CleanUpReason::InNoGroup,
        [](const ProgRecord& p) { return (p.favBits & kFavouriteBits) == kFavouriteBits; },
        analysis.kinds[KindIndex(CleanUpKind::NoFavourite)]);
    return analysis;
}

CleanUpPlan PlanCleanUp(const FlashImage& image, const ChannelDatabase& db, const CleanUpAnalysis& analysis,
                        const CleanUpChoices& choices)
{
    CleanUpPlan plan;
    plan.choices = choices;
    for (std::size_t k = 0; k < kAnalysedKinds; ++k)
        plan.counts[k] = analysis.kinds[k].size();
    for (std::size_t id = 0; id < plan.entryCounts.size(); ++id)
        plan.entryCounts[id] = FindBlock(image, static_cast<BlockId>(id)).header.entryCount;

    PlanBuilder builder(db, choices, plan);
    const SatelliteTransponders satTps(db);
    const RecordsById ids(db);
    for (std::size_t k = 0; k < kAnalysedKinds; ++k)
        if (choices.kinds[k])
            for (const CleanUpCandidate& candidate : analysis.kinds[k])
                builder.List(candidate);
    TakeAlongPrograms(db, builder);
    plan.counts[KindIndex(CleanUpKind::LeftEmpty)] = FindLeftEmpty(db, satTps, ids, builder, choices.Has(CleanUpKind::LeftEmpty));

    std::ranges::stable_sort(plan.items, [](const CleanUpItem& a, const CleanUpItem& b) {
        return std::tie(a.candidate.record.table, a.candidate.record.position) <
               std::tie(b.candidate.record.table, b.candidate.record.position);
    });
    for (const CleanUpItem& item : plan.items)
        plan.going[BlockIndex(item.candidate.record.table)] += item.goes;
    plan.refusal = PlanRefusal(image, db, plan);
    return plan;
}

std::string CleanUpReasonText(const CleanUpCandidate& candidate, std::uint32_t firstProgram)
{
    const std::string word = kRecordWords[BlockIndex(candidate.record.table)];
    switch (candidate.reason) {
    case CleanUpReason::SameService:
        return "same satellite, transponder and service ID as " + word + " " +
               std::to_string(std::uint64_t{candidate.other} + firstProgram);
    case CleanUpReason::NoTransponder: return "no transponder has tpId " + std::to_string(candidate.other);
    case CleanUpReason::NoSatellite: return "no satellite has satId " + std::to_string(candidate.other);
    case CleanUpReason::Scrambled: return "scrambled";
    case CleanUpReason::InNoGroup: return "in no favourite group";
    case CleanUpReason::NoProgramLeft: return "no program left";
    case CleanUpReason::NothingLeft: return "no transponder and no program left";
    case CleanUpReason::WithTransponder:
        return "goes with transponder " + std::to_string(candidate.other);
    }
    return {};
}

CleanUpListing ListCleanUpRecord(const ChannelDatabase& db, const RecordsById& ids, const CleanUpRecord& record)
{
    CleanUpListing listing;
    const auto satellite = [&](std::uint32_t s) {
        if (s != kNoMatch)
            listing.satellite = db.sats[s];
    };
    switch (record.table) {
    case BlockId::Satellites:
        listing.name = db.sats[record.index].satName;
        break;
    case BlockId::Transponders:
        listing.transponder = db.tps[record.index];
        satellite(ids.SatelliteOf(db.tps[record.index]));
        break;
    case BlockId::TvPrograms:
    case BlockId::RadioPrograms: {
        const ProgRecord& prog = *HeldProgram(db, record.table, record.index);
        listing.name = prog.progName;
        satellite(ids.Satellite(prog.satId));
        if (const std::uint32_t t = ids.Transponder(prog.tpId); t != kNoMatch)
            listing.transponder = db.tps[t];
        break;
    }
    }
    return listing;
}

std::string_view CleanUpKindName(CleanUpKind kind)
{
    switch (kind) {
    case CleanUpKind::Duplicates: return "Duplicates";
    case CleanUpKind::Strays: return "Strays";
    case CleanUpKind::Scrambled: return "Scrambled";
    case CleanUpKind::NoFavourite: return "In no favourite group";
    case CleanUpKind::LeftEmpty: return "Left empty";
    }
    return {};
}

ChangeOutcome ApplyCleanUp(FlashImage& image, ChannelDatabase& db, const CleanUpPlan& plan)
{
    if (!plan.refusal.empty())
        return ChangeOutcome::Refused(plan.refusal);
    const ChangeOutcome otherImage = ChangeOutcome::Refused("the image is not the one the plan was made for");
    for (std::size_t id = 0; id < plan.entryCounts.size(); ++id)
        if (FindBlock(image, static_cast<BlockId>(id)).header.entryCount != plan.entryCounts[id])
            return otherImage;
    std::array<std::vector<std::uint32_t>, 4> positions;
    for (const CleanUpItem& item : plan.items) {
        if (!item.goes)
            continue;
        if (!StillHeld(db, item.candidate.record))
            return otherImage;
        positions[BlockIndex(item.candidate.record.table)].push_back(item.candidate.record.position);
    }
    if (!plan.Changes())
        return ChangeOutcome::Written();

    const auto before = std::make_unique<FlashImage>(image);
    const ChangeOutcome outcome = DeleteEntries(image, db, positions);
    if (!outcome.done)
        return outcome;
    if (!LoadDatabase(image, db)) {
        image = *before;
        LoadDatabase(image, db);
        return ChangeOutcome::Refused("the image would no longer be read as before");
    }
    return outcome;
}

} // namespace korvex
