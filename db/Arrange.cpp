#include "db/Arrange.h"

#include "db/BigEndian.h"
#include "db/WriteGuard.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <set>
#include <tuple>

namespace korvex {
namespace {

constexpr std::uint32_t kErasedEntry = 0xFFFFFFFF;
constexpr std::uint8_t kKeptFlagBit = 0x80;

constexpr const char* kTableNames[] = {"satellite", "transponder", "TV program", "radio program"};

std::size_t Index(BlockId id) { return static_cast<std::size_t>(id); }

std::string TableName(BlockId id) { return std::string("the ") + kTableNames[Index(id)] + " table"; }

struct Extent {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;

    bool Overlaps(const Extent& other) const { return begin < other.end && other.begin < end; }
};

Extent ExtentOf(const FoundBlock& block)
{
    return {block.offset, std::uint64_t{block.offset} + kBlockHeaderSize + std::uint64_t{kEntrySize} * block.header.entryCount};
}

std::uint64_t EntryOffset(const FoundBlock& block, std::uint32_t k)
{
    return std::uint64_t{block.offset} + kBlockHeaderSize + std::uint64_t{kEntrySize} * k;
}

bool SameHeader(const BlockHeader& a, const BlockHeader& b)
{
    return a.magic == b.magic && a.blockId == b.blockId && a.entryCount == b.entryCount && a.reserved == b.reserved &&
           a.activeMark == b.activeMark;
}

// The new entries of one block; the block keeps its place and shrinks or
// keeps its size.
struct BlockRewrite {
    BlockId id;
    std::vector<std::uint32_t> entries;
};

// Writes the rewrites, then checks that the image is still found as before;
// puts every byte and the layout fields back when it is not.
bool WriteAndVerify(FlashImage& image, const std::vector<BlockRewrite>& rewrites)
{
    const Landmarks before = Landmarks::Of(image);
    struct Saved {
        std::uint64_t at;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Saved> saved;
    for (const BlockRewrite& rewrite : rewrites) {
        const FoundBlock& block = before.blocks[Index(rewrite.id)];
        const Extent extent = ExtentOf(block);
        saved.push_back({extent.begin, {image.bytes.begin() + static_cast<std::ptrdiff_t>(extent.begin),
                                        image.bytes.begin() + static_cast<std::ptrdiff_t>(extent.end)}});
        const auto count = static_cast<std::uint32_t>(rewrite.entries.size());
        StoreBe32(*image.Region<4>(block.offset + 8), count);
        for (std::uint32_t k = 0; k < block.header.entryCount; ++k)
            StoreBe32(*image.Region<4>(EntryOffset(block, k)), k < count ? rewrite.entries[k] : kErasedEntry);
    }

    bool same = DetectLayout(image) == before.layoutKind && ApplyLayout(image, before.layoutKind) &&
                image.flashSize == before.flashSize && image.dirStart == before.dirStart &&
                image.dirScanLength == before.dirScanLength;
    for (std::size_t id = 0; same && id < before.blocks.size(); ++id) {
        BlockHeader expected = before.blocks[id].header;
        for (const BlockRewrite& rewrite : rewrites)
            if (Index(rewrite.id) == id)
                expected.entryCount = static_cast<std::uint32_t>(rewrite.entries.size());
        const FoundBlock now = FindBlock(image, static_cast<BlockId>(id));
        same = now.offset == before.blocks[id].offset && SameHeader(now.header, expected);
    }
    if (same)
        return true;
    for (const Saved& s : saved)
        std::copy(s.bytes.begin(), s.bytes.end(), image.bytes.begin() + static_cast<std::ptrdiff_t>(s.at));
    image.layoutKind = before.layoutKind;
    image.flashSize = before.flashSize;
    image.dirStart = before.dirStart;
    image.dirScanLength = before.dirScanLength;
    return false;
}

std::vector<std::uint32_t> EntriesOf(const FlashImage& image, BlockId id)
{
    const FoundBlock block = FindBlock(image, id);
    std::vector<std::uint32_t> entries(block.header.entryCount);
    for (std::uint32_t k = 0; k < entries.size(); ++k)
        entries[k] = *EntryWordAt(image, block, k);
    return entries;
}

std::vector<std::uint32_t> Without(const std::vector<std::uint32_t>& entries, const std::set<std::uint32_t>& removed)
{
    std::vector<std::uint32_t> kept;
    kept.reserve(entries.size());
    for (std::uint32_t k = 0; k < entries.size(); ++k)
        if (!removed.contains(k))
            kept.push_back(entries[k]);
    return kept;
}

// The held record of entry `position` of a table, found by its tableIndex
// (records are held in entry order), or nothing when that entry was skipped.
template <typename Record>
const Record* RecordAt(std::span<const Record> records, std::uint32_t position)
{
    const auto it = std::lower_bound(records.begin(), records.end(), position,
                                     [](const Record& r, std::uint32_t p) { return r.tableIndex < p; });
    return it != records.end() && it->tableIndex == position ? &*it : nullptr;
}

// Why an arrangement may not take the record of entry `position` along: a
// read-only record is left as it is by every action, or empty.
std::string SelectedRecordRefusal(const FlashImage& image, const ChannelDatabase& db, BlockId id,
                                  std::uint32_t position)
{
    std::string_view why;
    switch (id) {
    case BlockId::Satellites:
        if (const SatRecord* sat = RecordAt(db.Sats(), position))
            why = WriteRefusal(image, *sat);
        break;
    case BlockId::Transponders:
        if (const TpRecord* tp = RecordAt(db.Tps(), position))
            why = WriteRefusal(image, *tp);
        break;
    case BlockId::TvPrograms:
    case BlockId::RadioPrograms:
        if (const ProgRecord* prog = RecordAt(id == BlockId::TvPrograms ? db.TvProgs() : db.RadioProgs(), position))
            why = WriteRefusal(image, *prog);
        break;
    }
    return std::string(why);
}

// Removes entries from the blocks named, after checking that each may be
// arranged; blocks with nothing to remove are left alone.
ChangeOutcome RemoveEntries(FlashImage& image, const ChannelDatabase& db,
                             const std::array<std::set<std::uint32_t>, 4>& removed)
{
    std::vector<BlockRewrite> rewrites;
    ChangeOutcome outcome;
    for (std::size_t id = 0; id < removed.size(); ++id) {
        if (removed[id].empty())
            continue;
        const auto block = static_cast<BlockId>(id);
        if (std::string why = ArrangeRefusal(image, db, block); !why.empty())
            return ChangeOutcome::Refused(std::move(why));
        for (const std::uint32_t position : removed[id])
            if (std::string why = SelectedRecordRefusal(image, db, block, position); !why.empty())
                return ChangeOutcome::Refused(std::move(why));
        rewrites.push_back({block, Without(EntriesOf(image, block), removed[id])});
        outcome.removed[id] = static_cast<std::uint32_t>(removed[id].size());
    }
    if (rewrites.empty())
        return ChangeOutcome::Refused("nothing to delete");
    if (!WriteAndVerify(image, rewrites))
        return ChangeOutcome::Refused("the image would no longer be read as before");
    outcome.done = true;
    return outcome;
}

} // namespace

std::string ArrangeRefusal(const FlashImage& image, const ChannelDatabase&, BlockId id)
{
    // The guard holds what the load found, the load account included.
    const WriteGuard* guard = GuardOf(image);
    return guard ? guard->TableRefusal(id) : std::string(kNotLoadedText);
}

std::vector<std::uint32_t> OrderMovingTo(std::uint32_t count, std::span<const std::uint32_t> positions,
                                         std::uint32_t to)
{
    const std::set<std::uint32_t> moved(positions.begin(), positions.end());
    std::vector<std::uint32_t> rest;
    for (std::uint32_t k = 0; k < count; ++k)
        if (!moved.contains(k))
            rest.push_back(k);
    const std::size_t at = std::min<std::size_t>(to, rest.size());
    std::vector<std::uint32_t> order(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(at));
    order.insert(order.end(), moved.begin(), moved.end());
    order.insert(order.end(), rest.begin() + static_cast<std::ptrdiff_t>(at), rest.end());
    return order;
}

std::vector<std::uint32_t> OrderMovingByOne(std::uint32_t count, std::span<const std::uint32_t> positions, int step)
{
    std::vector<std::uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    std::vector<char> moved(count, 0);
    for (const std::uint32_t p : positions)
        if (p < count)
            moved[p] = 1;
    // Each moved entry swaps with the unmoved neighbour in the direction of
    // the step; walking from that end keeps a run of moved entries together.
    if (step < 0) {
        for (std::uint32_t k = 1; k < count; ++k)
            if (moved[k] && !moved[k - 1]) {
                std::swap(order[k], order[k - 1]);
                std::swap(moved[k], moved[k - 1]);
            }
    } else {
        for (std::uint32_t k = count; k-- > 1;)
            if (moved[k - 1] && !moved[k]) {
                std::swap(order[k], order[k - 1]);
                std::swap(moved[k], moved[k - 1]);
            }
    }
    return order;
}

std::vector<std::uint32_t> OrderSortedBy(const ChannelDatabase& db, ProgTable table, SortKey key,
                                         const NameSortKey& nameKey)
{
    const std::span<const ProgRecord> progs = table == ProgTable::Tv ? db.TvProgs() : db.RadioProgs();
    std::vector<std::uint32_t> order(progs.size());
    std::iota(order.begin(), order.end(), 0u);

    std::vector<std::u16string> names;
    if (key != SortKey::ServiceId) {
        names.reserve(progs.size());
        for (const ProgRecord& prog : progs)
            names.push_back(nameKey(prog.progName));
    }
    // Positions of the first satellite and transponder with each id.
    constexpr std::uint32_t kNone = 0xFFFFFFFF;
    std::vector<std::uint32_t> satPos, tpPos;
    if (key == SortKey::Satellite) {
        satPos.assign(0x10000, kNone);
        tpPos.assign(0x10000, kNone);
        for (std::uint32_t s = db.numSats; s-- > 0;)
            satPos[db.sats[s].satId] = s;
        for (std::uint32_t t = db.numTps; t-- > 0;)
            tpPos[db.tps[t].tpId] = t;
    }
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
        switch (key) {
        case SortKey::Name:
            return names[a] < names[b];
        case SortKey::ServiceId:
            return progs[a].serviceId < progs[b].serviceId;
        case SortKey::Satellite: {
            const auto rank = [&](std::uint32_t i) {
                return std::make_tuple(satPos[progs[i].satId], tpPos[progs[i].tpId]);
            };
            if (rank(a) != rank(b))
                return rank(a) < rank(b);
            return names[a] < names[b];
        }
        }
        return false;
    };
    std::stable_sort(order.begin(), order.end(), less);
    // Positions in the table: the index of each held record's entry.
    for (std::uint32_t& i : order)
        i = progs[i].tableIndex;
    return order;
}

ChangeOutcome ReorderPrograms(FlashImage& image, const ChannelDatabase& db, ProgTable table,
                               std::span<const std::uint32_t> order)
{
    const BlockId id = BlockOf(table);
    if (std::string why = ArrangeRefusal(image, db, id); !why.empty())
        return ChangeOutcome::Refused(std::move(why));
    const std::vector<std::uint32_t> entries = EntriesOf(image, id);
    std::vector<bool> seen(entries.size(), false);
    if (order.size() != entries.size())
        return ChangeOutcome::Refused("the new order does not name every entry of " + TableName(id));
    std::vector<std::uint32_t> reordered;
    reordered.reserve(entries.size());
    for (const std::uint32_t k : order) {
        if (k >= entries.size() || seen[k])
            return ChangeOutcome::Refused("the new order does not name every entry of " + TableName(id) + " once");
        seen[k] = true;
        reordered.push_back(entries[k]);
    }
    // A new order moves the whole table: it takes every record along.
    if (reordered != entries)
        for (std::uint32_t k = 0; k < entries.size(); ++k)
            if (std::string why = SelectedRecordRefusal(image, db, id, k); !why.empty())
                return ChangeOutcome::Refused(std::move(why));
    if (reordered == entries) {
        return ChangeOutcome::Written();
    }
    if (!WriteAndVerify(image, {{id, std::move(reordered)}}))
        return ChangeOutcome::Refused("the image would no longer be read as before");
    return ChangeOutcome::Written();
}

ChangeOutcome DeletePrograms(FlashImage& image, const ChannelDatabase& db, ProgTable table,
                              std::span<const std::uint32_t> positions)
{
    const BlockId id = BlockOf(table);
    const FoundBlock block = FindBlock(image, id);
    std::array<std::set<std::uint32_t>, 4> removed;
    for (const std::uint32_t p : positions) {
        if (p >= block.header.entryCount)
            return ChangeOutcome::Refused(TableName(id) + " has no entry " + std::to_string(p));
        removed[Index(id)].insert(p);
    }
    return RemoveEntries(image, db, removed);
}

ChangeOutcome DeleteTransponder(FlashImage& image, const ChannelDatabase& db, std::size_t tpIndex)
{
    if (tpIndex >= db.numTps)
        return ChangeOutcome::Refused("there is no such transponder");
    const TpRecord& gone = db.tps[tpIndex];
    bool claimedByAnother = false;
    for (std::size_t t = 0; t < db.numTps; ++t)
        claimedByAnother = claimedByAnother || (t != tpIndex && db.tps[t].tpId == gone.tpId);

    std::array<std::set<std::uint32_t>, 4> removed;
    removed[Index(BlockId::Transponders)].insert(gone.tableIndex);
    std::uint32_t kept = 0;
    for (const ProgRecord& prog : db.AllProgs()) {
        if (prog.tpId != gone.tpId)
            continue;
        if (claimedByAnother)
            ++kept;
        else
            removed[Index(BlockOf(prog.table))].insert(prog.tableIndex);
    }
    ChangeOutcome outcome = RemoveEntries(image, db, removed);
    if (outcome.done)
        outcome.keptPrograms = kept;
    return outcome;
}

ChangeOutcome DeleteSatellite(FlashImage& image, const ChannelDatabase& db, std::size_t satIndex)
{
    if (satIndex >= db.numSats)
        return ChangeOutcome::Refused("there is no such satellite");
    const SatRecord& gone = db.sats[satIndex];
    bool satClaimedByAnother = false;
    for (std::size_t s = 0; s < db.numSats; ++s)
        satClaimedByAnother = satClaimedByAnother || (s != satIndex && db.sats[s].satId == gone.satId);

    std::array<std::set<std::uint32_t>, 4> removed;
    removed[Index(BlockId::Satellites)].insert(gone.tableIndex);
    ChangeOutcome counts;

    // A transponder's satId has 14 bits: it is compared with the satellite's
    // whole 16-bit satId, so a satellite of id 16384 or more owns none.
    std::set<std::uint16_t> removedTpIds;
    std::multiset<std::uint16_t> survivingTpIds;
    for (std::size_t t = 0; t < db.numTps; ++t) {
        const TpRecord& tp = db.tps[t];
        const bool owned = std::uint16_t{tp.satId} == gone.satId;
        if (owned && satClaimedByAnother)
            ++counts.keptTransponders;
        if (owned && !satClaimedByAnother) {
            removed[Index(BlockId::Transponders)].insert(tp.tableIndex);
            removedTpIds.insert(tp.tpId);
        } else {
            survivingTpIds.insert(tp.tpId);
        }
    }
    for (const ProgRecord& prog : db.AllProgs()) {
        const bool bySatellite = prog.satId == gone.satId;
        const bool byTransponder = removedTpIds.contains(prog.tpId);
        if (!bySatellite && !byTransponder)
            continue;
        const bool goesWithSatellite = bySatellite && !satClaimedByAnother;
        const bool goesWithTransponder = byTransponder && !survivingTpIds.contains(prog.tpId);
        if (goesWithSatellite || goesWithTransponder)
            removed[Index(BlockOf(prog.table))].insert(prog.tableIndex);
        else
            ++counts.keptPrograms;
    }
    ChangeOutcome outcome = RemoveEntries(image, db, removed);
    if (outcome.done) {
        outcome.keptTransponders = counts.keptTransponders;
        outcome.keptPrograms = counts.keptPrograms;
    }
    return outcome;
}

ChangeOutcome DeleteEntries(FlashImage& image, const ChannelDatabase& db,
                             const std::array<std::vector<std::uint32_t>, 4>& positions)
{
    std::array<std::set<std::uint32_t>, 4> removed;
    for (std::size_t id = 0; id < positions.size(); ++id) {
        if (positions[id].empty())
            continue;
        const FoundBlock block = FindBlock(image, static_cast<BlockId>(id));
        for (const std::uint32_t p : positions[id]) {
            if (p >= block.header.entryCount)
                return ChangeOutcome::Refused(TableName(static_cast<BlockId>(id)) + " has no entry " + std::to_string(p));
            removed[id].insert(p);
        }
    }
    return RemoveEntries(image, db, removed);
}

FlagChange JoinGroup(std::size_t group) { return {FavouriteGroupBit(group), 0}; }
FlagChange LeaveGroup(std::size_t group) { return {0, FavouriteGroupBit(group)}; }
FlagChange Lock() { return {0x01, 0}; }
FlagChange Unlock() { return {0, 0x01}; }

ChangeOutcome ChangeProgramFlags(FlashImage& image, const ChannelDatabase& db, std::span<const ProgramEntry> programs,
                                  FlagChange change)
{
    std::vector<ProgramFlagChange> changes;
    changes.reserve(programs.size());
    for (const ProgramEntry& program : programs)
        changes.push_back({program, change});
    return ChangeEachProgramFlags(image, db, changes);
}

ChangeOutcome ChangeEachProgramFlags(FlashImage& image, const ChannelDatabase& db,
                                      std::span<const ProgramFlagChange> changes)
{
    const WriteGuard* guard = GuardOf(image);
    if (!guard)
        return ChangeOutcome::Refused(std::string(kNotLoadedText));
    std::vector<std::uint64_t> flagBytes;
    flagBytes.reserve(changes.size());
    for (const auto& [program, change] : changes) {
        const BlockId id = BlockOf(program.table);
        // A held record's own reason first, as its editor would give it.
        if (std::string why = SelectedRecordRefusal(image, db, id, program.position); !why.empty())
            return ChangeOutcome::Refused(std::move(why));
        if (std::string why = guard->EntryRefusal(id, program.position); !why.empty())
            return ChangeOutcome::Refused(std::move(why));
        flagBytes.push_back(guard->EntryOffset(id, program.position));
    }
    // A flag byte is the first byte of a word the directory scan reads: the
    // guard checks that no header appears or goes with the change.
    std::vector<ByteSpan> owned;
    owned.reserve(flagBytes.size());
    for (const std::uint64_t at : flagBytes)
        owned.push_back({at, at + 1});
    const std::string_view broken = WriteThenVerify(image, owned, [&](FlashImage& target) {
        for (std::size_t k = 0; k < changes.size(); ++k) {
            const std::uint8_t cleared = changes[k].change.cleared & ~kKeptFlagBit;
            const std::uint8_t set = changes[k].change.set & ~kKeptFlagBit;
            std::uint8_t& flag = target.bytes[flagBytes[k]];
            flag = static_cast<std::uint8_t>((flag & ~cleared) | set);
        }
    });
    if (!broken.empty())
        return ChangeOutcome::Refused(std::string(broken));
    return ChangeOutcome::Written();
}

} // namespace korvex
