#include "db/TransponderUpdate.h"

#include "db/RecordCodec.h"
#include "db/WriteGuard.h"

#include <algorithm>
#include <cstdlib>
#include <array>
#include <map>
#include <set>
#include <tuple>

namespace korvex {
namespace {

std::string NothingUsableText(const TransponderUpdatePlan& plan, std::size_t entries)
{
    std::string text = "holds no DVB-S or DVB-S2 transponder with horizontal or vertical polarisation that a record "
                       "can hold (" + std::to_string(entries) + (entries == 1 ? " entry" : " entries");
    if (entries > 0)
        text += ": " + plan.UnusableText();
    return text + ")";
}

// The packed frequency/polarisation word and the symbol rate.
constexpr std::size_t kTpValuesOffset = 4;
constexpr std::size_t kTpValuesSize = 4;

// Rounds a value in thousandths to whole units; 0 when it does not fit
// `max` (0 itself never fits a record).
std::uint32_t ToThousands(std::uint64_t value, std::uint32_t max)
{
    const std::uint64_t rounded = value / 1000 + (value % 1000 >= 500 ? 1 : 0);
    return rounded <= max ? static_cast<std::uint32_t>(rounded) : 0;
}

struct Candidate {
    std::uint32_t distance;
    std::uint32_t transponder;  // position among the satellite's transponders
    std::uint16_t frequency;    // the entry's
    std::uint32_t entry;

    auto Key() const { return std::tie(distance, transponder, frequency, entry); }
};

} // namespace

std::string_view EntryProblemText(EntryProblem problem)
{
    switch (problem) {
    case EntryProblem::None: return "";
    case EntryProblem::NotSatellite: return "not a DVB-S or DVB-S2 transponder";
    case EntryProblem::Circular: return "circular polarisation (a transponder record holds H or V)";
    case EntryProblem::NoPolarisation: return "no polarisation given";
    case EntryProblem::FrequencyDoesNotFit: return "frequency outside the record's 1 to 16383 MHz";
    case EntryProblem::SymbolRateDoesNotFit: return "symbol rate outside the record's 1 to 65535 kS/s";
    case EntryProblem::FrequencyInMHz: return "frequency looks like MHz (a table gives kHz)";
    case EntryProblem::SymbolRateInKSs: return "symbol rate looks like kS/s (a table gives S/s)";
    }
    return "";
}

RecordValues ToRecordValues(const TableEntry& entry)
{
    RecordValues values;
    if (entry.system == TableSystem::Other) {
        values.problem = EntryProblem::NotSatellite;
        return values;
    }
    switch (entry.polarisation) {
    case TablePolarisation::Horizontal: values.polarisation = 0; break;
    case TablePolarisation::Vertical: values.polarisation = 1; break;
    case TablePolarisation::CircularLeft:
    case TablePolarisation::CircularRight: values.problem = EntryProblem::Circular; return values;
    case TablePolarisation::Missing: values.problem = EntryProblem::NoPolarisation; return values;
    }
    if (entry.frequencyKHz != 0 && entry.frequencyKHz < kMinTableFrequencyKHz) {
        values.problem = EntryProblem::FrequencyInMHz;
        return values;
    }
    if (entry.symbolRate != 0 && entry.symbolRate < kMinTableSymbolRate) {
        values.problem = EntryProblem::SymbolRateInKSs;
        return values;
    }
    values.frequency = static_cast<std::uint16_t>(ToThousands(entry.frequencyKHz, kMaxTpFrequency));
    values.symbolRate = static_cast<std::uint16_t>(ToThousands(entry.symbolRate, kMaxTpSymbolRate));
    if (values.frequency == 0)
        values.problem = EntryProblem::FrequencyDoesNotFit;
    else if (values.symbolRate == 0)
        values.problem = EntryProblem::SymbolRateDoesNotFit;
    return values;
}

std::vector<TransponderChange> TransponderUpdatePlan::Writable() const
{
    std::vector<TransponderChange> writable;
    std::ranges::copy_if(changes, std::back_inserter(writable),
                         [](const TransponderChange& change) { return change.refusal.empty(); });
    return writable;
}

std::string TransponderUpdatePlan::UnusableText() const
{
    std::array<std::uint32_t, static_cast<std::size_t>(kLastEntryProblem) + 1> counts{};
    for (const UnusableEntry& u : unusable)
        ++counts[static_cast<std::size_t>(u.problem)];
    std::string text;
    for (std::size_t k = 0; k < counts.size(); ++k) {
        if (counts[k] == 0)
            continue;
        if (!text.empty())
            text += ", ";
        text += std::to_string(counts[k]) + " " + std::string(EntryProblemText(static_cast<EntryProblem>(k)));
    }
    return text;
}

std::uint32_t PositionDistance(std::uint16_t longitude, int tenths)
{
    const int east = ((tenths % 3600) + 3600) % 3600;
    const int apart = std::abs(static_cast<int>(longitude % 3600) - east);
    return static_cast<std::uint32_t>(std::min(apart, 3600 - apart));
}

std::string OrbitalPositionText(int tenths)
{
    const int magnitude = tenths < 0 ? -tenths : tenths;
    return std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10) + (tenths < 0 ? "W" : "E");
}

