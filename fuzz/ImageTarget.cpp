// Fuzz target "image": any bytes, taken in as the file the user opened.
//
// The input stands for the file as pieces of bytes laid over zeros
// (fuzz/SparseFile.h), so that a small input is a mostly empty image, as real
// images are, and the fuzzer mutates kilobytes rather than a mebibyte.
//
// For every input the image is loaded, the database is checked against the
// image it was decoded from, every lookup and every list the window can show
// is run and formatted, the records are encoded back unchanged (the image must
// not change, and a record an edit could not save is refused), and then one satellite, one
// transponder, one TV and one radio program are edited in turn: each edit may
// change its own record's bytes and the flag byte of an entry that points at
// it, nothing else, and the reload that follows must equal a fresh load.

#include "db/ChannelDatabase.h"
#include "db/Encoders.h"
#include "db/FlashImage.h"
#include "db/LoadDatabase.h"
#include "db/Queries.h"
#include "db/RecordCodec.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/SparseFile.h"
#include "tests/support/LiteralCounting.h"
#include "ui/ChannelListModel.h"
#include "ui/ListState.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <random>
#include <span>
#include <vector>

using namespace korvex;
using korvex::fuzz::SparseFile;

namespace {

// Under libFuzzer's tracing the heaviest checks are bounded so that a run
// stays short; the corpus replay makes every check in full.
#ifdef KORVEX_UNDER_LIBFUZZER
constexpr std::size_t kMostPairsCountedLiterally = 4'000'000;
constexpr int kMostTransponderListsChecked = 48;
#else
constexpr std::size_t kMostPairsCountedLiterally = SIZE_MAX;
constexpr int kMostTransponderListsChecked = 0x10000;
#endif

struct Workspace {
    SparseFile file;
    FlashImage image;
    FlashImage before;            // the bytes as they stood before the step under test
    FlashImage loadedFrom;        // the bytes a reload was given
    ChannelDatabase db;
    ChannelDatabase other;        // a fresh load, or the counts done the literal way
    const ChannelDatabase empty{};
    std::array<TpRecord, kMaxSatTps> satTps{};
    std::array<ProgRecord, kTpProgBufferSize> tpProgs{};
    ChannelListModel model;
};

Workspace& Work()
{
    static auto* work = new Workspace;
    return *work;
}

std::uint32_t Be32At(const FlashImage& image, std::uint32_t at)
{
    return (std::uint32_t{image.bytes[at]} << 24) | (std::uint32_t{image.bytes[at + 1]} << 16) |
           (std::uint32_t{image.bytes[at + 2]} << 8) | image.bytes[at + 3];
}

bool Inside(std::uint32_t entryWord, std::size_t recordSize)
{
    return std::size_t{RecordOffsetOf(entryWord)} + recordSize <= kImageCapacity;
}

bool Overlaps(std::uint64_t aBegin, std::uint64_t aEnd, std::uint64_t bBegin, std::uint64_t bEnd)
{
    return aBegin < bEnd && bBegin < aEnd;
}

// Calls changed(offset) for every byte in which the two images differ.
template <typename Changed>
void ForEachChangedByte(const FlashImage& before, const FlashImage& after, Changed changed)
{
    constexpr std::size_t kChunk = 4096;
    for (std::size_t at = 0; at < kImageCapacity; at += kChunk) {
        if (std::memcmp(before.bytes.data() + at, after.bytes.data() + at, kChunk) == 0)
            continue;
        for (std::size_t i = at; i < at + kChunk; ++i)
            if (before.bytes[i] != after.bytes[i])
                changed(static_cast<std::uint32_t>(i));
    }
}

std::uint64_t Fold(const std::uint8_t* data, std::size_t size)
{
    std::uint64_t hash = 0xCBF29CE484222325ull ^ size;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        hash = (hash ^ word) * 0x100000001B3ull;
    }
    for (; i < size; ++i)
        hash = (hash ^ data[i]) * 0x100000001B3ull;
    return hash;
}

// ---- The database as the loader leaves it --------------------------------

template <typename Record, std::size_t N>
void CheckZeroFrom(const std::array<Record, N>& records, std::size_t from, const char* what)
{
    for (std::size_t i = from; i < N; ++i)
        KORVEX_FUZZ_CHECK(records[i] == Record{}, what);
}

