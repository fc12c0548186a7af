#include "db/ChannelMatch.h"

#include <cstring>
#include <span>

namespace korvex {
namespace {

constexpr std::uint32_t kMaxFrequency = 0x3FFF;  // 14 bits

std::size_t HashName(const NameBytes& name, std::uint64_t seed)
{
    std::uint64_t low = 0;
    std::uint32_t high = 0;
    std::memcpy(&low, name.data(), sizeof low);
    std::memcpy(&high, name.data() + sizeof low, sizeof high);
    return static_cast<std::size_t>(MixBits(low ^ MixBits(high ^ seed)));
}

struct NameHash {
    std::size_t operator()(const NameBytes& name) const { return HashName(name, 0); }
};

// A name within a scope: a longitude, or the index of a satellite.
struct ScopedName {
    std::uint32_t scope = 0;
    NameBytes name{};

    bool operator==(const ScopedName&) const = default;
};

struct ScopedNameHash {
    std::size_t operator()(const ScopedName& key) const { return HashName(key.name, key.scope + 1); }
};

struct KeyHash {
    std::size_t operator()(std::uint64_t key) const { return static_cast<std::size_t>(MixBits(key)); }
};

// The records of one list grouped by a key, each group in list order: the
// first index of each group, and from every index the next of its group.
template <typename Key, typename Hash>
class Groups {
public:
    explicit Groups(std::size_t count) : first_(count), next_(count, kNoMatch) {}

    // Indices must be added from the last to the first.
    void AddInReverse(const Key& key, std::uint32_t index)
    {
        std::uint32_t& first = first_.At(key, kNoMatch);
        next_[index] = first;
        first = index;
    }

    std::uint32_t First(const Key& key) const
    {
        const std::uint32_t* first = first_.Get(key);
        return first ? *first : kNoMatch;
    }
    std::uint32_t Next(std::uint32_t index) const { return next_[index]; }

    template <typename Predicate>
    std::uint32_t FirstWhere(const Key& key, Predicate take) const
    {
        for (std::uint32_t i = First(key); i != kNoMatch; i = next_[i])
            if (take(i))
                return i;
        return kNoMatch;
    }

private:
    FlatMap<Key, std::uint32_t, Hash> first_;
    std::vector<std::uint32_t> next_;
};

// How many records hold a key, and the first of them.
struct Tally {
    std::uint32_t count = 0;
    std::uint32_t first = kNoMatch;
};

template <typename Key, typename Hash>
class Tallies {
public:
    explicit Tallies(std::size_t count) : tallies_(count) {}

    void Add(const Key& key, std::uint32_t index)
    {
        Tally& tally = tallies_.At(key, {});
        if (tally.count++ == 0)
            tally.first = index;
    }

    // The one record that holds the key, or kNoMatch when none or several do.
    std::uint32_t Only(const Key& key) const
    {
        const Tally* tally = tallies_.Get(key);
        return tally && tally->count == 1 ? tally->first : kNoMatch;
    }

private:
    FlatMap<Key, Tally, Hash> tallies_;
};

// Builds a matching up: pairs are made in any order and laid out in the
// current list's order at the end.
template <typename Pair>
class MatchingBuilder {
public:
    MatchingBuilder(std::size_t earlierCount, std::size_t currentCount)
    {
        matching_.earlierOf.assign(currentCount, kNoMatch);
        matching_.currentOf.assign(earlierCount, kNoMatch);
        made_.reserve(currentCount);
    }

    bool EarlierTaken(std::uint32_t earlier) const { return matching_.currentOf[earlier] != kNoMatch; }
    bool CurrentTaken(std::uint32_t current) const { return matching_.earlierOf[current] != kNoMatch; }
    std::uint32_t EarlierOf(std::uint32_t current) const { return matching_.earlierOf[current]; }

    void Add(const Pair& pair)
    {
        matching_.earlierOf[pair.current] = pair.earlier;
        matching_.currentOf[pair.earlier] = pair.current;
        made_.push_back(pair);
    }

