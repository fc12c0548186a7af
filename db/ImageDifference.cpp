#include "db/ImageDifference.h"

#include "db/ChannelMatch.h"
#include "db/RecordCodec.h"

#include <algorithm>
#include <stdexcept>
#include <cstdint>
#include <map>
#include <utility>

namespace korvex {
namespace {

std::size_t Index(BlockId id) { return static_cast<std::size_t>(id); }

// A record held by the database: its entry's position, its record's offset
// and its index in the database's array.
struct Held {
    std::uint32_t position = 0;
    std::uint32_t offset = 0;
    std::size_t index = 0;
};

template <typename Record>
std::vector<Held> HeldOf(std::span<const Record> records)
{
    std::vector<Held> held;
    held.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        held.push_back({records[i].tableIndex, RecordOffsetOf(records[i].entryWord), i});
    return held;
}

struct Pairing {
    std::vector<std::pair<Held, Held>> pairs;  // in the first image's entry order
    std::vector<Held> removed;
    std::vector<Held> added;
};

// Pairs records whose entries point at the same offset; the k-th entry of one
// image pointing at an offset pairs with the k-th of the other.
Pairing Pair(const std::vector<Held>& before, const std::vector<Held>& after)
{
    std::map<std::uint32_t, std::vector<Held>> afterByOffset;
    for (const Held& h : after)
        afterByOffset[h.offset].push_back(h);
    std::map<std::uint32_t, std::size_t> taken;
    Pairing pairing;
    for (const Held& h : before) {
        const auto it = afterByOffset.find(h.offset);
        std::size_t& next = taken[h.offset];
        if (it == afterByOffset.end() || next >= it->second.size()) {
            pairing.removed.push_back(h);
            continue;
        }
        pairing.pairs.emplace_back(h, it->second[next++]);
    }
    for (const auto& [offset, held] : afterByOffset)
        for (std::size_t k = taken[offset]; k < held.size(); ++k)
            pairing.added.push_back(held[k]);
    std::sort(pairing.added.begin(), pairing.added.end(),
              [](const Held& x, const Held& y) { return x.position < y.position; });
    return pairing;
}

// Pairs records as a channel matching paired them: currentOf gives, by index
// in the first image's array, the index in the second's, or kNoMatch.
Pairing PairByMatch(const std::vector<Held>& before, const std::vector<Held>& after,
                    const std::vector<std::uint32_t>& currentOf)
{
    Pairing pairing;
    std::vector<bool> taken(after.size(), false);
    for (std::size_t i = 0; i < before.size(); ++i) {
        const std::uint32_t j = i < currentOf.size() ? currentOf[i] : kNoMatch;
        if (j == kNoMatch || j >= after.size()) {
            pairing.removed.push_back(before[i]);
            continue;
        }
        taken[j] = true;
        pairing.pairs.emplace_back(before[i], after[j]);
    }
    for (std::size_t j = 0; j < after.size(); ++j)
        if (!taken[j])
            pairing.added.push_back(after[j]);
    std::sort(pairing.added.begin(), pairing.added.end(),
              [](const Held& x, const Held& y) { return x.position < y.position; });
    return pairing;
}

// Numbers of a record, read through one small function each, since
// bit-fields cannot be reached through member pointers.
template <typename Record>
struct NumberField {
    const char* name;
    std::uint32_t (*get)(const Record&);
    bool scanNumbering = false;  // an id each scan hands out anew
};

constexpr NumberField<SatRecord> kSatNumbers[] = {
    {"satId", [](const SatRecord& r) -> std::uint32_t { return r.satId; }, true},
    {"longitude", [](const SatRecord& r) -> std::uint32_t { return r.longitude; }},
    {"lnbFreLow", [](const SatRecord& r) -> std::uint32_t { return r.lnbFreLow; }},
    {"lnbFreHigh", [](const SatRecord& r) -> std::uint32_t { return r.lnbFreHigh; }},
    {"power012V", [](const SatRecord& r) -> std::uint32_t { return r.power012V; }},
    {"tone22K", [](const SatRecord& r) -> std::uint32_t { return r.tone22K; }},
    {"diseqc10", [](const SatRecord& r) -> std::uint32_t { return r.diseqc10; }},
    {"diseqc12En", [](const SatRecord& r) -> std::uint32_t { return r.diseqc12En; }},
    {"lnbType", [](const SatRecord& r) -> std::uint32_t { return r.lnbType; }},
    {"lnbPower", [](const SatRecord& r) -> std::uint32_t { return r.lnbPower; }},
    {"position", [](const SatRecord& r) -> std::uint32_t { return r.position; }},
    // Not interpreted for satellites, but kept by the box.
    {"flagByte", [](const SatRecord& r) -> std::uint32_t { return FlagByteOf(r.entryWord); }},
};

constexpr NumberField<TpRecord> kTpNumbers[] = {
    {"tpId", [](const TpRecord& r) -> std::uint32_t { return r.tpId; }, true},
    {"satId", [](const TpRecord& r) -> std::uint32_t { return r.satId; }, true},
    {"opaque2", [](const TpRecord& r) -> std::uint32_t { return r.opaque2; }},
    {"frequency", [](const TpRecord& r) -> std::uint32_t { return r.frequency; }},
    {"polarisation", [](const TpRecord& r) -> std::uint32_t { return r.polarisation; }},
    {"symbolRate", [](const TpRecord& r) -> std::uint32_t { return r.symbolRate; }},
    {"flagByte", [](const TpRecord& r) -> std::uint32_t { return FlagByteOf(r.entryWord); }},
};

constexpr NumberField<ProgRecord> kProgNumbers[] = {
    {"satId", [](const ProgRecord& r) -> std::uint32_t { return r.satId; }, true},
    {"tpId", [](const ProgRecord& r) -> std::uint32_t { return r.tpId; }, true},
    {"serviceId", [](const ProgRecord& r) -> std::uint32_t { return r.serviceId; }},
    {"pcrPid", [](const ProgRecord& r) -> std::uint32_t { return r.pcrPid; }},
    {"scramble", [](const ProgRecord& r) -> std::uint32_t { return r.scramble; }},
    {"track", [](const ProgRecord& r) -> std::uint32_t { return r.track; }},
    {"opaque1", [](const ProgRecord& r) -> std::uint32_t { return r.opaque1; }},
    {"opaque13", [](const ProgRecord& r) -> std::uint32_t { return r.opaque13; }},
    {"opaque5", [](const ProgRecord& r) -> std::uint32_t { return r.opaque5; }},
    {"videoPid", [](const ProgRecord& r) -> std::uint32_t { return r.videoPid; }},
    // The video bits of a radio record, which that table does not decode.
    {"radioVideoBits", [](const ProgRecord& r) -> std::uint32_t { return r.radioVideoBits; }},
    {"audioPid", [](const ProgRecord& r) -> std::uint32_t { return r.audioPid; }},
    {"opaque3", [](const ProgRecord& r) -> std::uint32_t { return r.opaque3; }},
};

template <typename Record>
void CompareNumbers(std::span<const NumberField<Record>> fields, const Record& a, const Record& b,
                    DiffPairing pairing, std::vector<FieldChange>& changes)
{
    for (const NumberField<Record>& field : fields) {
        if (field.scanNumbering && pairing == DiffPairing::Channels)
            continue;
        const std::uint32_t before = field.get(a);
        const std::uint32_t after = field.get(b);
        if (before != after)
            changes.push_back({field.name, std::int64_t{before}, std::int64_t{after}, {}, {}});
    }
}

void CompareName(const char* field, const NameBytes& a, const NameBytes& b, std::vector<FieldChange>& changes)
{
    if (a != b)
        changes.push_back({field, {}, {}, a, b});
}

// Bytes as lower-case hex digits, two a byte.
std::string Hex(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}

// A program's entry flag byte, read as the editor shows it: the child lock,
// each favourite group, and bit 7, which is kept but not interpreted.
void CompareProgramFlags(std::uint8_t a, std::uint8_t b, std::vector<FieldChange>& changes)
{
    const auto lock = [](std::uint8_t flag) { return std::string(flag & 1 ? "unlocked" : "locked"); };
    if ((a & 1) != (b & 1))
        changes.push_back({"lock", lock(a), lock(b), {}, {}});
    for (std::size_t group = 0; group < kFavouriteGroupNames.size(); ++group) {
        const bool inBefore = InFavouriteGroup(a & 0x7E, group);
        const bool inAfter = InFavouriteGroup(b & 0x7E, group);
        if (inBefore == inAfter)
            continue;
        changes.push_back({kFavouriteGroupNames[group], std::string(inBefore ? "in" : "out"),
                           std::string(inAfter ? "in" : "out"), {}, {}});
    }
    if ((a & 0x80) != (b & 0x80))
        changes.push_back({"flagBit7", std::int64_t{a >> 7}, std::int64_t{b >> 7}, {}, {}});
}

// Record bytes no field decodes: program bytes 26..27, never written, and
// 28..35, kept as they stand.
void CompareUndecodedBytes(const DiffSide& a, std::uint32_t offsetA, const DiffSide& b, std::uint32_t offsetB,
                           std::vector<FieldChange>& changes)
{
    const auto recordA = a.image.Region<kProgRecordSize>(offsetA);
    const auto recordB = b.image.Region<kProgRecordSize>(offsetB);
    if (!recordA || !recordB)
        return;
    struct Span {
        std::size_t from, length;
        std::string_view field;
    };
    static constexpr Span kSpans[] = {{26, 2, "bytes26..27"}, {28, 8, "bytes28..35"}};
    for (const auto& [from, length, field] : kSpans) {
        const auto bytesA = recordA->subspan(from, length);
        const auto bytesB = recordB->subspan(from, length);
        if (!std::equal(bytesA.begin(), bytesA.end(), bytesB.begin()))
            changes.push_back({field, Hex(bytesA), Hex(bytesB), {}, {}});
    }
}

// Each appends the changes of one pair of records to `changes`.
void FieldChanges(const SatRecord& a, const SatRecord& b, const DiffSide&, const DiffSide&, DiffPairing pairing,
                  std::vector<FieldChange>& changes)
{
    CompareNumbers<SatRecord>(kSatNumbers, a, b, pairing, changes);
    CompareName("satName", a.satName, b.satName, changes);
}

void FieldChanges(const TpRecord& a, const TpRecord& b, const DiffSide&, const DiffSide&, DiffPairing pairing,
                  std::vector<FieldChange>& changes)
{
    CompareNumbers<TpRecord>(kTpNumbers, a, b, pairing, changes);
}

void FieldChanges(const ProgRecord& a, const ProgRecord& b, const DiffSide& sideA, const DiffSide& sideB,
                  DiffPairing pairing, std::vector<FieldChange>& changes)
{
    CompareNumbers<ProgRecord>(kProgNumbers, a, b, pairing, changes);
    CompareName("progName", a.progName, b.progName, changes);
    CompareProgramFlags(FlagByteOf(a.entryWord), FlagByteOf(b.entryWord), changes);
    CompareUndecodedBytes(sideA, RecordOffsetOf(a.entryWord), sideB, RecordOffsetOf(b.entryWord), changes);
}

std::optional<NameBytes> RecordName(const SatRecord& sat) { return sat.satName; }
std::optional<NameBytes> RecordName(const TpRecord&) { return std::nullopt; }
std::optional<NameBytes> RecordName(const ProgRecord& prog) { return prog.progName; }

template <typename Record>
TableDifference DiffTable(std::span<const Record> a, std::span<const Record> b, const DiffSide& sideA,
                          const DiffSide& sideB, const std::vector<std::uint32_t>* matched)
{
    const DiffPairing kind = matched ? DiffPairing::Channels : DiffPairing::Offsets;
    const Pairing pairing = matched ? PairByMatch(HeldOf(a), HeldOf(b), *matched) : Pair(HeldOf(a), HeldOf(b));
    const auto at = [](const Held& held, const Record& record) {
        return RecordAt{held.position, held.offset, RecordName(record)};
    };
    TableDifference table;
    for (const Held& h : pairing.removed)
        table.removed.push_back(at(h, a[h.index]));
    for (const Held& h : pairing.added)
        table.added.push_back(at(h, b[h.index]));

    std::vector<std::uint32_t> newPositions, oldPositions;
    newPositions.reserve(pairing.pairs.size());
    oldPositions.reserve(pairing.pairs.size());
    table.pairs.reserve(pairing.pairs.size());
    for (const auto& [before, after] : pairing.pairs) {
        newPositions.push_back(after.position);
        oldPositions.push_back(before.position);
        table.pairs.emplace_back(before.position, after.position);
    }
    const std::vector<bool> moved = MovedElements(newPositions, oldPositions);
    // A window compares anew after every action, thousands of pairs each
    // time: the changes of a pair are gathered in one vector kept for the
    // whole table, and each changed record takes a copy of its exact size.
    std::vector<FieldChange> changes;
    for (std::size_t k = 0; k < pairing.pairs.size(); ++k) {
        const auto& [before, after] = pairing.pairs[k];
        PairedRecord paired{at(before, a[before.index]), after.position, {}};
        if (moved[k])
            table.moved.push_back(paired);
        changes.clear();
        FieldChanges(a[before.index], b[after.index], sideA, sideB, kind, changes);
        if (!changes.empty()) {
            paired.fields.assign(std::make_move_iterator(changes.begin()), std::make_move_iterator(changes.end()));
            table.changed.push_back(std::move(paired));
        }
    }
    return table;
}

void CompareHeaderField(const std::string& where, const char* field, std::int64_t a, std::int64_t b,
                        std::vector<HeaderChange>& changes)
{
    if (a != b)
        changes.push_back({where, field, a, b});
}

std::vector<HeaderChange> HeaderChanges(const DiffSide& a, const DiffSide& b)
{
    std::vector<HeaderChange> changes;
    const std::string image = "image";
    CompareHeaderField(image, "fileSize", a.fileSize, b.fileSize, changes);
    CompareHeaderField(image, "layoutKind", a.image.layoutKind, b.image.layoutKind, changes);
    CompareHeaderField(image, "flashSize", a.image.flashSize, b.image.flashSize, changes);
    CompareHeaderField(image, "dirStart", a.image.dirStart, b.image.dirStart, changes);
    CompareHeaderField(image, "dirScanLength", a.image.dirScanLength, b.image.dirScanLength, changes);
    for (std::size_t id = 0; id < kDiffTableNames.size(); ++id) {
        const FoundBlock blockA = FindBlock(a.image, static_cast<BlockId>(id));
        const FoundBlock blockB = FindBlock(b.image, static_cast<BlockId>(id));
        const std::string where = std::string(kDiffTableNames[id]) + " block";
        CompareHeaderField(where, "offset", blockA.offset, blockB.offset, changes);
        CompareHeaderField(where, "entryCount", blockA.header.entryCount, blockB.header.entryCount, changes);
        CompareHeaderField(where, "reserved", blockA.header.reserved, blockB.header.reserved, changes);
    }
    return changes;
}

// Bytes that belong to a record or a directory block of either image.
class Coverage {
public:
    void Mark(std::uint64_t begin, std::uint64_t length)
    {
        const std::uint64_t end = std::min<std::uint64_t>(begin + length, covered_.size());
        for (std::uint64_t i = std::min<std::uint64_t>(begin, end); i < end; ++i)
            covered_[i] = true;
    }