void CheckCountsAndEmptyTails(const ChannelDatabase& db)
{
    KORVEX_FUZZ_CHECK(db.numSats <= kMaxSats, "more satellites than the table holds");
    KORVEX_FUZZ_CHECK(db.numTps <= kMaxTps, "more transponders than the table holds");
    KORVEX_FUZZ_CHECK(db.numTv <= kMaxTv, "more TV programs than the table holds");
    KORVEX_FUZZ_CHECK(db.numRadio <= kMaxRadio, "more radio programs than the table holds");
    KORVEX_FUZZ_CHECK(db.numProgs == db.numTv + db.numRadio && db.numProgs <= kMaxProgs,
                      "numProgs is not TV plus radio within 5000");
    CheckZeroFrom(db.sats, db.numSats, "a satellite beyond numSats is not zero");
    CheckZeroFrom(db.tps, db.numTps, "a transponder beyond numTps is not zero");
    CheckZeroFrom(db.allProgs, db.numProgs, "a program beyond numProgs is not zero");
    CheckZeroFrom(db.tvProgs, db.numTv, "a TV program beyond numTv is not zero");
    CheckZeroFrom(db.radioProgs, db.numRadio, "a radio program beyond numRadio is not zero");
    CheckZeroFrom(db.satTps, 0, "a load left transponders in satTps");
}

void CheckProgramTable(std::span<const ProgRecord> progs, bool radio)
{
    std::int64_t lastIndex = -1;
    for (const ProgRecord& prog : progs) {
        const std::uint8_t flag = FlagByteOf(prog.entryWord);
        KORVEX_FUZZ_CHECK(Inside(prog.entryWord, kProgRecordSize), "a program record outside the buffer was held");
        KORVEX_FUZZ_CHECK(prog.unlocked == (flag & 0x01) && prog.favBits == (flag & 0x7E),
                          "child lock or favourites differ from the entry's flag byte");
        KORVEX_FUZZ_CHECK(std::int64_t{prog.tableIndex} > lastIndex, "table indexes do not rise in entry order");
        lastIndex = prog.tableIndex;
        if (radio)
            KORVEX_FUZZ_CHECK(prog.videoPid == 0, "a radio-table program has a video PID");
    }
}

void CheckLoaded(const FlashImage& image, const ChannelDatabase& db, ChannelDatabase& literal)
{
    KORVEX_FUZZ_CHECK((image.layoutKind == 1 && image.flashSize == 0x80000 && image.dirStart == 0x70000) ||
                          (image.layoutKind == 2 && image.flashSize == 0x100000 &&
                           (image.dirStart == 0xD0000 || image.dirStart == 0xE0000)),
                      "layout, flash size and directory start do not agree");
    CheckCountsAndEmptyTails(db);
    for (const SatRecord& sat : db.Sats())
        KORVEX_FUZZ_CHECK(Inside(sat.entryWord, kSatRecordSize), "a satellite record outside the buffer was held");
    for (const TpRecord& tp : db.Tps())
        KORVEX_FUZZ_CHECK(Inside(tp.entryWord, kTpRecordSize), "a transponder record outside the buffer was held");
    CheckProgramTable(db.TvProgs(), false);
    CheckProgramTable(db.RadioProgs(), true);
    KORVEX_FUZZ_CHECK(std::equal(db.TvProgs().begin(), db.TvProgs().end(), db.allProgs.begin()) &&
                          std::equal(db.RadioProgs().begin(), db.RadioProgs().end(),
                                     db.allProgs.begin() + db.numTv),
                      "allProgs is not the TV table followed by the radio table");

    const std::size_t pairs = std::size_t{db.numProgs} * (db.numTps + db.numSats) + std::size_t{db.numTps} * db.numSats;
    if (pairs > kMostPairsCountedLiterally)
        return;
    literal = db;
    testing::LiteralCount(literal);
    for (std::size_t s = 0; s < db.numSats; ++s)
        KORVEX_FUZZ_CHECK(db.sats[s] == literal.sats[s], "a satellite's counts differ from counting every pair");
    for (std::size_t t = 0; t < db.numTps; ++t)
        KORVEX_FUZZ_CHECK(db.tps[t] == literal.tps[t], "a transponder's counts differ from counting every pair");
}

