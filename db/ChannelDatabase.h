#pragma once
// The channel list decoded from a flash image: satellites, transponders, TV and
// radio programs in fixed-capacity arrays of plain records, with the counts
// derived from them. Records refer to each other by satId and tpId, never by
// index. The image stays the authoritative copy: edits are encoded into the
// image and the database is decoded again from it.
//
// The bit-fields of each packed word are declared in the order the image lists
// them; in memory they are allocated from bit 0 upward, while the image packs
// them from the top bit down.

#include "db/FlashImage.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace korvex {

inline constexpr std::size_t kNameBytes = 12;
using NameBytes = std::array<std::uint8_t, kNameBytes>;

inline constexpr std::size_t kMaxSats = 150;
inline constexpr std::size_t kMaxTps = 3000;
inline constexpr std::size_t kMaxSatTps = 300;
inline constexpr std::size_t kMaxProgs = 5000;   // TV and radio together
inline constexpr std::size_t kMaxTv = 5000;
inline constexpr std::size_t kMaxRadio = 2000;

// The two program tables. A program's table is where its directory entry
// stands; whether it counts as TV or radio is decided by its video PID.
enum class ProgTable : std::uint8_t { Tv, Radio };

// The widest tolerance, in MHz, within which two frequencies may name the
// same transponder, when matching two scans and when updating transponders
// from a scan table: beyond a few tens of MHz they no longer do, and the
// search for the nearest grows with the tolerance.
inline constexpr std::uint32_t kMaxFrequencyTolerance = 1000;

// A table's place where something is kept for both: TV 0, radio 1.
constexpr std::size_t IndexOf(ProgTable table) { return table == ProgTable::Tv ? 0 : 1; }

// The block that holds a program table's entries.
constexpr BlockId BlockOf(ProgTable table)
{
    return table == ProgTable::Tv ? BlockId::TvPrograms : BlockId::RadioPrograms;
}

struct SatRecord {
    std::uint16_t satId = 0;
    std::uint16_t longitude = 0;
    std::uint16_t lnbFreLow = 0;
    std::uint16_t lnbFreHigh = 0;
    std::uint16_t power012V : 1 = 0;
    std::uint16_t tone22K : 1 = 0;
    std::uint16_t diseqc10 : 3 = 0;
    std::uint16_t diseqc12En : 1 = 0;
    std::uint16_t lnbType : 2 = 0;
    std::uint16_t lnbPower : 2 = 0;
    std::uint16_t position : 6 = 0;
    NameBytes satName{};
    std::uint32_t entryWord = 0;
    std::uint32_t tableIndex = 0;        // position of the entry in its block
    std::uint16_t tpCount = 0;
    std::uint16_t tvCount = 0;
    std::uint16_t radioCount = 0;

    bool operator==(const SatRecord&) const = default;
};

struct TpRecord {
    std::uint16_t tpId = 0;
    std::uint16_t satId : 14 = 0;
    std::uint16_t opaque2 : 2 = 0;       // kept as found, never interpreted
    std::uint16_t frequency : 14 = 0;
    std::uint16_t polarisation : 2 = 0;
    std::uint16_t symbolRate = 0;
    std::uint32_t entryWord = 0;
    std::uint32_t tableIndex = 0;        // position of the entry in its block
    std::uint16_t tvCount = 0;
    std::uint16_t radioCount = 0;

    bool operator==(const TpRecord&) const = default;
};

struct ProgRecord {
    std::uint16_t satId = 0;
    std::uint16_t tpId = 0;
    std::uint16_t serviceId = 0;
    std::uint16_t pcrPid : 13 = 0;
    std::uint16_t scramble : 1 = 0;
    std::uint16_t track : 2 = 0;
    std::uint32_t opaque1 : 1 = 0;       // opaque fields are kept as found
    std::uint32_t opaque13 : 13 = 0;
    std::uint32_t opaque5 : 5 = 0;
    std::uint32_t videoPid : 13 = 0;     // 0 for every record of the radio table
    // Bits 12..0 of bytes 8..11 of a radio-table record, which that table does
    // not decode; kept so that writing the record back leaves them as found.
    std::uint16_t radioVideoBits : 13 = 0;
    std::uint16_t audioPid : 13 = 0;
    std::uint16_t opaque3 : 3 = 0;
    NameBytes progName{};
    // Record bytes 28..35 exactly as they stand in the image (no byte-order
    // conversion), so that writing a record back keeps them.
    std::array<std::uint32_t, 2> tailWords{};
    std::uint32_t entryWord = 0;
    // Position of the entry in its block. Entries skipped before it (their
    // records lie outside the buffer) count too, so it can pass 65535.
    std::uint32_t tableIndex = 0;
    ProgTable table = ProgTable::Tv;     // the block that holds the entry
    std::uint8_t unlocked = 0;           // flag byte bit 0: 1 = not child-locked
    std::uint8_t favBits = 0;            // flag byte bits 1..6, in place

