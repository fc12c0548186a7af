#pragma once
// Bringing one satellite's transponders up to date from a published scan
// table.
//
// Units. A scan table gives a transponder's frequency in kHz and its symbol
// rate in symbols per second. The record keeps the frequency in MHz in 14 bits
// (1..16383 usable), the symbol rate in kS/s in 16 bits (1..65535) and the
// polarisation in 2 bits (0 horizontal, 1 vertical). A table value is rounded
// to the nearest whole MHz or kS/s; an entry whose value then does not fit is
// not used, and never stored wrapped. Only DVB-S and DVB-S2 entries with
// horizontal or vertical polarisation can be used: the record cannot hold a
// circular polarisation.
//
// Pairing. Each transponder of the satellite is paired with the usable entry
// of the same polarisation whose frequency is nearest, within a tolerance in
// MHz; an entry pairs with at most one transponder. The closest pairs are made
// first (at equal distance: the transponder first in the table, then the lower
// frequency), so two transponders a few MHz apart each find their own entry.
// The image cannot take new records: a usable entry that no transponder pairs
// with is only reported. An entry that repeats the values of one already
// paired or reported is counted as a repeat, not reported twice.
//
// Writing. Only bytes 4..7 of a record change: the word that packs frequency
// and polarisation, and the symbol rate. The records are written in one
// guarded write; one the guard refuses refuses the whole change.

#include "db/Arrange.h"
#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

enum class TablePolarisation : std::uint8_t { Horizontal, Vertical, CircularLeft, CircularRight, Missing };
enum class TableSystem : std::uint8_t { DvbS, DvbS2, Other };

// One transponder of a scan table, in the table's own units.
struct TableEntry {
    std::uint64_t frequencyKHz = 0;
    std::uint64_t symbolRate = 0;  // symbols per second
    TablePolarisation polarisation = TablePolarisation::Missing;
    TableSystem system = TableSystem::DvbS;

    bool operator==(const TableEntry&) const = default;
};

enum class EntryProblem : std::uint8_t {
    None,
    NotSatellite,          // not a DVB-S or DVB-S2 entry
    Circular,              // left or right circular polarisation
    NoPolarisation,
    FrequencyDoesNotFit,   // 0, or above 16383 MHz once rounded
    SymbolRateDoesNotFit,  // 0, or above 65535 kS/s once rounded
    FrequencyInMHz,        // below 100000 kHz: a table that gives MHz
    SymbolRateInKSs,       // below 100000 S/s: a table that gives kS/s
};
inline constexpr EntryProblem kLastEntryProblem = EntryProblem::SymbolRateInKSs;

// The least a table value can be in the table's units: a satellite
// transponder's frequency is some GHz, its symbol rate some MS/s, so a value
// below these was written in MHz or kS/s, and taking it as kHz or S/s would
// store a thousandth of it.
inline constexpr std::uint64_t kMinTableFrequencyKHz = 100000;
inline constexpr std::uint64_t kMinTableSymbolRate = 100000;

// Why an entry cannot be used, for people.
std::string_view EntryProblemText(EntryProblem problem);

inline constexpr std::uint32_t kMaxTpFrequency = 16383;  // MHz, 14 bits
inline constexpr std::uint32_t kMaxTpSymbolRate = 65535; // kS/s, 16 bits
inline constexpr std::uint32_t kDefaultTpTolerance = 5;  // MHz
// Beyond a few tens of MHz a frequency no longer names the same transponder.
inline constexpr std::uint32_t kMaxTpTolerance = 1000;

// A table entry in the record's units.
struct RecordValues {
    std::uint16_t frequency = 0;    // MHz
    std::uint16_t symbolRate = 0;   // kS/s
    std::uint8_t polarisation = 0;  // 0 H, 1 V
    EntryProblem problem = EntryProblem::None;
};

RecordValues ToRecordValues(const TableEntry& entry);

// A transponder paired with an entry whose values differ from the record's.
struct TransponderChange {
    std::uint32_t tpIndex = 0;   // in db.Tps()
    std::uint32_t row = 0;       // among the satellite's transponders, from 0, as the list numbers them
    std::uint32_t entry = 0;     // in the table
    TpRecord before;
    std::uint16_t frequency = 0;   // new, MHz
    std::uint16_t symbolRate = 0;  // new, kS/s
    std::string refusal;           // why the guard will not let this record change, or empty