// A reload after an edit must leave exactly what a load into an empty
// database leaves.
void CheckReloadEqualsFreshLoad(Workspace& work, bool reloaded)
{
    work.other = work.empty;
    const bool fresh = LoadDatabase(work.image, work.other);
    KORVEX_FUZZ_CHECK(fresh == reloaded, "a reload and a fresh load of the same bytes disagree");
    const ChannelDatabase& a = work.db;
    const ChannelDatabase& b = work.other;
    KORVEX_FUZZ_CHECK(a.numSats == b.numSats && a.numTps == b.numTps && a.numTv == b.numTv &&
                          a.numRadio == b.numRadio && a.numProgs == b.numProgs && a.loadAccount == b.loadAccount,
                      "a reload's counts differ from a fresh load's");
    KORVEX_FUZZ_CHECK(a.sats == b.sats && a.tps == b.tps && a.satTps == b.satTps && a.allProgs == b.allProgs &&
                          a.tvProgs == b.tvProgs && a.radioProgs == b.radioProgs,
                      "a reload's records differ from a fresh load's");
}

// ---- Lookups and the lists the window shows -------------------------------

void ReadEveryCell(const ChannelListModel& model, int nameColumn)
{
    for (int c = 0; c < model.columnCount(); ++c)
        (void)model.headerData(c, Qt::Horizontal, Qt::DisplayRole);
    for (int r = 0; r < model.rowCount(); ++r) {
        for (int c = 0; c < model.columnCount(); ++c) {
            const QModelIndex index = model.index(r, c);
            const QString text = model.data(index, Qt::DisplayRole).toString();
            (void)model.data(index, Qt::TextAlignmentRole);
            if (c == nameColumn)
                KORVEX_FUZZ_CHECK(text.size() <= static_cast<qsizetype>(kNameBytes),
                                  "a name cell shows more than 12 characters");
        }
    }
}

bool PassesTab(const ProgRecord& prog, std::uint32_t radioMode)
{
    return radioMode == 0 ? prog.videoPid != 0 : prog.videoPid == 0;
}

