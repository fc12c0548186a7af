#pragma once
// Carrying the arrangement of an earlier channel list over to the list of a
// new scan: after a rescan the box lists its programs in scan order, with
// every favourite group and child lock cleared. With the programs of the two
// lists matched (db/ChannelMatch), the new list can take back:
//  - the order: the matched programs first, in the relative order their
//    earlier programs had; the unmatched ones after them in their own order,
//    or deleted (entries only, records untouched, as arranging deletes);
//  - favourites and the child lock: bits 1..6 and bit 0 of the flag byte,
//    copied from the earlier program's entry; bit 7 stays as it is;
//  - names: the earlier program's name (its bytes up to the first zero), for
//    names a scan overwrote, written as a rename writes a name: the bytes
//    behind the zero stay as they are; a name equal up to its zero is no
//    change.
// Nothing is added: only programs the new list holds are arranged.
//
// It is two steps. PlanCarryOver works out everything that will change, and
// what could not be matched, without writing; ApplyCarryOver writes exactly
// that plan through the arranging operations and the encoders. A preview and
// a dry run show the plan, so what is shown is what is written.

#include "db/ChangeOutcome.h"
#include "db/ChannelDatabase.h"
#include "db/ChannelMatch.h"
#include "db/FlashImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvex {

struct CarryOverChoices {
    bool order = true;
    bool favourites = true;
    bool lock = true;
    bool names = false;
    bool deleteUnmatched = false;  // else the unmatched programs are kept after the matched ones

    bool operator==(const CarryOverChoices&) const = default;
};

// A program as a preview lists it: where it stands, what it is called, and
// where the box receives it.
struct ProgramListing {
    std::uint32_t position = 0;  // of its entry in its table
    NameBytes name{};
    std::optional<SatRecord> satellite;     // the first with its satId
    std::optional<TpRecord> transponder;    // the first with its tpId
};

struct FlagCarry {
    std::uint32_t position = 0;  // of the entry in its table
    std::uint8_t before = 0;     // the flag byte now
    std::uint8_t after = 0;      // and once carried over

    bool operator==(const FlagCarry&) const = default;
};

struct NameCarry {
    std::uint32_t position = 0;  // of the program's entry; its record receives the name
    NameBytes before{};
    NameBytes after{};

    bool operator==(const NameCarry&) const = default;
};

// A record behind several entries whose earlier programs have different
// names: it is left as it is.
struct NameConflict {
    struct Entry {
        ProgTable table;
        std::uint32_t position;

        bool operator==(const Entry&) const = default;
    };
    std::vector<Entry> entries;  // every entry that points at the record

    bool operator==(const NameConflict&) const = default;
};

struct TableCarryOver {
    ProgTable table = ProgTable::Tv;
    std::uint32_t entryCount = 0;  // of the table when planned
    std::size_t matchedByService = 0;
    std::size_t matchedByName = 0;
    std::vector<ProgramListing> unmatched;  // of the new list, in its table order
    std::vector<ProgramListing> notFound;   // of the earlier list, in its table order: no longer received

    // The entry positions that stay, in their new order: order[i] is the
    // position now of the entry that will stand at i.
    std::vector<std::uint32_t> order;
    std::vector<std::uint32_t> deleted;  // entry positions of the unmatched programs deleted
    std::vector<FlagCarry> flags;        // the flag bytes that change, by position
    std::vector<NameCarry> names;        // the names that change, by position

    // Where the unmatched programs stand afterwards; empty when deleted.
    std::vector<std::uint32_t> UnmatchedAfter() const;
    bool Reorders() const;
    bool Changes() const { return Reorders() || !deleted.empty() || !flags.empty() || !names.empty(); }
};

struct CarryOverPlan {
    CarryOverChoices choices;
    std::array<TableCarryOver, 2> tables;  // by ProgTable: TV, radio
    // Records whose entries would give them different names; the plan is
    // refused while there are any, as for a record that may not be written.
    std::vector<NameConflict> nameConflicts;
    // Why the plan cannot be written, for people; empty when it can.
    std::string refusal;

    const TableCarryOver& Table(ProgTable table) const { return tables[table == ProgTable::Tv ? 0 : 1]; }
    bool Changes() const { return tables[0].Changes() || tables[1].Changes(); }
};

// What carrying `earlier` over to the image `current` (the database decoded
// from `image`) would change, with the programs matched by `match`
// (MatchChannels(earlier, current)). A table that would change must be one
// that arranging may rewrite, and a name can only go into a record below the
// flash size; otherwise the plan says why it is refused.
CarryOverPlan PlanCarryOver(const FlashImage& image, const ChannelDatabase& current, const ChannelDatabase& earlier,
                            const ChannelMatch& match, const CarryOverChoices& choices);

// Writes the plan into the image it was made for: names, then flag bytes,
// then the new order, then the deletions. `db` is the database decoded from
// the image; it is decoded again after each arranging step and at the end.
// A refused plan, or a step refused on the way, leaves the image as it was.
ChangeOutcome ApplyCarryOver(FlashImage& image, ChannelDatabase& db, const CarryOverPlan& plan);

} // namespace korvex
