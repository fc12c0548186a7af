#include "db/LoadDatabase.h"

#include "db/WriteGuard.h"

#include "db/HeldRecords.h"
#include "db/RecordCodec.h"

#include <algorithm>
#include <array>
#include <ranges>

namespace korvex {
namespace {

// Tallies per distinct id. Every record is compared with every other by id;
// tallying the matches per distinct id and then handing each record the tally
// of its id gives the same counts, duplicated ids included, in one pass over
// each table. Ids are 16-bit numbers, so a table indexed by the id itself
// finds an id's slot in one step.
template <std::size_t Capacity>
class IdTally {
public:
    explicit IdTally(std::ranges::input_range auto&& ids)
    {
        std::uint16_t slots = 0;
        for (const std::uint16_t id : ids) {
            if (slotOf_[id] == kNoSlot)
                slotOf_[id] = ++slots;
        }
    }

    void AddProgram(std::uint16_t id, bool isTv)
    {
        if (const std::uint16_t slot = slotOf_[id]; slot != kNoSlot)
            ++(isTv ? tv_ : radio_)[slot - 1];
    }

    void AddOther(std::uint16_t id)
    {
        if (const std::uint16_t slot = slotOf_[id]; slot != kNoSlot)
            ++other_[slot - 1];
    }

    // Only for ids the tally was built from.
    std::uint16_t Tv(std::uint16_t id) const { return tv_[slotOf_[id] - 1]; }
    std::uint16_t Radio(std::uint16_t id) const { return radio_[slotOf_[id] - 1]; }
    std::uint16_t Other(std::uint16_t id) const { return other_[slotOf_[id] - 1]; }

private:
    static constexpr std::uint16_t kNoSlot = 0;  // slots are stored from 1

    std::array<std::uint16_t, 0x10000> slotOf_{};
    std::array<std::uint16_t, Capacity> tv_{};
    std::array<std::uint16_t, Capacity> radio_{};
    std::array<std::uint16_t, Capacity> other_{};
};

// How many records of each array the database holds; every entry beyond them
// is zero.
struct HeldCounts {
    std::size_t sats, tps, allProgs, tvProgs, radioProgs;

    explicit HeldCounts(const ChannelDatabase& db)
        : sats(db.numSats), tps(db.numTps), allProgs(db.numProgs), tvProgs(db.numTv), radioProgs(db.numRadio)
    {
    }
};

template <typename Record, std::size_t N>
void ZeroFrom(std::array<Record, N>& records, std::size_t from, std::size_t to)
{
    if (from < to)
        std::fill(records.begin() + from, records.begin() + to, Record{});
}

// Zeroes the records that `before` held beyond the counts the database holds
// now. Records below the counts have just been decoded over, and entries
// beyond `before` are zero already, so a reload writes each byte of the
// arrays at most once instead of clearing them whole first.
void ZeroBeyondCounts(ChannelDatabase& db, const HeldCounts& before)
{
    const HeldCounts now(db);
    ZeroFrom(db.sats, now.sats, before.sats);
    ZeroFrom(db.tps, now.tps, before.tps);
    ZeroFrom(db.allProgs, now.allProgs, before.allProgs);
    ZeroFrom(db.tvProgs, now.tvProgs, before.tvProgs);
    ZeroFrom(db.radioProgs, now.radioProgs, before.radioProgs);
}

void ClearCounts(ChannelDatabase& db)
{
    db.numSats = db.numTps = db.numProgs = db.numTv = db.numRadio = 0;
    db.loadAccount = LoadAccount{};
}

void DecodeProgramEntry(std::span<const std::uint8_t, kProgRecordSize> bytes, ProgTable table, std::uint32_t k,
                        std::uint32_t entryWord, ProgRecord& prog)
{
    DecodeProg(bytes, table, prog);
    const std::uint8_t flag = FlagByteOf(entryWord);
    prog.entryWord = entryWord;
    prog.unlocked = flag & 0x01;
    prog.favBits = flag & 0x7E;
    prog.tableIndex = k;
}

void LoadSats(const FlashImage& image, ChannelDatabase& db)
{
    db.loadAccount.tables[0] = WalkHeldRecords<kSatRecordSize>(
        image, BlockId::Satellites, kMaxSats, [&](std::uint32_t k, std::uint32_t entryWord, auto bytes) {
            SatRecord& sat = db.sats[db.numSats++];
            DecodeSat(bytes, sat);
            sat.entryWord = entryWord;
            sat.tableIndex = k;
            return true;
        });
}

void LoadTps(const FlashImage& image, ChannelDatabase& db)
{
    db.loadAccount.tables[1] = WalkHeldRecords<kTpRecordSize>(
        image, BlockId::Transponders, kMaxTps, [&](std::uint32_t k, std::uint32_t entryWord, auto bytes) {
            TpRecord& tp = db.tps[db.numTps++];
            DecodeTp(bytes, tp);
            tp.entryWord = entryWord;
            tp.tableIndex = k;
            return true;
        });
}

void LoadPrograms(const FlashImage& image, ChannelDatabase& db)
{
    db.loadAccount.tables[2] = WalkHeldRecords<kProgRecordSize>(
        image, BlockId::TvPrograms, kMaxTv, [&](std::uint32_t k, std::uint32_t entryWord, auto bytes) {
            DecodeProgramEntry(bytes, ProgTable::Tv, k, entryWord, db.tvProgs[db.numTv++]);
            return true;
        });
    // allProgs holds TV then radio programs, 5000 in all: the radio table gets
    // what room the TV table leaves.
    const std::size_t radioRoom = std::min(kMaxRadio, kMaxProgs - db.numTv);
    db.loadAccount.tables[3] = WalkHeldRecords<kProgRecordSize>(
        image, BlockId::RadioPrograms, radioRoom,
        [&](std::uint32_t k, std::uint32_t entryWord, auto bytes) {
            DecodeProgramEntry(bytes, ProgTable::Radio, k, entryWord, db.radioProgs[db.numRadio++]);
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
    // The database starts empty: the counts here, the records they held once
    // decoding is done (or at once when the image is refused). satTps belongs
    // to the channel list, which fills it from entry 0; it is cleared whole.
    const HeldCounts before(db);
    ClearCounts(db);
    std::ranges::fill(db.satTps, TpRecord{});

    const LayoutFeatures features = FindLayoutFeatures(image);
    const std::uint32_t kind = features.Kind();
    if (kind != 0)
        image.layoutKind = kind;
    if (kind == 0 || !ApplyLayout(image, kind)) {
        ZeroBeyondCounts(db, before);
        image.guard.reset();
        return false;
    }

    LoadSats(image, db);
    LoadTps(image, db);
    LoadPrograms(image, db);
    ZeroBeyondCounts(db, before);
    CountRecords(db);
    image.guard = std::make_shared<const WriteGuard>(WriteGuard::Of(image, db, features));
    return true;
}

} // namespace korvex