    bool operator==(const ProgRecord&) const = default;

    // TV or radio for every per-satellite and per-transponder count, whichever
    // table the program came from.
    bool IsTv() const { return videoPid != 0; }
};

// What the loader could not hold, per table, so that a damaged image can be
// reported instead of silently shown short.
struct TableAccount {
    bool blockFound = false;
    std::uint32_t entryCount = 0;  // as the block header claims
    std::uint32_t skipped = 0;     // entry or record outside the 1 MiB buffer
    std::uint32_t dropped = 0;     // beyond the table's capacity

    bool operator==(const TableAccount&) const = default;
};

struct LoadAccount {
    // Indexed by BlockId: satellites, transponders, TV programs, radio programs.
    std::array<TableAccount, 4> tables{};

    bool operator==(const LoadAccount&) const = default;
};

// Every entry of an array beyond its count is zero (satTps aside, which the
// channel list fills and clears itself). The loader relies on it: a reload
// clears only what the previous load held beyond the new counts. Whoever
// writes a record by hand writes it below the count.
struct ChannelDatabase {
    std::array<SatRecord, kMaxSats> sats{};
    std::array<TpRecord, kMaxTps> tps{};
    std::array<TpRecord, kMaxSatTps> satTps{};
    std::array<ProgRecord, kMaxProgs> allProgs{};  // TV programs, then radio programs
    std::array<ProgRecord, kMaxTv> tvProgs{};
    std::array<ProgRecord, kMaxRadio> radioProgs{};
    std::uint16_t numSats = 0;
    std::uint16_t numTps = 0;
    std::uint16_t numProgs = 0;
    std::uint16_t numTv = 0;
    std::uint16_t numRadio = 0;
    LoadAccount loadAccount;

    std::span<const SatRecord> Sats() const { return {sats.data(), numSats}; }
    std::span<const TpRecord> Tps() const { return {tps.data(), numTps}; }
    std::span<const ProgRecord> AllProgs() const { return {allProgs.data(), numProgs}; }
    std::span<const ProgRecord> TvProgs() const { return {tvProgs.data(), numTv}; }
    std::span<const ProgRecord> RadioProgs() const { return {radioProgs.data(), numRadio}; }
    std::span<const ProgRecord> Progs(ProgTable table) const
    {
        return table == ProgTable::Tv ? TvProgs() : RadioProgs();
    }
};

// Coded values are indices into these tables. A value past the end of its
// table has no name; it stays in the record unchanged.
inline constexpr std::array<std::string_view, 3> kLnbTypeNames{"User", "Single", "Universal"};
inline constexpr std::array<std::string_view, 3> kLnbPowerNames{"18V", "13V", "Auto"};
inline constexpr std::array<std::string_view, 5> kDiseqcPortNames{"Off", "DiSEqC1", "DiSEqC2",
                                                                  "DiSEqC3", "DiSEqC4"};
inline constexpr std::array<std::string_view, 2> kSwitchNames{"Off", "On"};
inline constexpr std::array<std::string_view, 2> kPolarisationNames{"H", "V"};
inline constexpr std::array<std::string_view, 3> kTrackNames{"Left", "Right", "Stereo"};

// Favourite group k is bit k + 1 of favBits. The bit is 0 while the program is
// in the group and 1 while it is not.
inline constexpr std::array<std::string_view, 6> kFavouriteGroupNames{
    "Movies", "Music", "Cartoons", "News", "Sport", "Adult"};

constexpr std::uint8_t FavouriteGroupBit(std::size_t group)
{
    return static_cast<std::uint8_t>(1u << (group + 1));
}

constexpr bool InFavouriteGroup(std::uint8_t favBits, std::size_t group)
{
    return (favBits & FavouriteGroupBit(group)) == 0;
}

// Each group a program is in, followed by "/": "Movies/News/". The channel
// list and korvex-cli's dumps both write a program's groups so.
std::string FavouriteText(std::uint8_t favBits);

// The name of a coded value, or an empty view when the table has none for it.
constexpr std::string_view CodedValueName(std::span<const std::string_view> table, unsigned value)
{
    return value < table.size() ? table[value] : std::string_view{};
}

// The bytes of a record name as the box means them: up to the first zero byte,
// or all twelve when there is none.
std::string_view NameView(const NameBytes& name);

// Writes a new name into a name field: at most 12 bytes, then one zero byte
// when the name is shorter. The bytes behind that zero byte are left as they
// were, as the box keeps them.
void StoreNameBytes(NameBytes& field, std::string_view encoded);

} // namespace korvex