    template <typename Record>
    void MarkRecords(std::span<const Record> records, std::size_t size)
    {
        for (const Record& record : records)
            Mark(RecordOffsetOf(record.entryWord), size);
    }

    bool Covered(std::size_t at) const { return covered_[at]; }

private:
    std::vector<bool> covered_ = std::vector<bool>(kImageCapacity, false);
};

Coverage CoverageOf(const DiffSide& a, const DiffSide& b)
{
    Coverage coverage;
    for (const DiffSide* side : {&a, &b}) {
        coverage.MarkRecords(side->db.Sats(), kSatRecordSize);
        coverage.MarkRecords(side->db.Tps(), kTpRecordSize);
        coverage.MarkRecords(side->db.TvProgs(), kProgRecordSize);
        coverage.MarkRecords(side->db.RadioProgs(), kProgRecordSize);
    }
    // A block's extent is the larger of the two, wherever each image has it.
    for (std::size_t id = 0; id < kDiffTableNames.size(); ++id) {
        const FoundBlock blockA = FindBlock(a.image, static_cast<BlockId>(id));
        const FoundBlock blockB = FindBlock(b.image, static_cast<BlockId>(id));
        const std::uint64_t extent =
            kBlockHeaderSize + std::uint64_t{kEntrySize} * std::max(blockA.header.entryCount, blockB.header.entryCount);
        for (const FoundBlock& block : {blockA, blockB})
            if (block.Found())
                coverage.Mark(block.offset, extent);
    }
    return coverage;
}

void CompareBytes(const DiffSide& a, const DiffSide& b, OutsideBytes outside, ImageDifference& difference)
{
    const auto length = static_cast<std::size_t>(
        std::min<std::int64_t>(std::max(a.fileSize, b.fileSize), static_cast<std::int64_t>(kImageCapacity)));
    difference.identical = a.fileSize == b.fileSize &&
                           std::equal(a.image.bytes.begin(), a.image.bytes.begin() + length, b.image.bytes.begin());
    if (difference.identical || outside == OutsideBytes::Skipped)
        return;
    const Coverage coverage = CoverageOf(a, b);
    for (std::size_t i = 0; i < length; ++i) {
        if (a.image.bytes[i] == b.image.bytes[i] || coverage.Covered(i))
            continue;
        ++difference.outsideBytes;
        ByteRange* last = difference.outside.empty() ? nullptr : &difference.outside.back();
        if (last && last->start + last->length == i)
            ++last->length;
        else
            difference.outside.push_back({static_cast<std::uint32_t>(i), 1});
    }
}

} // namespace

std::size_t ImageDifference::FieldChanges() const
{
    std::size_t n = 0;
    for (const TableDifference& table : tables)
        for (const PairedRecord& record : table.changed)
            n += record.fields.size();
    return n;
}

std::vector<bool> MovedElements(std::span<const std::uint32_t> newPositions,
                                std::span<const std::uint32_t> oldPositions)
{
    // The best increasing run ending at each record: longest first, then the
    // most records that stand where they stood, then the later record. A
    // Fenwick tree over the ranks of the new positions gives the best run
    // ending below a rank in logarithmic time. A window compares anew after
    // every action, so a run is one number whose order is that order:
    // length, standing records and the last record plus one (0: none), 21
    // bits each, room for more records than an image of 1 MiB can hold.
    constexpr unsigned kBits = 21;
    constexpr std::uint64_t kField = (std::uint64_t{1} << kBits) - 1;
    const std::size_t n = newPositions.size();
    if (n >= kField)
        throw std::length_error("MovedElements: more records than an image holds");
    const auto lengthOf = [](std::uint64_t run) { return run >> (2 * kBits); };
    const auto standingOf = [&](std::uint64_t run) { return (run >> kBits) & kField; };
    const auto lastOf = [&](std::uint64_t run) { return static_cast<std::size_t>(run & kField) - 1; };

    // Each record's rank among the new positions, which are distinct.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> byPosition(n);
    for (std::size_t i = 0; i < n; ++i)
        byPosition[i] = {newPositions[i], static_cast<std::uint32_t>(i)};
    std::sort(byPosition.begin(), byPosition.end());
    std::vector<std::uint32_t> rankOf(n);
    for (std::size_t r = 0; r < n; ++r)
        rankOf[byPosition[r].second] = static_cast<std::uint32_t>(r);

    std::vector<std::uint64_t> tree(n + 1, 0);
    std::vector<std::size_t> previous(n, SIZE_MAX);
    std::uint64_t best = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t rank = rankOf[i];
        std::uint64_t before = 0;  // the best run over the ranks below this one
        for (std::size_t k = rank; k > 0; k -= k & (~k + 1))
            before = std::max(before, tree[k]);
        previous[i] = before == 0 ? SIZE_MAX : lastOf(before);
        const bool standing = i < oldPositions.size() && oldPositions[i] == newPositions[i];
        const std::uint64_t run = ((lengthOf(before) + 1) << (2 * kBits)) |
                                  ((standingOf(before) + (standing ? 1u : 0u)) << kBits) | (i + 1);
        for (std::size_t k = rank + 1; k <= n; k += k & (~k + 1))
            tree[k] = std::max(tree[k], run);
        best = std::max(best, run);
    }
    std::vector<bool> moved(n, true);
    for (std::size_t i = best == 0 ? SIZE_MAX : lastOf(best); i != SIZE_MAX; i = previous[i])
        moved[i] = false;
    return moved;
}