void CheckLookupsAndLists(Workspace& work)
{
    const ChannelDatabase& db = work.db;
    ChannelListModel& model = work.model;

    // All satellites, as the list shows them with and without LNB names.
    model.BeginFill();
    model.SetColumns(SatelliteColumns());
    for (std::uint16_t i = 0; i < db.numSats; ++i)
        model.AppendSatellite(db.sats[i], i, static_cast<int>(SatelliteColumns().size()));
    if (db.numSats > 0) {
        model.AppendSatellite(db.sats[0], 0, 3);
        model.AppendSatellite(db.sats[0], 0, 4);
    }
    model.EndFill();
    ReadEveryCell(model, 1);

    // The transponders of each satellite; the lookup the transponder editor
    // makes for each satellite id it may meet.
    std::bitset<0x10000> seen;
    int unknownLookups = 0;
    auto expectSatIndex = [&](std::uint16_t satId) {
        std::uint16_t expected = kNoSatIndex;
        for (std::uint16_t i = 0; i < db.numSats; ++i) {
            if (db.sats[i].satId == satId) {
                expected = i;
                break;
            }
        }
        KORVEX_FUZZ_CHECK(FindSatIndex(work.image, satId) == expected,
                          "FindSatIndex disagrees with the loaded satellites");
    };
    TpRecord marker;
    marker.tpId = 0xBEEF;
    marker.frequency = 0x1234;
    for (std::uint16_t i = 0; i < db.numSats; ++i) {
        const std::uint16_t satId = db.sats[i].satId;
        if (seen[satId])
            continue;
        seen[satId] = true;
        expectSatIndex(satId);

        work.satTps.fill(marker);
        const std::size_t copied = CollectSatTps(db, work.satTps, satId);
        std::size_t matches = 0;
        for (const TpRecord& tp : db.Tps()) {
            if (tp.satId != satId)
                continue;
            if (matches < copied)
                KORVEX_FUZZ_CHECK(work.satTps[matches] == tp, "CollectSatTps copied the wrong transponder");
            ++matches;
        }
        KORVEX_FUZZ_CHECK(copied == std::min(matches, kMaxSatTps), "CollectSatTps copied the wrong number");
        for (std::size_t j = copied; j < kMaxSatTps; ++j)
            KORVEX_FUZZ_CHECK(work.satTps[j] == marker, "CollectSatTps wrote past what it copied");

        model.BeginFill();
        model.SetColumns(TransponderColumns());
        for (std::size_t j = 0; j < copied; ++j)
            model.AppendTransponder(work.satTps[j]);
        model.EndFill();
        ReadEveryCell(model, -1);
    }
    // A few ids that only transponders carry (the lookup walks the directory,
    // so it is not run for every one of thousands).
    for (const TpRecord& tp : db.Tps()) {
        if (unknownLookups == 16)
            break;
        if (seen[tp.satId])
            continue;
        seen[tp.satId] = true;
        ++unknownLookups;
        expectSatIndex(tp.satId);
    }

    // All programs under each tab.
    for (const std::uint32_t radioMode : {0u, 1u}) {
        model.BeginFill();
        model.SetColumns(ProgramColumns());
        std::size_t rows = 0;
        for (const ProgRecord& prog : db.AllProgs()) {
            if (rows == kMaxListRows)
                break;
            if (PassesTab(prog, radioMode)) {
                model.AppendProgram(prog);
                ++rows;
            }
        }
        model.EndFill();
        ReadEveryCell(model, 1);
    }

    // The programs of each transponder.
    std::bitset<0x10000> seenTp;
    ProgRecord progMarker;
    progMarker.serviceId = 0xBEEF;
    int transpondersListed = 0;
    for (const TpRecord& tp : db.Tps()) {
        if (seenTp[tp.tpId])
            continue;
        seenTp[tp.tpId] = true;
        if (++transpondersListed > kMostTransponderListsChecked)
            break;
        work.tpProgs.fill(progMarker);
        const std::size_t copied = CollectTpProgs(db, work.tpProgs, tp.tpId);
        std::size_t matches = 0;
        for (const ProgRecord& prog : db.AllProgs()) {
            if (prog.tpId != tp.tpId)
                continue;
            if (matches < copied)
                KORVEX_FUZZ_CHECK(work.tpProgs[matches] == prog, "CollectTpProgs copied the wrong program");
            ++matches;
        }
        KORVEX_FUZZ_CHECK(copied == std::min(matches, kTpProgBufferSize), "CollectTpProgs copied the wrong number");
        for (std::size_t j = copied; j < kTpProgBufferSize; ++j)
            KORVEX_FUZZ_CHECK(work.tpProgs[j] == progMarker, "CollectTpProgs wrote past what it copied");

        model.BeginFill();
        model.SetColumns(ProgramColumns());
        for (std::size_t j = 0; j < copied; ++j)
            model.AppendProgram(work.tpProgs[j]);
        model.EndFill();
        ReadEveryCell(model, 1);
    }
}

// ---- Writing records back --------------------------------------------------

// Each program's encode searches the directory for its entry, which makes a
// table of hundreds slow to write back whole under libFuzzer's tracing. There
// every record of a small table is written back, and of a large one the first
// and the last records, where the directory's edges are.
std::vector<std::size_t> ProgramsToEncode(std::size_t count)
{
#ifdef KORVEX_UNDER_LIBFUZZER
    constexpr std::size_t kFirst = 24;
    constexpr std::size_t kLast = 8;
#else
    constexpr std::size_t kFirst = SIZE_MAX / 2;
    constexpr std::size_t kLast = 0;
#endif
    std::vector<std::size_t> chosen;
    for (std::size_t k = 0; k < count; ++k)
        if (k < kFirst || k + kLast >= count)
            chosen.push_back(k);
    return chosen;
}