std::string LongitudeText(std::uint16_t longitude)
{
    const int east = longitude % 3600;
    return OrbitalPositionText(east > 1800 ? east - 3600 : east);
}

std::string PositionMismatchText(std::uint32_t satIndex, std::string_view satName, std::uint16_t longitude,
                                 int tablePosition)
{
    if (PositionDistance(longitude, tablePosition) <= kMaxPositionDistance)
        return {};
    return "the table is for " + OrbitalPositionText(tablePosition) + ", satellite " + std::to_string(satIndex) +
           " \"" + std::string(satName) + "\" is at " + LongitudeText(longitude);
}

std::string SharedSatIdText(std::uint32_t satIndex, std::string_view satName, std::uint32_t other,
                            std::string_view otherName, std::uint16_t satId)
{
    return "satellite " + std::to_string(satIndex) + " \"" + std::string(satName) + "\" shares satId " +
           std::to_string(satId) + " with satellite " + std::to_string(other) + " \"" + std::string(otherName) +
           "\": a transponder names its satellite by satId only, so their transponders cannot be told apart";
}

TransponderUpdatePlan PlanTransponderUpdate(const FlashImage& image, const ChannelDatabase& db,
                                            std::size_t satIndex, std::span<const TableEntry> table,
                                            std::uint32_t tolerance)
{
    TransponderUpdatePlan plan;
    if (satIndex >= db.Sats().size())
        return plan;
    const std::uint16_t satId = db.Sats()[satIndex].satId;
    for (std::uint32_t other = 0; other < db.Sats().size(); ++other)
        if (other != satIndex && db.Sats()[other].satId == satId) {
            plan.sharesSatIdWith = other;
            return plan;
        }

    // The satellite's transponders, as indexes in db.Tps(), in table order.
    // A record behind several entries is one transponder: it is paired once,
    // by its first entry, so that it receives one value at most.
    std::vector<std::uint32_t> transponders;
    std::vector<std::uint32_t> rows;  // each one's row among all the satellite's entries
    std::map<std::uint32_t, std::uint32_t> rowOfRecord;
    std::uint32_t row = 0;
    for (std::uint32_t k = 0; k < db.Tps().size(); ++k) {
        if (db.Tps()[k].satId != satId)
            continue;
        const auto [first, added] = rowOfRecord.try_emplace(RecordOffsetOf(db.Tps()[k].entryWord), row);
        if (added) {
            transponders.push_back(k);
            rows.push_back(row);
        } else {
            plan.sameRecord.push_back({k, row, first->second});
        }
        ++row;
    }

    std::vector<RecordValues> values(table.size());
    // Usable entries of each polarisation, sorted by frequency.
    std::array<std::vector<std::uint32_t>, 2> byPolarisation;
    for (std::uint32_t e = 0; e < table.size(); ++e) {
        values[e] = ToRecordValues(table[e]);
        if (values[e].problem != EntryProblem::None) {
            plan.unusable.push_back({e, values[e].problem});
            continue;
        }
        ++plan.usable;
        byPolarisation[values[e].polarisation].push_back(e);
    }
    if (plan.usable == 0)
        plan.refusal = NothingUsableText(plan, table.size());
    for (auto& entries : byPolarisation)
        std::ranges::stable_sort(entries, {}, [&](std::uint32_t e) { return values[e].frequency; });

    std::vector<Candidate> candidates;
    for (std::uint32_t t = 0; t < transponders.size(); ++t) {
        const TpRecord& tp = db.Tps()[transponders[t]];
        if (tp.polarisation > 1)
            continue;
        const auto& entries = byPolarisation[tp.polarisation];
        const std::uint32_t low = tp.frequency > tolerance ? tp.frequency - tolerance : 0;
        auto it = std::ranges::lower_bound(entries, low, {}, [&](std::uint32_t e) -> std::uint32_t {
            return values[e].frequency;
        });
        for (; it != entries.end() && values[*it].frequency <= tp.frequency + tolerance; ++it) {
            const std::uint16_t f = values[*it].frequency;
            const std::uint32_t distance = f > tp.frequency ? f - tp.frequency : tp.frequency - f;
            candidates.push_back({distance, t, f, *it});
        }
    }
    std::ranges::sort(candidates, [](const Candidate& a, const Candidate& b) { return a.Key() < b.Key(); });

    constexpr std::uint32_t kUnpaired = UINT32_MAX;
    std::vector<std::uint32_t> entryOf(transponders.size(), kUnpaired);
    std::vector<bool> entryPaired(table.size(), false);
    for (const Candidate& c : candidates) {
        if (entryOf[c.transponder] != kUnpaired || entryPaired[c.entry])
            continue;
        entryOf[c.transponder] = c.entry;
        entryPaired[c.entry] = true;
    }

    using ValueKey = std::tuple<std::uint16_t, std::uint8_t, std::uint16_t>;
    std::set<ValueKey> reported;
    const auto keyOf = [&](std::uint32_t e) {
        return ValueKey{values[e].frequency, values[e].polarisation, values[e].symbolRate};
    };
    for (std::uint32_t t = 0; t < transponders.size(); ++t) {
        const TpRecord& tp = db.Tps()[transponders[t]];
        if (entryOf[t] == kUnpaired) {
            plan.notInTable.push_back({transponders[t], rows[t]});
            continue;
        }
        const RecordValues& v = values[entryOf[t]];
        reported.insert(keyOf(entryOf[t]));
        if (v.frequency == tp.frequency && v.symbolRate == tp.symbolRate) {
            ++plan.upToDate;
            continue;
        }
        TransponderChange change;
        change.tpIndex = transponders[t];
        change.row = rows[t];
        change.entry = entryOf[t];
        change.before = tp;
        change.frequency = v.frequency;
        change.symbolRate = v.symbolRate;
        change.refusal = std::string(WriteRefusal(image, tp));
        plan.changes.push_back(std::move(change));
    }
    for (std::uint32_t e = 0; e < table.size(); ++e) {
        if (values[e].problem != EntryProblem::None || entryPaired[e])
            continue;
        if (reported.insert(keyOf(e)).second)
            plan.notAdded.push_back(e);
        else
            ++plan.repeats;
    }
    return plan;
}