    Matching<Pair> Finish() &&
    {
        std::vector<std::uint32_t> madeAt(matching_.earlierOf.size(), kNoMatch);
        for (std::uint32_t k = 0; k < made_.size(); ++k)
            madeAt[made_[k].current] = k;
        matching_.pairs.reserve(made_.size());
        for (std::uint32_t c = 0; c < madeAt.size(); ++c) {
            if (madeAt[c] != kNoMatch)
                matching_.pairs.push_back(made_[madeAt[c]]);
            else
                matching_.unmatchedCurrent.push_back(c);
        }
        for (std::uint32_t e = 0; e < matching_.currentOf.size(); ++e)
            if (matching_.currentOf[e] == kNoMatch)
                matching_.unmatchedEarlier.push_back(e);
        return std::move(matching_);
    }

private:
    Matching<Pair> matching_;
    std::vector<Pair> made_;
};

// The names of one kind of record on each side, folded once: folding asks
// the charset, which costs more than every comparison made with them.
struct FoldedNames {
    std::vector<NameBytes> earlier;
    std::vector<NameBytes> current;
};

template <typename Record>
std::vector<NameBytes> FoldAll(std::span<const Record> records, NameBytes Record::*name, const NameCharacters& charset)
{
    std::vector<NameBytes> folded;
    folded.reserve(records.size());
    for (const Record& record : records)
        folded.push_back(FoldedName(record.*name, charset));
    return folded;
}

Matching<SatellitePair> MatchSatellites(std::span<const SatRecord> earlier, std::span<const SatRecord> current,
                                        const FoldedNames& names)
{
    MatchingBuilder<SatellitePair> builder(earlier.size(), current.size());
    Groups<std::uint16_t, KeyHash> earlierAt(earlier.size()), currentAt(current.size());
    for (auto e = static_cast<std::uint32_t>(earlier.size()); e-- > 0;)
        earlierAt.AddInReverse(earlier[e].longitude, e);
    for (auto c = static_cast<std::uint32_t>(current.size()); c-- > 0;)
        currentAt.AddInReverse(current[c].longitude, c);
    Tallies<ScopedName, ScopedNameHash> earlierNames(earlier.size()), currentNames(current.size());
    for (std::uint32_t e = 0; e < earlier.size(); ++e)
        earlierNames.Add({earlier[e].longitude, names.earlier[e]}, e);
    for (std::uint32_t c = 0; c < current.size(); ++c)
        currentNames.Add({current[c].longitude, names.current[c]}, c);

    for (std::uint32_t c = 0; c < current.size(); ++c) {
        const std::uint16_t longitude = current[c].longitude;
        const std::uint32_t e = earlierAt.First(longitude);
        if (e == kNoMatch)
            continue;
        const bool alone = earlierAt.Next(e) == kNoMatch && currentAt.First(longitude) == c && currentAt.Next(c) == kNoMatch;
        if (alone) {
            builder.Add({e, c, SatelliteMatchedBy::Longitude});
            continue;
        }
        const ScopedName key{longitude, names.current[c]};
        if (key.name[0] == 0 || currentNames.Only(key) != c)
            continue;
        const std::uint32_t named = earlierNames.Only(key);
        if (named != kNoMatch)
            builder.Add({named, c, SatelliteMatchedBy::LongitudeAndName});
    }
    return std::move(builder).Finish();
}

// A transponder's place: the earlier satellite, polarisation and frequency.
std::uint64_t PlaceKey(std::uint32_t earlierSat, std::uint32_t polarisation, std::uint32_t frequency)
{
    return std::uint64_t{earlierSat} << 32 | std::uint64_t{polarisation} << 16 | frequency;
}

Matching<TransponderPair> MatchTransponders(const ChannelDatabase& earlier, const RecordsById& earlierIds,
                                            const ChannelDatabase& current, const RecordsById& currentIds,
                                            const Matching<SatellitePair>& satellites, std::uint16_t tolerance)
{
    const std::span<const TpRecord> earlierTps = earlier.Tps();
    const std::span<const TpRecord> currentTps = current.Tps();
    MatchingBuilder<TransponderPair> builder(earlierTps.size(), currentTps.size());
    Groups<std::uint64_t, KeyHash> earlierAt(earlierTps.size());
    for (auto e = static_cast<std::uint32_t>(earlierTps.size()); e-- > 0;) {
        const TpRecord& tp = earlierTps[e];
        const std::uint32_t sat = earlierIds.SatelliteOf(tp);
        if (sat != kNoMatch)
            earlierAt.AddInReverse(PlaceKey(sat, tp.polarisation, tp.frequency), e);
    }
    const auto free = [&](std::uint32_t e) { return !builder.EarlierTaken(e); };

    // The same frequency first, for every transponder, so that a shifted one
    // never takes the place of an exact one.
    struct Pending {
        std::uint32_t current;
        std::uint32_t earlierSat;
    };
    std::vector<Pending> pending;
    for (std::uint32_t c = 0; c < currentTps.size(); ++c) {
        const TpRecord& tp = currentTps[c];
        const std::uint32_t sat = currentIds.SatelliteOf(tp);
        const std::uint32_t earlierSat = sat == kNoMatch ? kNoMatch : satellites.earlierOf[sat];
        if (earlierSat == kNoMatch)
            continue;
        const std::uint32_t e = earlierAt.FirstWhere(PlaceKey(earlierSat, tp.polarisation, tp.frequency), free);
        if (e != kNoMatch)
            builder.Add({e, c, 0});
        else
            pending.push_back({c, earlierSat});
    }
    // Then the nearest: every transponder one unit off, then two, and so on.
    for (std::uint32_t distance = 1; distance <= tolerance && !pending.empty(); ++distance) {
        std::vector<Pending> still;
        for (const Pending& p : pending) {
            const TpRecord& tp = currentTps[p.current];
            std::uint32_t e = kNoMatch;
            std::int32_t shift = 0;
            if (tp.frequency >= distance) {
                e = earlierAt.FirstWhere(PlaceKey(p.earlierSat, tp.polarisation, tp.frequency - distance), free);
                shift = static_cast<std::int32_t>(distance);
            }
            if (e == kNoMatch && tp.frequency + distance <= kMaxFrequency) {
                e = earlierAt.FirstWhere(PlaceKey(p.earlierSat, tp.polarisation, tp.frequency + distance), free);
                shift = -static_cast<std::int32_t>(distance);
            }
            if (e != kNoMatch)
                builder.Add({e, p.current, shift});
            else
                still.push_back(p);
        }
        pending = std::move(still);
    }
    return std::move(builder).Finish();
}

// A program's service on a transponder of the earlier list.
std::uint64_t ServiceKey(std::uint32_t earlierTp, std::uint16_t serviceId)
{
    return std::uint64_t{earlierTp} << 16 | serviceId;
}

// One side's program table and where its records are found by id.
struct ProgramSide {
    std::span<const ProgRecord> programs;
    const RecordsById& ids;
    std::vector<NameBytes> folded;  // each program's name, as FoldedName gives it
};

// How many programs of one side hold each name looked for: in the whole
// table, and on each satellite.
class NameTallies {
public:
    NameTallies(std::size_t names, std::size_t expected) : anywhere_(names), onSat_(expected) {}