std::vector<bool> MovedElements(std::span<const std::uint32_t> newPositions)
{
    std::vector<std::uint32_t> oldPositions(newPositions.size());
    for (std::uint32_t i = 0; i < oldPositions.size(); ++i)
        oldPositions[i] = i;
    return MovedElements(newPositions, oldPositions);
}

DiffPairing ChoosePairing(const DiffSide& a, const DiffSide& b)
{
    if (a.image.layoutKind != b.image.layoutKind || a.image.flashSize != b.image.flashSize ||
        a.image.dirStart != b.image.dirStart)
        return DiffPairing::Channels;
    std::size_t same = 0;
    const auto countSame = [&](std::span<const ProgRecord> x, std::span<const ProgRecord> y) {
        for (const auto& [before, after] : Pair(HeldOf(x), HeldOf(y)).pairs)
            if (x[before.index].serviceId == y[after.index].serviceId)
                ++same;
    };
    countSame(a.db.TvProgs(), b.db.TvProgs());
    countSame(a.db.RadioProgs(), b.db.RadioProgs());
    const std::size_t programs = std::max(a.db.TvProgs().size() + a.db.RadioProgs().size(),
                                          b.db.TvProgs().size() + b.db.RadioProgs().size());
    return 2 * same >= programs ? DiffPairing::Offsets : DiffPairing::Channels;
}