void CheckUnchangedRecordsEncodeToTheSameBytes(Workspace& work)
{
    FlashImage& image = work.image;
    const ChannelDatabase& db = work.db;
    work.before.bytes = image.bytes;

    for (const SatRecord& sat : db.Sats())
        KORVEX_FUZZ_CHECK(EncodeSat(image, sat) == IsSavable(image, sat), "a held satellite could not be encoded");
    for (const TpRecord& tp : db.Tps())
        KORVEX_FUZZ_CHECK(EncodeTp(image, tp) == IsSavable(image, tp), "a held transponder could not be encoded");
    for (const std::size_t k : ProgramsToEncode(db.numTv))
        KORVEX_FUZZ_CHECK(EncodeProg(image, db.tvProgs[k]) == IsSavable(image, db.tvProgs[k]),
                          "a held TV program could not be encoded");
    for (const std::size_t k : ProgramsToEncode(db.numRadio))
        KORVEX_FUZZ_CHECK(EncodeProg(image, db.radioProgs[k]) == IsSavable(image, db.radioProgs[k]),
                          "a held radio program could not be encoded");
    KORVEX_FUZZ_CHECK(std::memcmp(work.before.bytes.data(), image.bytes.data(), kImageCapacity) == 0,
                      "encoding unchanged records changed the image");
}

// Entries of either program block, as the image stands, that point at the
// record at recordOffset: the entry whose flag byte an edit may rewrite.
void AddFlagBytesPointingAt(const FlashImage& image, std::uint32_t recordOffset, std::vector<std::uint32_t>& out)
{
    for (const BlockId id : {BlockId::TvPrograms, BlockId::RadioPrograms}) {
        const FoundBlock block = FindBlock(image, id);
        const std::uint32_t entries = block.EntriesInsideBuffer();
        for (std::uint32_t k = 0; k < entries; ++k) {
            const std::uint32_t at = block.offset + kBlockHeaderSize + kEntrySize * k;
            if (RecordOffsetOf(Be32At(image, at)) == recordOffset)
                out.push_back(at);
        }
    }
}

bool OverlapsAProgramDirectory(const FlashImage& image, std::uint32_t begin, std::uint32_t end)
{
    for (const BlockId id : {BlockId::TvPrograms, BlockId::RadioPrograms}) {
        const FoundBlock block = FindBlock(image, id);
        if (block.Found() &&
            Overlaps(begin, end, block.offset, std::uint64_t{block.offset} + kBlockHeaderSize +
                                                   std::uint64_t{kEntrySize} * block.EntriesInsideBuffer()))
            return true;
    }
    return false;
}

void CheckOnlyTheseBytesChanged(const Workspace& work, std::uint32_t begin, std::uint32_t end,
                                const std::vector<std::uint32_t>& flagBytes)
{
    ForEachChangedByte(work.before, work.image, [&](std::uint32_t offset) {
        const bool inRecord = offset >= begin && offset < end;
        const bool aFlag = std::find(flagBytes.begin(), flagBytes.end(), offset) != flagBytes.end();
        KORVEX_FUZZ_CHECK(inRecord || aFlag, "an edit changed a byte outside its record and its entry's flag byte");
    });
}

// After every committed edit the window loads the image again.
bool Reload(Workspace& work)
{
    work.loadedFrom.bytes = work.image.bytes;
    const bool loaded = LoadDatabase(work.image, work.db);
    KORVEX_FUZZ_CHECK(std::memcmp(work.loadedFrom.bytes.data(), work.image.bytes.data(), kImageCapacity) == 0,
                      "loading changed the image");
    CheckCountsAndEmptyTails(work.db);
    return loaded;
}

class Randomiser {
public:
    explicit Randomiser(std::uint64_t seed) : rng_(static_cast<std::mt19937::result_type>(seed ^ (seed >> 32))) {}
    unsigned Bits(unsigned n) { return static_cast<unsigned>(rng_()) & ((1u << n) - 1u); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(rng_()); }
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(rng_() % n); }
    NameBytes Name()
    {
        NameBytes name;
        for (auto& b : name)
            b = static_cast<std::uint8_t>(rng_());
        return name;
    }

private:
    std::mt19937 rng_;
};

