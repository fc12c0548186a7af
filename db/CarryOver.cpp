#include "db/CarryOver.h"

#include "db/Arrange.h"
#include "db/Encoders.h"
#include "db/LoadDatabase.h"
#include "db/WriteGuard.h"

#include <algorithm>
#include <memory>
#include <span>

namespace korvex {
namespace {

constexpr std::uint8_t kLockBit = 0x01;
constexpr std::uint8_t kFavouriteBits = 0x7E;
constexpr std::uint8_t kCarriedBits = kLockBit | kFavouriteBits;  // bit 7 is never carried

std::size_t Index(ProgTable table) { return table == ProgTable::Tv ? 0 : 1; }

std::span<const ProgRecord> TableOf(const ChannelDatabase& db, ProgTable table)
{
    return table == ProgTable::Tv ? db.TvProgs() : db.RadioProgs();
}

const char* TableWord(ProgTable table) { return table == ProgTable::Tv ? "TV" : "radio"; }

ProgramListing ListProgram(const ChannelDatabase& db, const RecordsById& ids, const ProgRecord& prog)
{
    ProgramListing listing;
    listing.position = prog.tableIndex;
    listing.name = prog.progName;
    if (const std::uint32_t sat = ids.Satellite(prog.satId); sat != kNoMatch)
        listing.satellite = db.sats[sat];
    if (const std::uint32_t tp = ids.Transponder(prog.tpId); tp != kNoMatch)
        listing.transponder = db.tps[tp];
    return listing;
}

// A name a matched pair would carry into the record behind the program's
// entry.
struct NameWish {
    ProgTable table;
    std::uint32_t position;  // of the program's entry
    std::uint32_t record;    // its offset
    NameBytes current;
    NameBytes earlier;
};

TableCarryOver PlanTable(ProgTable table, const FlashImage& image, const ChannelDatabase& current,
                         const RecordsById& currentIds, const ChannelDatabase& earlier, const RecordsById& earlierIds,
                         const Matching<ProgramPair>& matching, const CarryOverChoices& choices,
                         std::vector<NameWish>& wishes)
{
    const std::span<const ProgRecord> programs = TableOf(current, table);
    const std::span<const ProgRecord> earlierPrograms = TableOf(earlier, table);
    TableCarryOver plan;
    plan.table = table;
    plan.entryCount = FindBlock(image, BlockOf(table)).header.entryCount;
    for (const ProgramPair& pair : matching.pairs)
        ++(pair.by == ProgramMatchedBy::Service ? plan.matchedByService : plan.matchedByName);
    for (const std::uint32_t c : matching.unmatchedCurrent)
        plan.unmatched.push_back(ListProgram(current, currentIds, programs[c]));
    for (const std::uint32_t e : matching.unmatchedEarlier)
        plan.notFound.push_back(ListProgram(earlier, earlierIds, earlierPrograms[e]));

    if (choices.deleteUnmatched)
        for (const std::uint32_t c : matching.unmatchedCurrent)
            plan.deleted.push_back(programs[c].tableIndex);
    plan.order.reserve(programs.size());
    if (choices.order) {
        // The matched programs in the order of their earlier programs, then
        // the unmatched in their own order.
        for (const std::uint32_t c : matching.currentOf)
            if (c != kNoMatch)
                plan.order.push_back(programs[c].tableIndex);
        if (!choices.deleteUnmatched)
            for (const std::uint32_t c : matching.unmatchedCurrent)
                plan.order.push_back(programs[c].tableIndex);
    } else {
        for (std::uint32_t c = 0; c < programs.size(); ++c)
            if (!choices.deleteUnmatched || matching.earlierOf[c] != kNoMatch)
                plan.order.push_back(programs[c].tableIndex);
    }

    const std::uint8_t carried =
        static_cast<std::uint8_t>((choices.favourites ? kFavouriteBits : 0) | (choices.lock ? kLockBit : 0));
    for (const ProgramPair& pair : matching.pairs) {
        const ProgRecord& prog = programs[pair.current];
        const ProgRecord& before = earlierPrograms[pair.earlier];
        const std::uint8_t flag = FlagByteOf(prog.entryWord);
        const auto after = static_cast<std::uint8_t>((flag & ~carried) | (FlagByteOf(before.entryWord) & carried));
        if (after != flag)
            plan.flags.push_back({prog.tableIndex, flag, after});
        if (choices.names)
            wishes.push_back({table, prog.tableIndex, RecordOffsetOf(prog.entryWord), prog.progName,
                              before.progName});
    }
    return plan;
}

// The names a record's entries would give it. Several entries may point at
// one record: it takes one name at most, and where its entries would give it
// different names it is left as it is and listed.
void PlanNames(std::vector<NameWish> wishes, CarryOverPlan& plan)
{
    std::ranges::stable_sort(wishes, {}, &NameWish::record);
    for (std::size_t first = 0; first < wishes.size();) {
        std::size_t end = first + 1;
        bool agree = true;
        while (end < wishes.size() && wishes[end].record == wishes[first].record) {
            agree = agree && NameView(wishes[end].earlier) == NameView(wishes[first].earlier);
            ++end;
        }
        const NameWish& wish = wishes[first];
        if (!agree) {
            NameConflict conflict;
            for (std::size_t k = first; k < end; ++k)
                conflict.entries.push_back({wishes[k].table, wishes[k].position});
            plan.nameConflicts.push_back(std::move(conflict));
        } else if (NameView(wish.current) != NameView(wish.earlier)) {
            // A name is its bytes up to the first zero: that is what is
            // carried, as a rename writes it, and the bytes behind stay.
            NameBytes after = wish.current;
            StoreNameBytes(after, NameView(wish.earlier));
            plan.tables[Index(wish.table)].names.push_back({wish.position, wish.current, after});
        }
        first = end;
    }
    for (TableCarryOver& table : plan.tables)
        std::ranges::sort(table.names, {}, &NameCarry::position);
}

std::string ConflictText(const NameConflict& conflict)
{
    std::string text = "one record is behind ";
    for (std::size_t k = 0; k < conflict.entries.size(); ++k) {
        text += k == 0 ? "" : k + 1 == conflict.entries.size() ? " and " : ", ";
        text += std::string(TableWord(conflict.entries[k].table)) + " program " +
                std::to_string(conflict.entries[k].position);
    }
    return text + ", whose earlier programs have different names; a record takes one name";
}

// Why a table's plan cannot be written, or an empty string.
std::string TableRefusal(const TableCarryOver& plan, const FlashImage& image, const ChannelDatabase& db)
{
    if (!plan.Changes())
        return {};
    if (std::string why = ArrangeRefusal(image, db, BlockOf(plan.table)); !why.empty())
        return why;
    const std::span<const ProgRecord> programs = TableOf(db, plan.table);
    for (const NameCarry& name : plan.names)
        if (const std::string_view why = WriteRefusal(image, programs[name.position]); !why.empty())
            return std::string(TableWord(plan.table)) + " program " + std::to_string(name.position) + ": " +
                   std::string(why);
    return {};
}

bool IsIdentity(std::span<const std::uint32_t> order)
{
    for (std::uint32_t i = 0; i < order.size(); ++i)
        if (order[i] != i)
            return false;
    return true;
}

// The one place that writes image bytes directly: an application refused
// halfway puts back the image it started from, byte for byte.
void PutImageBack(FlashImage& image, const FlashImage& before) { image = before; }

} // namespace

std::vector<std::uint32_t> TableCarryOver::UnmatchedAfter() const
{
    if (!deleted.empty())
        return {};
    std::vector<std::uint32_t> newPosition(order.size(), 0);
    for (std::uint32_t i = 0; i < order.size(); ++i)
        if (order[i] < newPosition.size())
            newPosition[order[i]] = i;
    std::vector<std::uint32_t> after;
    after.reserve(unmatched.size());
    for (const ProgramListing& listing : unmatched)
        if (listing.position < newPosition.size())
            after.push_back(newPosition[listing.position]);
    return after;
}

bool TableCarryOver::Reorders() const
{
    for (std::size_t i = 1; i < order.size(); ++i)
        if (order[i] < order[i - 1])
            return true;
    return false;
}

CarryOverPlan PlanCarryOver(const FlashImage& image, const ChannelDatabase& current, const ChannelDatabase& earlier,
                            const ChannelMatch& match, const CarryOverChoices& choices)
{
    const RecordsById currentIds(current), earlierIds(earlier);
    CarryOverPlan plan;
    plan.choices = choices;
    std::vector<NameWish> wishes;
    for (const ProgTable table : {ProgTable::Tv, ProgTable::Radio})
        plan.tables[Index(table)] =
            PlanTable(table, image, current, currentIds, earlier, earlierIds, match.Programs(table), choices, wishes);
    PlanNames(std::move(wishes), plan);
    if (!plan.nameConflicts.empty())
        plan.refusal = ConflictText(plan.nameConflicts.front());
    for (const TableCarryOver& table : plan.tables)
        if (plan.refusal.empty())
            plan.refusal = TableRefusal(table, image, current);
    return plan;
}

ChangeOutcome ApplyCarryOver(FlashImage& image, ChannelDatabase& db, const CarryOverPlan& plan)
{
    if (!plan.refusal.empty())
        return ChangeOutcome::Refused(plan.refusal);
    // Only the tables the plan changes must still be as planned: a table it
    // leaves alone may hold entries the load skipped.
    for (const TableCarryOver& table : plan.tables) {
        if (!table.Changes())
            continue;
        const std::span<const ProgRecord> programs = TableOf(db, table.table);
        if (table.entryCount != FindBlock(image, BlockOf(table.table)).header.entryCount ||
            table.order.size() + table.deleted.size() != table.entryCount || programs.size() != table.entryCount)
            return ChangeOutcome::Refused("the image is not the one the plan was made for");
    }

    const auto before = std::make_unique<FlashImage>(image);
    const auto refused = [&](std::string why) {
        PutImageBack(image, *before);
        LoadDatabase(image, db);
        return ChangeOutcome::Refused(why);
    };
    // Whether db is decoded from the image as it now stands.
    bool decoded = true;
    const auto decode = [&] { return decoded = LoadDatabase(image, db); };

    // Names go into the records through the program encoder, which writes the
    // record as loaded with its new name and the flag byte as it stands.
    for (const TableCarryOver& table : plan.tables) {
        const std::span<const ProgRecord> programs = TableOf(db, table.table);
        for (const NameCarry& name : table.names) {
            ProgRecord renamed = programs[name.position];
            renamed.progName = name.after;
            if (renamed.tableIndex != name.position || !EncodeProg(image, renamed))
                return refused(std::string("a name could not be written into ") + TableWord(table.table) + " program " +
                               std::to_string(name.position));
            decoded = false;
        }
    }

    // Flag bytes, every one in one guarded write: bits 0..6 as planned.
    std::vector<ProgramFlagChange> flagChanges;
    for (const TableCarryOver& table : plan.tables)
        for (const FlagCarry& flag : table.flags)
            flagChanges.push_back({{table.table, flag.position},
                                   {static_cast<std::uint8_t>(kCarriedBits & ~flag.after),
                                    static_cast<std::uint8_t>(kCarriedBits & flag.after)}});
    if (!flagChanges.empty()) {
        const ChangeOutcome outcome = ChangeEachProgramFlags(image, db, flagChanges);
        if (!outcome.done)
            return refused(outcome.refusal);
        decoded = false;
    }

    // The new order with the deleted entries last, then the deletion of
    // those last entries.
    for (const TableCarryOver& table : plan.tables) {
        std::vector<std::uint32_t> order = table.order;
        order.insert(order.end(), table.deleted.begin(), table.deleted.end());
        const bool reorders = !IsIdentity(order);
        // The arranging operations take the database as the image now stands.
        if ((reorders || !table.deleted.empty()) && !decoded && !decode())
            return refused("the image would no longer be read as before");
        if (reorders) {
            const ChangeOutcome outcome = ReorderPrograms(image, db, table.table, order);
            if (!outcome.done)
                return refused(outcome.refusal);
            if (!decode())
                return refused("the image would no longer be read as before");
        }
        if (!table.deleted.empty()) {
            std::vector<std::uint32_t> last(table.deleted.size());
            for (std::uint32_t k = 0; k < last.size(); ++k)
                last[k] = static_cast<std::uint32_t>(table.order.size()) + k;
            const ChangeOutcome outcome = DeletePrograms(image, db, table.table, last);
            if (!outcome.done)
                return refused(outcome.refusal);
            if (!decode())
                return refused("the image would no longer be read as before");
        }
    }
    if (!decoded && !decode())
        return refused("the image would no longer be read as before");
    return ChangeOutcome::Written();
}

} // namespace korvex