ImageDifference DiffImages(const DiffSide& a, const DiffSide& b, DiffPairing pairing, OutsideBytes outside,
                           const MatchOptions& matching)
{
    ImageDifference difference;
    difference.pairing = pairing;
    difference.header = HeaderChanges(a, b);
    std::optional<ChannelMatch> match;
    if (pairing == DiffPairing::Channels)
        match = MatchChannels(a.db, b.db, matching);
    const auto matched = [&](const auto& matching) { return match ? &matching.currentOf : nullptr; };
    const ChannelMatch none;
    const ChannelMatch& m = match ? *match : none;
    difference.tables[Index(BlockId::Satellites)] =
        DiffTable(a.db.Sats(), b.db.Sats(), a, b, matched(m.satellites));
    difference.tables[Index(BlockId::Transponders)] =
        DiffTable(a.db.Tps(), b.db.Tps(), a, b, matched(m.transponders));
    difference.tables[Index(BlockId::TvPrograms)] =
        DiffTable(a.db.TvProgs(), b.db.TvProgs(), a, b, matched(m.Programs(ProgTable::Tv)));
    difference.tables[Index(BlockId::RadioPrograms)] =
        DiffTable(a.db.RadioProgs(), b.db.RadioProgs(), a, b, matched(m.Programs(ProgTable::Radio)));
    CompareBytes(a, b, outside, difference);
    return difference;
}

} // namespace korvex