bool EditSatellite(Workspace& work, Randomiser& random)
{
    if (work.db.numSats == 0)
        return true;
    const std::uint16_t index = static_cast<std::uint16_t>(random.Below(work.db.numSats));
    SatRecord sat = work.db.sats[index];
    sat.satId = random.U16();
    sat.longitude = random.U16();
    sat.lnbFreLow = random.U16();
    sat.lnbFreHigh = random.U16();
    sat.power012V = random.Bits(1);
    sat.tone22K = random.Bits(1);
    sat.diseqc10 = random.Bits(3);
    sat.diseqc12En = random.Bits(1);
    sat.lnbType = random.Bits(2);
    sat.lnbPower = random.Bits(2);
    sat.position = random.Bits(6);
    sat.satName = random.Name();

    const std::uint32_t at = RecordOffsetOf(sat.entryWord);
    work.before.bytes = work.image.bytes;
    const bool savable = IsSavable(work.image, sat);
    KORVEX_FUZZ_CHECK(EncodeSat(work.image, sat) == savable, "a held satellite could not be encoded");
    CheckOnlyTheseBytesChanged(work, at, at + kSatRecordSize, {});
    if (!Reload(work))
        return false;
    if (index < work.db.numSats && work.db.sats[index].entryWord == sat.entryWord) {
        const SatRecord& back = work.db.sats[index];
        sat.tpCount = back.tpCount;
        sat.tvCount = back.tvCount;
        sat.radioCount = back.radioCount;
        KORVEX_FUZZ_CHECK(back == sat, "an edited satellite does not read back as written");
    }
    return true;
}

bool EditTransponder(Workspace& work, Randomiser& random)
{
    if (work.db.numTps == 0)
        return true;
    const std::uint16_t index = static_cast<std::uint16_t>(random.Below(work.db.numTps));
    TpRecord tp = work.db.tps[index];
    tp.tpId = random.U16();
    tp.satId = random.Bits(14);
    tp.opaque2 = random.Bits(2);
    tp.frequency = random.Bits(14);
    tp.polarisation = random.Bits(2);
    tp.symbolRate = random.U16();

    const std::uint32_t at = RecordOffsetOf(tp.entryWord);
    work.before.bytes = work.image.bytes;
    const bool savable = IsSavable(work.image, tp);
    KORVEX_FUZZ_CHECK(EncodeTp(work.image, tp) == savable, "a held transponder could not be encoded");
    CheckOnlyTheseBytesChanged(work, at, at + kTpRecordSize, {});
    if (!Reload(work))
        return false;
    if (index < work.db.numTps && work.db.tps[index].entryWord == tp.entryWord) {
        const TpRecord& back = work.db.tps[index];
        tp.tvCount = back.tvCount;
        tp.radioCount = back.radioCount;
        KORVEX_FUZZ_CHECK(back == tp, "an edited transponder does not read back as written");
    }
    return true;
}