    void Add(std::uint32_t sat, std::uint32_t name, std::uint32_t index)
    {
        Count(anywhere_[name], index);
        Count(onSat_.At(SatName(sat, name), {}), index);
    }

    // The one program that holds the name, or kNoMatch when none or several do.
    std::uint32_t Only(std::uint32_t name) const { return OnlyOf(&anywhere_[name]); }
    std::uint32_t Only(std::uint32_t sat, std::uint32_t name) const { return OnlyOf(onSat_.Get(SatName(sat, name))); }

private:
    static std::uint64_t SatName(std::uint32_t sat, std::uint32_t name) { return std::uint64_t{sat} << 32 | name; }
    static void Count(Tally& tally, std::uint32_t index)
    {
        if (tally.count++ == 0)
            tally.first = index;
    }
    static std::uint32_t OnlyOf(const Tally* tally) { return tally && tally->count == 1 ? tally->first : kNoMatch; }

    std::vector<Tally> anywhere_;
    FlatMap<std::uint64_t, Tally, KeyHash> onSat_;
};

Matching<ProgramPair> MatchPrograms(const ProgramSide& earlier, const ProgramSide& current,
                                    const ChannelMatch& places)
{
    MatchingBuilder<ProgramPair> builder(earlier.programs.size(), current.programs.size());
    Groups<std::uint64_t, KeyHash> earlierServices(earlier.programs.size());
    for (auto e = static_cast<std::uint32_t>(earlier.programs.size()); e-- > 0;) {
        const std::uint32_t tp = earlier.ids.Transponder(earlier.programs[e].tpId);
        if (tp != kNoMatch)
            earlierServices.AddInReverse(ServiceKey(tp, earlier.programs[e].serviceId), e);
    }

    // The earlier transponder of each current program, where there is one.
    std::vector<std::uint32_t> earlierTp(current.programs.size(), kNoMatch);
    for (std::uint32_t c = 0; c < current.programs.size(); ++c) {
        const std::uint32_t tp = current.ids.Transponder(current.programs[c].tpId);
        if (tp != kNoMatch)
            earlierTp[c] = places.transponders.earlierOf[tp];
    }
    // By service: those with the same name first, then in table order.
    for (const bool sameName : {true, false}) {
        for (std::uint32_t c = 0; c < current.programs.size(); ++c) {
            if (earlierTp[c] == kNoMatch || builder.CurrentTaken(c))
                continue;
            const NameBytes& name = current.folded[c];
            const std::uint32_t e = earlierServices.FirstWhere(
                ServiceKey(earlierTp[c], current.programs[c].serviceId), [&](std::uint32_t candidate) {
                    return !builder.EarlierTaken(candidate) &&
                           (!sameName || earlier.folded[candidate] == name);
                });
            if (e != kNoMatch)
                builder.Add({e, c, ProgramMatchedBy::Service});
        }
    }

    // By a name that only one program holds in its scope on each side: its
    // matched satellite, or the whole table when its satellite is unmatched.
    // Only the names of the programs still unmatched are counted, each under
    // a small number of its own, so that what is counted stays as small as
    // what is left to match.
    struct Looking {
        std::uint32_t current;
        std::uint32_t name;
    };
    std::vector<Looking> looking;
    FlatMap<NameBytes, std::uint32_t, NameHash> names;
    auto nameCount = std::uint32_t{0};
    for (std::uint32_t c = 0; c < current.programs.size(); ++c) {
        const NameBytes& name = current.folded[c];
        if (builder.CurrentTaken(c) || name[0] == 0)
            continue;
        const std::uint32_t number = names.At(name, nameCount);
        nameCount += number == nameCount;
        looking.push_back({c, number});
    }
    if (looking.empty())
        return std::move(builder).Finish();
    const auto tally = [&](const ProgramSide& side) {
        NameTallies tallies(nameCount, looking.size());
        for (std::uint32_t i = 0; i < side.programs.size(); ++i)
            if (const std::uint32_t* number = names.Get(side.folded[i]))
                tallies.Add(side.ids.Satellite(side.programs[i].satId), *number, i);
        return tallies;
    };
    const NameTallies earlierNames = tally(earlier);
    const NameTallies currentNames = tally(current);
    for (const Looking& l : looking) {
        const std::uint32_t sat = current.ids.Satellite(current.programs[l.current].satId);
        const std::uint32_t earlierSat = sat == kNoMatch ? kNoMatch : places.satellites.earlierOf[sat];
        std::uint32_t e = kNoMatch;
        if (earlierSat != kNoMatch) {
            if (currentNames.Only(sat, l.name) == l.current)
                e = earlierNames.Only(earlierSat, l.name);
        } else if (currentNames.Only(l.name) == l.current) {
            e = earlierNames.Only(l.name);
        }
        if (e != kNoMatch && !builder.EarlierTaken(e))
            builder.Add({e, l.current, ProgramMatchedBy::Name});
    }
    return std::move(builder).Finish();
}

} // namespace

NameBytes FoldedName(const NameBytes& name, const NameCharacters& charset)
{
    NameBytes folded{};
    std::size_t length = 0;
    bool ascii = true;
    for (; length < name.size() && name[length] != 0; ++length) {
        folded[length] = name[length];
        ascii = ascii && name[length] < 0x80;
    }
    std::array<bool, kNameBytes> single{};
    if (ascii || !charset) {
        // ASCII-compatible: a byte below 0x80 is a character by itself.
        for (std::size_t i = 0; i < length; ++i)
            single[i] = name[i] < 0x80;
    } else {
        const std::string_view bytes(reinterpret_cast<const char*>(name.data()), length);
        if (!charset(bytes, std::span<bool>(single.data(), length)))
            return folded;
    }
    for (std::size_t i = 0; i < length; ++i)
        if (single[i] && name[i] >= 'A' && name[i] <= 'Z')
            folded[i] = static_cast<std::uint8_t>(name[i] - 'A' + 'a');
    return folded;
}

RecordsById::RecordsById(const ChannelDatabase& db) : sats_(db.numSats), tps_(db.numTps)
{
    for (std::uint32_t s = 0; s < db.numSats; ++s)
        sats_.At(db.sats[s].satId, s);
    for (std::uint32_t t = 0; t < db.numTps; ++t)
        tps_.At(db.tps[t].tpId, t);
}

std::uint32_t RecordsById::Satellite(std::uint16_t satId) const
{
    const std::uint32_t* index = sats_.Get(satId);
    return index ? *index : kNoMatch;
}

std::uint32_t RecordsById::Transponder(std::uint16_t tpId) const
{
    const std::uint32_t* index = tps_.Get(tpId);
    return index ? *index : kNoMatch;
}

std::size_t ChannelMatch::Count(ProgTable table, ProgramMatchedBy by) const
{
    std::size_t count = 0;
    for (const ProgramPair& pair : Programs(table).pairs)
        count += pair.by == by;
    return count;
}

ChannelMatch MatchChannels(const ChannelDatabase& earlier, const ChannelDatabase& current, const MatchOptions& options)
{
    const RecordsById earlierIds(earlier), currentIds(current);
    ChannelMatch match;
    const FoldedNames satelliteNames{FoldAll(earlier.Sats(), &SatRecord::satName, options.names),
                                     FoldAll(current.Sats(), &SatRecord::satName, options.names)};
    match.satellites = MatchSatellites(earlier.Sats(), current.Sats(), satelliteNames);
    match.transponders =
        MatchTransponders(earlier, earlierIds, current, currentIds, match.satellites, options.frequencyTolerance);
    for (const ProgTable table : {ProgTable::Tv, ProgTable::Radio}) {
        const bool tv = table == ProgTable::Tv;
        const std::span<const ProgRecord> earlierPrograms = tv ? earlier.TvProgs() : earlier.RadioProgs();
        const std::span<const ProgRecord> currentPrograms = tv ? current.TvProgs() : current.RadioProgs();
        const ProgramSide earlierSide{earlierPrograms, earlierIds,
                                      FoldAll(earlierPrograms, &ProgRecord::progName, options.names)};
        const ProgramSide currentSide{currentPrograms, currentIds,
                                      FoldAll(currentPrograms, &ProgRecord::progName, options.names)};
        match.programs[tv ? 0 : 1] = MatchPrograms(earlierSide, currentSide, match);
    }
    return match;
}

} // namespace korvex
