#pragma once
// Cleaning a channel list up in one go: what a scan of several satellites
// leaves behind that nobody watches.
//  - Duplicates: programs of one table on the same satellite and transponder
//    (the same satId and tpId, or transponders of that satellite with equal
//    frequency and polarisation) with the same service id. The first in
//    table order stays; the others go. Equal names with different service
//    ids are regional or HD/SD variants, never duplicates. Where several
//    transponders share a tpId, a program is on the one of its satellite.
//  - Strays: programs whose tpId names no transponder or whose satId names no
//    satellite; transponders whose satellite does not exist.
//  - Scrambled: programs whose scramble flag is set (the box's scan sets it,
//    and it is sometimes wrong).
//  - In no favourite group: programs in none of the six groups.
//  - Left empty: transponders that held programs and hold none once the
//    chosen deletions are made, and satellites that held transponders or
//    programs and hold neither. A transponder or satellite that was empty
//    before is left alone: an empty transponder is often one the user keeps
//    to scan again.
// A transponder belongs to a satellite, and a program to both, by id, as the
// tree and the counts take them: where several records share an id, the
// first holder is the one a program's satellite or transponder is shown by,
// and every holder counts its records.
//
// It is two steps, as every change of many records: PlanCleanUp works out,
// for the kinds chosen and the records kept by hand, every record that goes
// and why; ApplyCleanUp deletes exactly those as one change, through the
// arranging code. Deleting a transponder takes along the programs with its
// tpId that no surviving transponder claims, as arranging does; the plan
// lists them too. Entries are removed, the freed slots become 0xFFFFFFFF and
// records stay where they are.

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

enum class CleanUpKind : std::uint8_t { Duplicates, Strays, Scrambled, NoFavourite, LeftEmpty };
inline constexpr std::size_t kCleanUpKinds = 5;
// The kinds found by looking at the list as it stands; Left empty depends on
// what else goes.
inline constexpr std::size_t kAnalysedKinds = 4;

constexpr std::size_t KindIndex(CleanUpKind kind) { return static_cast<std::size_t>(kind); }

enum class CleanUpReason : std::uint8_t {
    SameService,      // a program: the same as the program at `other` of its table
    NoTransponder,    // a program: no transponder has its tpId
    NoSatellite,      // a program or a transponder: no satellite has its satId
    Scrambled,        // a program: its scramble flag is set
    InNoGroup,        // a program: in none of the six favourite groups
    NoProgramLeft,    // a transponder: none of its programs stays
    NothingLeft,      // a satellite: none of its transponders and programs stays
    WithTransponder,  // a program: goes with the transponder at `other`, which no survivor replaces
};

// A record by its table and the position of its entry, and where the
// database holds it: sats, tps, tvProgs or radioProgs.
struct CleanUpRecord {
    BlockId table = BlockId::Satellites;
    std::uint32_t position = 0;
    std::uint32_t index = 0;
    std::uint32_t entryWord = 0;  // as loaded: the plan is applied only to the image it was made for

    bool operator==(const CleanUpRecord&) const = default;
};

struct CleanUpCandidate {
    CleanUpRecord record;
    CleanUpKind kind = CleanUpKind::Duplicates;
    CleanUpReason reason = CleanUpReason::SameService;
    std::uint32_t other = 0;  // the entry position named by SameService and WithTransponder

    bool operator==(const CleanUpCandidate&) const = default;
};

// The candidates of the kinds that do not depend on each other, each list in
// table order (satellites, transponders, TV, radio; by entry position). A
// program can be a candidate of several kinds.
struct CleanUpAnalysis {
    std::array<std::vector<CleanUpCandidate>, kAnalysedKinds> kinds;

    const std::vector<CleanUpCandidate>& Of(CleanUpKind kind) const { return kinds[KindIndex(kind)]; }
};

CleanUpAnalysis AnalyseCleanUp(const ChannelDatabase& db);

struct CleanUpChoices {
    // By CleanUpKind: Duplicates, Strays and Left empty unless said otherwise.
    std::array<bool, kCleanUpKinds> kinds{true, true, false, false, true};
    // Records the user keeps although a chosen kind names them, by table and
    // position.
    std::vector<CleanUpRecord> kept;

    bool Has(CleanUpKind kind) const { return kinds[KindIndex(kind)]; }
};

// One record the plan lists: a candidate of a chosen kind, and whether it
// goes (a kept record does not, unless it goes with its transponder).
struct CleanUpItem {
    CleanUpCandidate candidate;
    bool goes = true;
};

struct CleanUpPlan {
    CleanUpChoices choices;
    // Candidates per kind, whether chosen or not: Left empty after the
    // chosen kinds and the kept records.
    std::array<std::size_t, kCleanUpKinds> counts{};
    // Every record a chosen kind names, each once with the reason of the
    // first kind that names it, kept ones included, and the programs that go
    // with a deleted transponder; in table order (satellites, transponders,
    // TV, radio; by entry position).
    std::vector<CleanUpItem> items;
    // Entries that go, by BlockId.
    std::array<std::uint32_t, 4> going{};
    // Entry counts of the four tables when planned.
    std::array<std::uint32_t, 4> entryCounts{};
    // Why the deletion cannot be made, for people; empty when it can.
    std::string refusal;

    bool Changes() const { return going[0] + going[1] + going[2] + going[3] > 0; }
};

CleanUpPlan PlanCleanUp(const FlashImage& image, const ChannelDatabase& db, const CleanUpAnalysis& analysis,
                        const CleanUpChoices& choices);

// The reason for people: "same satellite, transponder and service ID as TV
// program 3", "no satellite has satId 7". Programs are counted from
// firstProgram (0 as korvex-cli counts, 1 as the window's list does),
// transponders from 0 as both count them.
std::string CleanUpReasonText(const CleanUpCandidate& candidate, std::uint32_t firstProgram);

// Where a listed record is, as a preview shows it: a program's name, its
// satellite and transponder (the first holders of its ids); a transponder's
// satellite and itself; a satellite's name.
struct CleanUpListing {
    std::optional<NameBytes> name;  // none for a transponder
    std::optional<SatRecord> satellite;
    std::optional<TpRecord> transponder;
};
CleanUpListing ListCleanUpRecord(const ChannelDatabase& db, const RecordsById& ids, const CleanUpRecord& record);


// "Duplicates", "Strays", "Scrambled", "In no favourite group", "Left empty".
std::string_view CleanUpKindName(CleanUpKind kind);

// Deletes what the plan says goes, as one change, and decodes `db` again. A
// refused plan, a plan made for other bytes, or a deletion arranging refuses
// leaves the image as it was.
ChangeOutcome ApplyCleanUp(FlashImage& image, ChannelDatabase& db, const CleanUpPlan& plan);

} // namespace korvex