    bool ChangesFrequency() const { return frequency != before.frequency; }
    bool ChangesSymbolRate() const { return symbolRate != before.symbolRate; }
};

struct UnpairedTransponder {
    std::uint32_t tpIndex = 0;
    std::uint32_t row = 0;
};

// An entry of the satellite's that points at the record of an earlier one:
// the record is paired and written once, as that earlier row.
struct SameRecordRow {
    std::uint32_t tpIndex = 0;
    std::uint32_t row = 0;
    std::uint32_t asRow = 0;  // the row whose record it is
};

struct UnusableEntry {
    std::uint32_t entry = 0;
    EntryProblem problem = EntryProblem::None;
};

struct TransponderUpdatePlan {
    std::vector<TransponderChange> changes;       // in row order
    std::uint32_t upToDate = 0;                   // pairs whose record already holds the entry's values
    std::vector<UnpairedTransponder> notInTable;  // in row order
    std::vector<SameRecordRow> sameRecord;        // in row order
    std::vector<std::uint32_t> notAdded;          // usable entries left unpaired, in table order
    std::uint32_t repeats = 0;                    // unpaired entries repeating another's values
    std::vector<UnusableEntry> unusable;          // in table order
    std::uint32_t usable = 0;                     // entries that could be used
    // Why nothing can be updated from the table, said of the table after its
    // name: "holds no DVB-S or DVB-S2 transponder ... (3 entries: 3 circular
    // polarisation (...))"; empty when it holds an entry a record can take.
    std::string refusal;
    // Another satellite with the satellite's satId: a transponder names its
    // satellite by satId only, so the two satellites' transponders cannot be
    // told apart and none is paired. The index in db.Sats(), or none.
    std::optional<std::uint32_t> sharesSatIdWith;

    // The changes that the guard lets through: what OK writes by default.
    std::vector<TransponderChange> Writable() const;
    // Why the entries that cannot be used cannot, each reason with how many
    // entries have it, in the order of EntryProblem: "3 circular polarisation
    // (...), 1 not a DVB-S or DVB-S2 transponder"; empty when all can.
    std::string UnusableText() const;
};

// How far apart a satellite record's longitude (tenths of a degree east,
// 0..3599) and a table's orbital position (tenths of a degree, east positive)
// are, in tenths of a degree, the shorter way round the orbit.
std::uint32_t PositionDistance(std::uint16_t longitude, int tenths);
// A table for a position farther than this from the satellite is a table for
// another satellite: 1.0 degree.
inline constexpr std::uint32_t kMaxPositionDistance = 10;
// 192 -> "19.2E", -8 -> "0.8W".
std::string OrbitalPositionText(int tenths);
// A satellite record's longitude as a position: 3592 -> "0.8W".
std::string LongitudeText(std::uint16_t longitude);

// Why a table at `tablePosition` is not taken for satellite `satIndex` named
// `satName` (decoded, UTF-8) at `longitude`, or empty when the two are within
// kMaxPositionDistance.
std::string PositionMismatchText(std::uint32_t satIndex, std::string_view satName, std::uint16_t longitude,
                                 int tablePosition);

// Why the transponders of satellite `satIndex` cannot be updated when
// satellite `other` shares its satId; names decoded, UTF-8.
std::string SharedSatIdText(std::uint32_t satIndex, std::string_view satName, std::uint32_t other,
                            std::string_view otherName, std::uint16_t satId);

// Pairs the transponders of satellite `satIndex` (an index in db.Sats()) with
// the table's entries. The satellite's transponders are those whose 14-bit
// satId equals the satellite's, in table order.
TransponderUpdatePlan PlanTransponderUpdate(const FlashImage& image, const ChannelDatabase& db,
                                            std::size_t satIndex, std::span<const TableEntry> table,
                                            std::uint32_t tolerance = kDefaultTpTolerance);

inline constexpr std::string_view kNoSuchTransponderText = "There is no such transponder to update.";
inline constexpr std::string_view kValueDoesNotFitText =
    "A new frequency or symbol rate does not fit the transponder record.";

// Writes each change's frequency and symbol rate into its record, leaving the
// polarisation bits and every other byte as they are. Refused, writing
// nothing, when any record is not held or is refused by the write guard.
ChangeOutcome UpdateTransponders(FlashImage& image, const ChannelDatabase& db,
                                  std::span<const TransponderChange> changes);

} // namespace korvex