bool EditProgram(Workspace& work, Randomiser& random, bool radio)
{
    const std::span<const ProgRecord> table = radio ? work.db.RadioProgs() : work.db.TvProgs();
    if (table.empty())
        return true;
    const std::size_t index = random.Below(static_cast<std::uint32_t>(table.size()));
    ProgRecord prog = table[index];
    prog.satId = random.U16();
    prog.tpId = random.U16();
    prog.serviceId = random.U16();
    prog.pcrPid = random.Bits(13);
    prog.scramble = random.Bits(1);
    prog.track = random.Bits(2);
    prog.opaque1 = random.Bits(1);
    prog.opaque13 = random.Bits(13);
    prog.opaque5 = random.Bits(5);
    prog.videoPid = random.Bits(13);
    prog.audioPid = random.Bits(13);
    prog.opaque3 = random.Bits(3);
    prog.progName = random.Name();
    prog.tailWords = {random.U16() * 0x10001u, random.U16() * 0x10003u};
    prog.unlocked = static_cast<std::uint8_t>(random.Bits(1));
    prog.favBits = static_cast<std::uint8_t>(random.Bits(8) & 0x7E);

    const std::uint32_t at = RecordOffsetOf(prog.entryWord);
    const std::uint32_t end = at + static_cast<std::uint32_t>(kProgRecordSize);
    const auto newFlag = static_cast<std::uint8_t>((FlagByteOf(prog.entryWord) & 0x80) | prog.unlocked | prog.favBits);
    std::vector<std::uint32_t> flagBytes;
    AddFlagBytesPointingAt(work.image, at, flagBytes);
    const bool directoryUnderRecord = OverlapsAProgramDirectory(work.image, at, end);
    const bool savable = IsSavable(work.image, prog);

    work.before.bytes = work.image.bytes;
    const bool encoded = EncodeProg(work.image, prog);
    AddFlagBytesPointingAt(work.image, at, flagBytes);
    KORVEX_FUZZ_CHECK(encoded || directoryUnderRecord || !savable, "an edited program's flag byte found no entry");
    CheckOnlyTheseBytesChanged(work, at, end, flagBytes);
    bool flagWritten = false;
    bool flagInsideRecord = false;
    for (const std::uint32_t flagAt : flagBytes) {
        flagWritten = flagWritten || work.image.bytes[flagAt] == newFlag;
        flagInsideRecord = flagInsideRecord || (flagAt >= at && flagAt < end);
    }
    KORVEX_FUZZ_CHECK(!encoded || flagWritten, "an edited program's flag byte was not written");
    KORVEX_FUZZ_CHECK(std::memcmp(work.before.bytes.data() + at + 26, work.image.bytes.data() + at + 26, 2) == 0 ||
                          flagInsideRecord,
                      "an edit wrote program bytes 26..27");
    if (!Reload(work))
        return false;

    const std::span<const ProgRecord> after = radio ? work.db.RadioProgs() : work.db.TvProgs();
    if (!flagInsideRecord && index < after.size() && RecordOffsetOf(after[index].entryWord) == at) {
        const ProgRecord& back = after[index];
        prog.entryWord = back.entryWord;
        prog.unlocked = back.unlocked;
        prog.favBits = back.favBits;
        prog.tableIndex = back.tableIndex;
        if (radio)
            prog.videoPid = 0;
        KORVEX_FUZZ_CHECK(back == prog, "an edited program does not read back as written");
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Workspace& work = Work();
    work.file.Decode(std::span(data, size));
    const std::span<const std::uint8_t> file = work.file.Bytes();

    // Every input starts from a program that has just started.
    work.image.bytes.fill(0);
    work.image.flashSize = 0;
    work.image.fileOpened = 0;
    work.image.layoutKind = 0;
    work.image.dirStart = 0;
    work.image.dirScanLength = kInitialDirScanLength;
    work.db = work.empty;

    if (!TakeInBytes(work.image, file)) {
        KORVEX_FUZZ_CHECK(file.size() > kImageCapacity, "a file of at most 1 MiB was refused");
        KORVEX_FUZZ_CHECK(work.image.fileOpened == 0, "a refused file was taken in");
        return 0;
    }
    KORVEX_FUZZ_CHECK(file.size() <= kImageCapacity, "a file over 1 MiB was taken in");
    KORVEX_FUZZ_CHECK(std::memcmp(work.image.bytes.data(), file.data(), file.size()) == 0 &&
                          std::all_of(work.image.bytes.begin() + static_cast<std::ptrdiff_t>(file.size()),
                                      work.image.bytes.end(), [](std::uint8_t b) { return b == 0; }),
                      "the buffer is not the file followed by zeros");

    work.before.bytes = work.image.bytes;
    const bool loaded = LoadDatabase(work.image, work.db);
    KORVEX_FUZZ_CHECK(std::memcmp(work.before.bytes.data(), work.image.bytes.data(), kImageCapacity) == 0,
                      "loading changed the image");
    if (!loaded) {
        KORVEX_FUZZ_CHECK(work.image.flashSize == 0, "a refused image set the flash size");
        CheckCountsAndEmptyTails(work.db);
        KORVEX_FUZZ_CHECK(work.db.numSats + work.db.numTps + work.db.numProgs == 0, "a refused image left records");
        return 0;
    }
    CheckLoaded(work.image, work.db, work.other);
    CheckLookupsAndLists(work);
    CheckUnchangedRecordsEncodeToTheSameBytes(work);

    // The edits start again from the file's own bytes, which the database
    // still decodes: encoding never touches it.
    work.image.bytes = work.before.bytes;
    Randomiser random(Fold(data, size));
    const bool stillLoaded = EditSatellite(work, random) && EditTransponder(work, random) &&
                             EditProgram(work, random, false) && EditProgram(work, random, true);
    // Each edit was followed by a reload into the full database; the last
    // one must leave what a load into an empty database leaves.
    CheckReloadEqualsFreshLoad(work, stillLoaded);
    return 0;
}
