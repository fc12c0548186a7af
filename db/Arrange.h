#pragma once
// Arranging the channel list: moving, deleting and sorting directory entries,
// and changing the flag bytes of many programs at once.
//
// The directory gives both the order of a table and the place of each record,
// so an arrangement rewrites entries only:
//  - moving or sorting permutes the entries of one program block;
//  - deleting removes entries: later ones move up, entryCount drops by the
//    number removed and the slots freed at the end of the block become
//    0xFFFFFFFF (erased flash, never taken for a header, whose first word is
//    the magic). Records are left where they stand;
//  - a flag change rewrites byte 0 of the entries named, bit 7 kept.
// No operation adds an entry or touches a record.
//
// A block is arranged only when it is safe to: found, loaded whole (no entry
// skipped or dropped), below flashSize, and overlapping no other block's
// header or entries, nor the layout-2 directory marker. After writing, the
// layout and the four blocks must be found where they were; otherwise the
// bytes are put back and the operation is refused. A refused operation writes
// nothing and says why.
//
// Every operation takes the database decoded from the image as it stands; the
// caller decodes it again afterwards, as after an editor's OK.

#include "db/ChangeOutcome.h"
#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace korvex {

// The block that holds a program table's entries.
constexpr BlockId BlockOf(ProgTable table)
{
    return table == ProgTable::Tv ? BlockId::TvPrograms : BlockId::RadioPrograms;
}

// Why the block may not be arranged, or an empty string when it may.
std::string ArrangeRefusal(const FlashImage& image, const ChannelDatabase& db, BlockId block);

// New orders of a table of `count` entries: order[i] is the old position of
// the entry that stands at position i afterwards.
//
// The entries at `positions` (any order, no repeats, each below count) moved
// together, in their table order, so that the first of them stands at `to`
// (clamped so that all fit).
std::vector<std::uint32_t> OrderMovingTo(std::uint32_t count, std::span<const std::uint32_t> positions,
                                         std::uint32_t to);
// Each entry at `positions` one place up (step -1) or down (step +1), past the
// nearest entry that is not moved; a run already at the end stays.
std::vector<std::uint32_t> OrderMovingByOne(std::uint32_t count, std::span<const std::uint32_t> positions, int step);

enum class SortKey {
    Name,       // the decoded name, case-insensitive
    ServiceId,
    Satellite,  // satellite, then transponder, then name
};

// What a name sorts by: its decoded text, folded for a case-insensitive
// comparison. Decoding needs the image's name charset, which the caller has.
using NameSortKey = std::function<std::u16string(const NameBytes&)>;

// The order of a program table sorted by key; ties keep table order.
// Satellites and transponders count by the position of the first record with
// the program's satId or tpId in their tables; programs with none come last.
std::vector<std::uint32_t> OrderSortedBy(const ChannelDatabase& db, ProgTable table, SortKey key,
                                         const NameSortKey& nameKey);

// Rewrites the entries of a program block in a new order: a permutation of
// every entry position of the block.
ChangeOutcome ReorderPrograms(FlashImage& image, const ChannelDatabase& db, ProgTable table,
                               std::span<const std::uint32_t> order);

// Removes the entries at `positions` of a program block.
ChangeOutcome DeletePrograms(FlashImage& image, const ChannelDatabase& db, ProgTable table,
                              std::span<const std::uint32_t> positions);

// Removes the transponder at tps[tpIndex] and, from both program tables, the
// programs with its tpId that no surviving transponder also claims.
ChangeOutcome DeleteTransponder(FlashImage& image, const ChannelDatabase& db, std::size_t tpIndex);

// Removes the satellite at sats[satIndex], the transponders whose 14-bit
// satId equals its whole 16-bit satId, and from both program tables the
// programs with its satId or with a removed transponder's tpId; a transponder
// or program another surviving satellite or transponder claims is kept.
ChangeOutcome DeleteSatellite(FlashImage& image, const ChannelDatabase& db, std::size_t satIndex);

// Removes the entries at the positions named, by BlockId, from every table
// at once: one change, checked and verified as one. Nothing cascades here;
// the caller names every entry that goes. A position past a table's entries,
// a table that may not be arranged or a read-only record refuses the whole.
ChangeOutcome DeleteEntries(FlashImage& image, const ChannelDatabase& db,
                             const std::array<std::vector<std::uint32_t>, 4>& positions);

// A program named by its table and entry position.
struct ProgramEntry {
    ProgTable table;
    std::uint32_t position;
};

// A change to flag bytes: bits in `cleared` become 0, bits in `set` become 1.
// Joining favourite group k clears bit k + 1, leaving it sets it; locking
// clears bit 0, unlocking sets it. Bit 7 is never changed.
struct FlagChange {
    std::uint8_t cleared = 0;
    std::uint8_t set = 0;
};

FlagChange JoinGroup(std::size_t group);
FlagChange LeaveGroup(std::size_t group);
FlagChange Lock();
FlagChange Unlock();

// Applies the change to the flag byte of each program's own entry.
ChangeOutcome ChangeProgramFlags(FlashImage& image, const ChannelDatabase& db,
                                  std::span<const ProgramEntry> programs, FlagChange change);

// A change of its own for each program's flag byte, all written as one: the
// guard checks the image once, whatever the number of programs.
struct ProgramFlagChange {
    ProgramEntry program;
    FlagChange change;
};
ChangeOutcome ChangeEachProgramFlags(FlashImage& image, const ChannelDatabase& db,
                                      std::span<const ProgramFlagChange> changes);

} // namespace korvex
