#include "db/LoadDatabase.h"

#include "db/HeldRecords.h"
#include "db/RecordCodec.h"

#include <algorithm>
#include <array>
#include <optional>
#include <ranges>

namespace korvex {
namespace {

// The distinct values among a set of ids, sorted, each with a tally per kind
// of match. The counting compares every program with every transponder and
// satellite; tallying per distinct id and then handing each record the tally
// of its id gives the same counts in O(n log n), duplicated ids included.
template <std::size_t Capacity>
class IdTally {
public:
    explicit IdTally(std::ranges::input_range auto&& ids)
    {
        for (const std::uint16_t id : ids)
            ids_[size_++] = id;
        std::sort(ids_.begin(), ids_.begin() + size_);
        size_ = static_cast<std::size_t>(std::unique(ids_.begin(), ids_.begin() + size_) -
                                         ids_.begin());
    }

    std::optional<std::size_t> SlotOf(std::uint32_t id) const
    {
        const auto end = ids_.begin() + size_;
        const auto it = std::lower_bound(ids_.begin(), end, id);
        if (it == end || *it != id)
            return std::nullopt;
        return static_cast<std::size_t>(it - ids_.begin());
    }

    void AddProgram(std::uint32_t id, bool isTv)
    {
        if (const auto slot = SlotOf(id))
            ++(isTv ? tv_ : radio_)[*slot];
    }

    void AddOther(std::uint32_t id)
    {
        if (const auto slot = SlotOf(id))
            ++other_[*slot];
    }

    std::uint16_t Tv(std::uint32_t id) const { return At(tv_, id); }
    std::uint16_t Radio(std::uint32_t id) const { return At(radio_, id); }
    std::uint16_t Other(std::uint32_t id) const { return At(other_, id); }

private:
    std::uint16_t At(const std::array<std::uint16_t, Capacity>& tally, std::uint32_t id) const
    {
        const auto slot = SlotOf(id);
        return slot ? tally[*slot] : std::uint16_t{0};
    }

    std::array<std::uint16_t, Capacity> ids_{};
    std::size_t size_ = 0;
    std::array<std::uint16_t, Capacity> tv_{};
    std::array<std::uint16_t, Capacity> radio_{};
    std::array<std::uint16_t, Capacity> other_{};
};

void ClearDatabase(ChannelDatabase& db)
{
    std::ranges::fill(db.sats, SatRecord{});
    std::ranges::fill(db.tps, TpRecord{});
    std::ranges::fill(db.satTps, TpRecord{});
    std::ranges::fill(db.allProgs, ProgRecord{});
    std::ranges::fill(db.tvProgs, ProgRecord{});
    std::ranges::fill(db.radioProgs, ProgRecord{});
    db.numSats = db.numTps = db.numProgs = db.numTv = db.numRadio = 0;
    db.loadAccount = LoadAccount{};
}

ProgRecord ProgramFromEntry(std::span<const std::uint8_t, kProgRecordSize> bytes, ProgTable table,
                            std::uint32_t k, std::uint32_t entryWord)
{
    ProgRecord prog = DecodeProg(bytes, table);
    const std::uint8_t flag = FlagByteOf(entryWord);
    prog.entryWord = entryWord;
    prog.unlocked = flag & 0x01;
    prog.favBits = flag & 0x7E;
    prog.tableIndex = static_cast<std::uint16_t>(k);
    return prog;
}

void LoadSats(const FlashImage& image, ChannelDatabase& db)
{
    db.loadAccount.tables[0] = WalkHeldRecords<kSatRecordSize>(
        image, BlockId::Satellites, kMaxSats, [&](std::uint32_t, std::uint32_t entryWord, auto bytes) {
            SatRecord& sat = db.sats[db.numSats++];
            sat = DecodeSat(bytes);
            sat.entryWord = entryWord;
            return true;
        });
}

void LoadTps(const FlashImage& image, ChannelDatabase& db)
{
    db.loadAccount.tables[1] = WalkHeldRecords<kTpRecordSize>(
        image, BlockId::Transponders, kMaxTps, [&](std::uint32_t, std::uint32_t entryWord, auto bytes) {
            TpRecord& tp = db.tps[db.numTps++];
            tp = DecodeTp(bytes);
            tp.entryWord = entryWord;
            return true;
        });
}

void LoadPrograms(const FlashImage& image, ChannelDatabase& db)
{
    db.loadAccount.tables[2] = WalkHeldRecords<kProgRecordSize>(
        image, BlockId::TvPrograms, kMaxTv, [&](std::uint32_t k, std::uint32_t entryWord, auto bytes) {
            db.tvProgs[db.numTv++] = ProgramFromEntry(bytes, ProgTable::Tv, k, entryWord);
            return true;
        });
    // allProgs holds TV then radio programs, 5000 in all: the radio table gets
    // what room the TV table leaves.
    const std::size_t radioRoom = std::min(kMaxRadio, kMaxProgs - db.numTv);
    db.loadAccount.tables[3] = WalkHeldRecords<kProgRecordSize>(
        image, BlockId::RadioPrograms, radioRoom,
        [&](std::uint32_t k, std::uint32_t entryWord, auto bytes) {
            db.radioProgs[db.numRadio++] = ProgramFromEntry(bytes, ProgTable::Radio, k, entryWord);
            return true;
        });

    const auto afterTv = std::copy_n(db.tvProgs.begin(), db.numTv, db.allProgs.begin());
    std::copy_n(db.radioProgs.begin(), db.numRadio, afterTv);
    db.numProgs = static_cast<std::uint16_t>(db.numTv + db.numRadio);
}

} // namespace

void CountRecords(ChannelDatabase& db)
{
    IdTally<kMaxSats> bySat(db.Sats() | std::views::transform(&SatRecord::satId));
    IdTally<kMaxTps> byTp(db.Tps() | std::views::transform(&TpRecord::tpId));

    for (const TpRecord& tp : db.Tps())
        bySat.AddOther(tp.satId);
    for (const ProgRecord& prog : db.AllProgs()) {
        byTp.AddProgram(prog.tpId, prog.IsTv());
        bySat.AddProgram(prog.satId, prog.IsTv());
    }

    for (SatRecord& sat : std::span(db.sats.data(), db.numSats)) {
        sat.tpCount = bySat.Other(sat.satId);
        sat.tvCount = bySat.Tv(sat.satId);
        sat.radioCount = bySat.Radio(sat.satId);
    }
    for (TpRecord& tp : std::span(db.tps.data(), db.numTps)) {
        tp.tvCount = byTp.Tv(tp.tpId);
        tp.radioCount = byTp.Radio(tp.tpId);
    }
}

bool LoadDatabase(FlashImage& image, ChannelDatabase& db)
{
    ClearDatabase(db);
    const std::uint32_t kind = DetectLayout(image);
    if (kind == 0)
        return false;
    image.layoutKind = kind;
    if (!ApplyLayout(image, kind))
        return false;

    LoadSats(image, db);
    LoadTps(image, db);
    LoadPrograms(image, db);
    CountRecords(db);
    return true;
}

} // namespace korvex
