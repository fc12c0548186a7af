#include "db/ChannelMatch.h"

#include <cstring>
#include <span>

namespace korvex {
namespace {

constexpr std::uint32_t kMaxFrequency = 0x3FFF;  // 14 bits

std::uint64_t Mix(std::uint64_t h)
{
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return h;
}

std::size_t HashName(const NameBytes& name, std::uint64_t seed)
{
    std::uint64_t low = 0;
    std::uint32_t high = 0;
    std::memcpy(&low, name.data(), sizeof low);
    std::memcpy(&high, name.data() + sizeof low, sizeof high);
    return static_cast<std::size_t>(Mix(low ^ Mix(high ^ seed)));
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
    std::size_t operator()(std::uint64_t key) const { return static_cast<std::size_t>(Mix(key)); }
};

// The records of one list grouped by a key, each group in list order: the
// first index of each group, and from every index the next of its group.
template <typename Key, typename Hash>
class Groups {
public:
    explicit Groups(std::size_t count) : next_(count, kNoMatch) { first_.reserve(count); }

    // Indices must be added from the last to the first.
    void AddInReverse(const Key& key, std::uint32_t index)
    {
        const auto [at, added] = first_.try_emplace(key, index);
        if (!added) {
            next_[index] = at->second;
            at->second = index;
        }
    }