ChangeOutcome UpdateTransponders(FlashImage& image, const ChannelDatabase& db,
                                  std::span<const TransponderChange> changes)
{
    if (!GuardOf(image))
        return ChangeOutcome::Refused(kNotLoadedText);
    std::vector<ByteSpan> owned;
    std::vector<TpRecord> updated;
    owned.reserve(changes.size());
    updated.reserve(changes.size());
    for (const TransponderChange& change : changes) {
        if (change.tpIndex >= db.Tps().size())
            return ChangeOutcome::Refused(kNoSuchTransponderText);
        if (change.frequency == 0 || change.frequency > kMaxTpFrequency || change.symbolRate == 0)
            return ChangeOutcome::Refused(kValueDoesNotFitText);
        TpRecord tp = db.Tps()[change.tpIndex];
        if (std::string_view why = WriteRefusal(image, tp); !why.empty())
            return ChangeOutcome::Refused(why);
        tp.frequency = change.frequency & kMaxTpFrequency;
        tp.symbolRate = change.symbolRate;
        const std::uint64_t at = RecordOffsetOf(tp.entryWord) + kTpValuesOffset;
        owned.push_back({at, at + kTpValuesSize});
        updated.push_back(tp);
    }
    const std::string_view broken = WriteThenVerify(image, owned, [&](FlashImage& target) {
        for (std::size_t k = 0; k < updated.size(); ++k) {
            std::array<std::uint8_t, kTpRecordSize> record{};
            WriteTp(updated[k], record);
            std::ranges::copy_n(record.begin() + kTpValuesOffset, kTpValuesSize,
                                target.Region<kTpValuesSize>(owned[k].begin)->begin());
        }
    });
    if (!broken.empty())
        return ChangeOutcome::Refused(broken);
    return ChangeOutcome::Written();
}

} // namespace korvex
