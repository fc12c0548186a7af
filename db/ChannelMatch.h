#pragma once
// Which records of two channel lists are the same channel.
//
// Two scans of a box share no ids: every scan hands out satId and tpId anew,
// in its own order. Records are therefore matched by what the box received:
//  - a satellite by its longitude. Where several satellites of one list share
//    a longitude, a pair at that longitude also needs the same name, unique
//    at that longitude in both lists; anything else stays unmatched;
//  - a transponder of a matched satellite by polarisation and frequency: the
//    same frequency first, else the nearest within the tolerance (a rescan
//    often reads a frequency a few units off; at equal distance the lower
//    frequency is taken). The symbol rate is not compared;
//  - a program on a matched transponder by its service id; where several
//    earlier programs of that transponder share it, the one with the same name
//    first, then the first in table order;
//  - a program still unmatched by its name: an unmatched earlier program of
//    the matched satellite (of any satellite when its own satellite is not
//    matched) with the same name, when that name is held by exactly one
//    program of that scope on each side. Regional copies share names, so
//    this never guesses between them; an empty name is never matched.
// Names compare as text in the name charset: the bytes up to the first zero
// byte, with those bytes folded to one case that are an ASCII letter on their
// own. In GBK, Big5 or Shift_JIS the second byte of a character can be 0x41 to
// 0x7A without being a letter, so which bytes stand alone is the charset's
// to say; a name the charset cannot decode compares by its exact bytes.
// Every record of either list is matched at most once,
// and programs only with the same table of the other list: TV with TV,
// radio with radio.
//
// A program belongs to the first satellite with its satId and the first
// transponder with its tpId, a transponder to the first satellite whose
// satId equals its 14-bit satId: the first holder of an id is the one its
// records are found by.
//
// The work is linear in the number of records: every lookup goes through a
// hash map keyed by the values compared. Only the search for the nearest
// frequency grows with the tolerance.

#include "db/ChannelDatabase.h"
#include "db/FlatMap.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace korvex {

inline constexpr std::uint32_t kNoMatch = 0xFFFFFFFF;

// The name charset as name comparison needs it: for a name's bytes (up to its
// first zero), sets single[i] when byte i is a character by itself, and says
// false when the charset cannot decode the bytes. db/ knows no charsets; its
// callers have the image's.
using NameCharacters = std::function<bool(std::string_view name, std::span<bool> single)>;

struct MatchOptions {
    // How far a transponder's frequency may be off and still match, in the
    // frequency's own units.
    std::uint16_t frequencyTolerance = 3;
    // The name charset; without one, every byte below 0x80 is a character by
    // itself, as in UTF-8 and the single-byte charsets.
    NameCharacters names;
};

enum class SatelliteMatchedBy : std::uint8_t {
    Longitude,         // the only satellite at its longitude in both lists
    LongitudeAndName,  // several share the longitude; the name told them apart
};

enum class ProgramMatchedBy : std::uint8_t {
    Service,  // service id on a matched transponder
    Name,     // the unique name fallback
};

// Each pair names a record of the earlier and of the current list by its
// index in the database's array: sats, tps, or the program table's own array
// (tvProgs, radioProgs), whose records say their entry position in tableIndex.
struct SatellitePair {
    std::uint32_t earlier = 0;
    std::uint32_t current = 0;
    SatelliteMatchedBy by = SatelliteMatchedBy::Longitude;

    bool operator==(const SatellitePair&) const = default;
};

struct TransponderPair {
    std::uint32_t earlier = 0;
    std::uint32_t current = 0;
    std::int32_t frequencyShift = 0;  // current frequency minus earlier: 0 when exact

    bool operator==(const TransponderPair&) const = default;
};

struct ProgramPair {
    std::uint32_t earlier = 0;
    std::uint32_t current = 0;
    ProgramMatchedBy by = ProgramMatchedBy::Service;

    bool operator==(const ProgramPair&) const = default;
};

// The matching of one kind of record, seen from both sides.
template <typename Pair>
struct Matching {
    std::vector<Pair> pairs;                        // in the current list's order
    std::vector<std::uint32_t> earlierOf;           // by current index: the earlier index, or kNoMatch
    std::vector<std::uint32_t> currentOf;           // by earlier index: the current index, or kNoMatch
    std::vector<std::uint32_t> unmatchedCurrent;    // current indices, in order
    std::vector<std::uint32_t> unmatchedEarlier;    // earlier indices, in order
};

struct ChannelMatch {
    Matching<SatellitePair> satellites;
    Matching<TransponderPair> transponders;
    std::array<Matching<ProgramPair>, 2> programs;  // by ProgTable: TV, radio

    const Matching<ProgramPair>& Programs(ProgTable table) const
    {
        return programs[table == ProgTable::Tv ? 0 : 1];
    }
    // How many programs of a table were matched the given way.
    std::size_t Count(ProgTable table, ProgramMatchedBy by) const;
};

ChannelMatch MatchChannels(const ChannelDatabase& earlier, const ChannelDatabase& current,
                           const MatchOptions& options = {});

// Where the records of one list are found by id: the index of the first
// satellite with each satId and of the first transponder with each tpId.
class RecordsById {
public:
    explicit RecordsById(const ChannelDatabase& db);

    // kNoMatch when no record holds the id.
    std::uint32_t Satellite(std::uint16_t satId) const;
    std::uint32_t Transponder(std::uint16_t tpId) const;
    // The satellite a transponder belongs to, by its 14-bit satId.
    std::uint32_t SatelliteOf(const TpRecord& tp) const { return Satellite(tp.satId); }

private:
    struct IdHash {
        std::size_t operator()(std::uint16_t id) const { return static_cast<std::size_t>(MixBits(id)); }
    };
    FlatMap<std::uint16_t, std::uint32_t, IdHash> sats_;
    FlatMap<std::uint16_t, std::uint32_t, IdHash> tps_;
};

// A name as matching compares it: the bytes up to the first zero byte, the
// ASCII letters that are characters by themselves in lower case, zeros
// behind; the exact bytes when the charset cannot decode them.
NameBytes FoldedName(const NameBytes& name, const NameCharacters& charset = {});

} // namespace korvex