    std::uint32_t First(const Key& key) const
    {
        const auto at = first_.find(key);
        return at == first_.end() ? kNoMatch : at->second;
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
    std::unordered_map<Key, std::uint32_t, Hash> first_;
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
    explicit Tallies(std::size_t count) { tallies_.reserve(count); }

    void Add(const Key& key, std::uint32_t index)
    {
        Tally& tally = tallies_[key];
        if (tally.count++ == 0)
            tally.first = index;
    }

    // The one record that holds the key, or kNoMatch when none or several do.
    std::uint32_t Only(const Key& key) const
    {
        const auto at = tallies_.find(key);
        return at != tallies_.end() && at->second.count == 1 ? at->second.first : kNoMatch;
    }

private:
    std::unordered_map<Key, Tally, Hash> tallies_;
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

Matching<SatellitePair> MatchSatellites(std::span<const SatRecord> earlier, std::span<const SatRecord> current)
{
    MatchingBuilder<SatellitePair> builder(earlier.size(), current.size());
    Groups<std::uint16_t, std::hash<std::uint16_t>> earlierAt(earlier.size()), currentAt(current.size());
    for (auto e = static_cast<std::uint32_t>(earlier.size()); e-- > 0;)
        earlierAt.AddInReverse(earlier[e].longitude, e);
    for (auto c = static_cast<std::uint32_t>(current.size()); c-- > 0;)
        currentAt.AddInReverse(current[c].longitude, c);
    Tallies<ScopedName, ScopedNameHash> earlierNames(earlier.size()), currentNames(current.size());
    for (std::uint32_t e = 0; e < earlier.size(); ++e)
        earlierNames.Add({earlier[e].longitude, FoldedName(earlier[e].satName)}, e);
    for (std::uint32_t c = 0; c < current.size(); ++c)
        currentNames.Add({current[c].longitude, FoldedName(current[c].satName)}, c);

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
        const ScopedName key{longitude, FoldedName(current[c].satName)};
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

struct ProgramSide {
    std::span<const ProgRecord> programs;
    const RecordsById& ids;
    std::vector<NameBytes> names;         // folded
    std::vector<std::uint32_t> sats;      // the satellite of each program, or kNoMatch

    ProgramSide(std::span<const ProgRecord> table, const RecordsById& byId) : programs(table), ids(byId)
    {
        names.reserve(table.size());
        sats.reserve(table.size());
        for (const ProgRecord& prog : table) {
            names.push_back(FoldedName(prog.progName));
            sats.push_back(ids.Satellite(prog.satId));
        }
    }
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
            const std::uint32_t e = earlierServices.FirstWhere(
                ServiceKey(earlierTp[c], current.programs[c].serviceId), [&](std::uint32_t candidate) {
                    return !builder.EarlierTaken(candidate) && (!sameName || earlier.names[candidate] == current.names[c]);
                });
            if (e != kNoMatch)
                builder.Add({e, c, ProgramMatchedBy::Service});
        }
    }

    // By a name that only one program holds in its scope on each side: its
    // matched satellite, or the whole table when its satellite is unmatched.
    Tallies<ScopedName, ScopedNameHash> earlierOnSat(earlier.programs.size()), currentOnSat(current.programs.size());
    Tallies<NameBytes, NameHash> earlierAnywhere(earlier.programs.size()), currentAnywhere(current.programs.size());
    for (std::uint32_t e = 0; e < earlier.programs.size(); ++e) {
        earlierOnSat.Add({earlier.sats[e], earlier.names[e]}, e);
        earlierAnywhere.Add(earlier.names[e], e);
    }
    for (std::uint32_t c = 0; c < current.programs.size(); ++c) {
        currentOnSat.Add({current.sats[c], current.names[c]}, c);
        currentAnywhere.Add(current.names[c], c);
    }
    for (std::uint32_t c = 0; c < current.programs.size(); ++c) {
        const NameBytes& name = current.names[c];
        if (builder.CurrentTaken(c) || name[0] == 0)
            continue;
        const std::uint32_t sat = current.sats[c];
        const std::uint32_t earlierSat = sat == kNoMatch ? kNoMatch : places.satellites.earlierOf[sat];
        std::uint32_t e = kNoMatch;
        if (earlierSat != kNoMatch) {
            if (currentOnSat.Only({sat, name}) == c)
                e = earlierOnSat.Only({earlierSat, name});
        } else if (currentAnywhere.Only(name) == c) {
            e = earlierAnywhere.Only(name);
        }
        if (e != kNoMatch && !builder.EarlierTaken(e))
            builder.Add({e, c, ProgramMatchedBy::Name});
    }
    return std::move(builder).Finish();
}

} // namespace

NameBytes FoldedName(const NameBytes& name)
{
    NameBytes folded{};
    for (std::size_t i = 0; i < name.size() && name[i] != 0; ++i)
        folded[i] = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<std::uint8_t>(name[i] - 'A' + 'a') : name[i];
    return folded;
}

RecordsById::RecordsById(const ChannelDatabase& db)
{
    sats_.reserve(db.numSats);
    tps_.reserve(db.numTps);
    for (std::uint32_t s = 0; s < db.numSats; ++s)
        sats_.try_emplace(db.sats[s].satId, s);
    for (std::uint32_t t = 0; t < db.numTps; ++t)
        tps_.try_emplace(db.tps[t].tpId, t);
}

std::uint32_t RecordsById::Satellite(std::uint16_t satId) const
{
    const auto at = sats_.find(satId);
    return at == sats_.end() ? kNoMatch : at->second;
}

std::uint32_t RecordsById::Transponder(std::uint16_t tpId) const
{
    const auto at = tps_.find(tpId);
    return at == tps_.end() ? kNoMatch : at->second;
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
    match.satellites = MatchSatellites(earlier.Sats(), current.Sats());
    match.transponders =
        MatchTransponders(earlier, earlierIds, current, currentIds, match.satellites, options.frequencyTolerance);
    for (const ProgTable table : {ProgTable::Tv, ProgTable::Radio}) {
        const bool tv = table == ProgTable::Tv;
        const ProgramSide earlierSide(tv ? earlier.TvProgs() : earlier.RadioProgs(), earlierIds);
        const ProgramSide currentSide(tv ? current.TvProgs() : current.RadioProgs(), currentIds);
        match.programs[tv ? 0 : 1] = MatchPrograms(earlierSide, currentSide, match);
    }
    return match;
}

} // namespace korvex
