// Fuzz target "image": any bytes, taken in as the file the user opened.
//
// The input stands for the file as pieces of bytes laid over zeros
// (fuzz/SparseFile.h), so that a small input is a mostly empty image, as real
// images are, and the fuzzer mutates kilobytes rather than a mebibyte.
//
// For every input the image is loaded, the database is checked against the
// image it was decoded from, every lookup and every list the window can show
// is run and formatted, the records are encoded back unchanged (the image must
// not change, and a record an edit could not save is refused), and then one
// satellite, one transponder, one TV and one radio program are edited in turn:
// a satellite or transponder edit may change its own record's bytes, a program
// edit its record's bytes and the flag byte of its own directory entry (entry
// tableIndex of its own table), nothing else, and the reload that follows must
// equal a fresh load.
//
// The checks cost little beside the code they check. The bytes the image must
// hold are kept beside it, the file's bytes at first; a step that may write
// hands over to them only the bytes it may write, and one comparison of the
// two buffers then checks every byte of the image. Nothing copies or clears a
// whole image or database per step, and record arrays are compared byte for
// byte first, record by record only where their bytes differ.

#include "db/ChannelDatabase.h"
#include "db/Encoders.h"
#include "db/FlashImage.h"
#include "db/LoadDatabase.h"
#include "db/Queries.h"
#include "db/RecordCodec.h"
#include "db/WriteGuard.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/SparseFile.h"
#include "tests/support/LiteralCounting.h"
#include "ui/list/ChannelListModel.h"
#include "app/ListState.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <optional>
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

// A buffer that a lookup copies records into, holding a marker record
// everywhere else, so that a record written past those the lookup says it
// copied shows. Only the records copied are put back to the marker after each
// lookup, rather than the whole buffer.
template <typename Record, std::size_t N>
class MarkedBuffer {
public:
    explicit MarkedBuffer(const Record& marker) : marker_(marker)
    {
        buffer_.fill(marker);
        markers_.fill(marker);
    }

    std::span<Record, N> Buffer() { return buffer_; }
    const Record& operator[](std::size_t i) const { return buffer_[i]; }

    // Every record from `copied` on is still the marker: its bytes are the
    // marker's, or else it equals the marker field by field.
    bool MarkedFrom(std::size_t copied) const
    {
        return std::memcmp(buffer_.data() + copied, markers_.data() + copied, (N - copied) * sizeof(Record)) == 0 ||
               std::all_of(buffer_.begin() + static_cast<std::ptrdiff_t>(copied), buffer_.end(),
                           [this](const Record& record) { return record == marker_; });
    }

    void Remark(std::size_t copied) { std::copy_n(markers_.begin(), copied, buffer_.begin()); }

private:
    Record marker_;
    std::array<Record, N> buffer_;
    std::array<Record, N> markers_;
};

TpRecord SatTpMarker()
{
    TpRecord marker;
    marker.tpId = 0xBEEF;
    marker.frequency = 0x1234;
    return marker;
}

ProgRecord TpProgMarker()
{
    ProgRecord marker;
    marker.serviceId = 0xBEEF;
    return marker;
}

struct Workspace {
    SparseFile file;
    FlashImage image;
    // The bytes the image must hold: the file followed by zeros, and then what
    // each edit must write; and the layout the last load found.
    FlashImage expected;
    ChannelDatabase db;
    ChannelDatabase other;        // a fresh load, or the counts done the literal way
    const ChannelDatabase empty{};
    MarkedBuffer<TpRecord, kMaxSatTps> satTps{SatTpMarker()};
    MarkedBuffer<ProgRecord, kTpProgBufferSize> tpProgs{TpProgMarker()};
    ChannelListModel model;
    int reloads = 0;              // of this input, one after each edit
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

// True when all `size` bytes at `data` are zero: the first is, and each of
// the others equals the one before it.
bool AllZero(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return size == 0 || (bytes[0] == 0 && std::memcmp(bytes, bytes + 1, size - 1) == 0);
}

void CheckImageAsExpected(const Workspace& work, const char* what)
{
    KORVEX_FUZZ_CHECK(std::memcmp(work.image.bytes.data(), work.expected.bytes.data(), kImageCapacity) == 0, what);
}

// Record arrays whose bytes are equal are equal; only arrays whose bytes
// differ (in a record, or in padding between fields) are compared record by
// record.
template <typename Record, std::size_t N>
bool SameRecords(const std::array<Record, N>& a, const std::array<Record, N>& b)
{
    return std::memcmp(a.data(), b.data(), sizeof a) == 0 || a == b;
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

// Records whose bytes are all zero are empty; only where some byte is not
// (padding between fields need not be zero) are they compared field by field.
template <typename Record, std::size_t N>
void CheckZeroFrom(const std::array<Record, N>& records, std::size_t from, const char* what)
{
    if (from >= N || AllZero(records.data() + from, (N - from) * sizeof(Record)))
        return;
    static const Record kEmpty{};
    for (std::size_t i = from; i < N; ++i)
        KORVEX_FUZZ_CHECK(records[i] == kEmpty, what);
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

// The records the counting pass reads, and their numbers: all that the
// literal count needs.
void CopyHeldRecords(const ChannelDatabase& db, ChannelDatabase& into)
{
    std::copy_n(db.sats.begin(), db.numSats, into.sats.begin());
    std::copy_n(db.tps.begin(), db.numTps, into.tps.begin());
    std::copy_n(db.allProgs.begin(), db.numProgs, into.allProgs.begin());
    into.numSats = db.numSats;
    into.numTps = db.numTps;
    into.numProgs = db.numProgs;
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
    CopyHeldRecords(db, literal);
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
    KORVEX_FUZZ_CHECK(SameRecords(a.sats, b.sats) && SameRecords(a.tps, b.tps) && SameRecords(a.satTps, b.satTps) &&
                          SameRecords(a.allProgs, b.allProgs) && SameRecords(a.tvProgs, b.tvProgs) &&
                          SameRecords(a.radioProgs, b.radioProgs),
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
    for (std::uint16_t i = 0; i < db.numSats; ++i) {
        const std::uint16_t satId = db.sats[i].satId;
        if (seen[satId])
            continue;
        seen[satId] = true;
        expectSatIndex(satId);

        const std::size_t copied = CollectSatTps(db, work.satTps.Buffer(), satId);
        std::size_t matches = 0;
        for (const TpRecord& tp : db.Tps()) {
            if (tp.satId != satId)
                continue;
            if (matches < copied)
                KORVEX_FUZZ_CHECK(work.satTps[matches] == tp, "CollectSatTps copied the wrong transponder");
            ++matches;
        }
        KORVEX_FUZZ_CHECK(copied == std::min(matches, kMaxSatTps), "CollectSatTps copied the wrong number");
        KORVEX_FUZZ_CHECK(work.satTps.MarkedFrom(copied), "CollectSatTps wrote past what it copied");

        model.BeginFill();
        model.SetColumns(TransponderColumns());
        for (std::size_t j = 0; j < copied; ++j)
            model.AppendTransponder(work.satTps[j]);
        model.EndFill();
        work.satTps.Remark(copied);
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
    int transpondersListed = 0;
    for (const TpRecord& tp : db.Tps()) {
        if (seenTp[tp.tpId])
            continue;
        seenTp[tp.tpId] = true;
        if (++transpondersListed > kMostTransponderListsChecked)
            break;
        const std::size_t copied = CollectTpProgs(db, work.tpProgs.Buffer(), tp.tpId);
        std::size_t matches = 0;
        for (const ProgRecord& prog : db.AllProgs()) {
            if (prog.tpId != tp.tpId)
                continue;
            if (matches < copied)
                KORVEX_FUZZ_CHECK(work.tpProgs[matches] == prog, "CollectTpProgs copied the wrong program");
            ++matches;
        }
        KORVEX_FUZZ_CHECK(copied == std::min(matches, kTpProgBufferSize), "CollectTpProgs copied the wrong number");
        KORVEX_FUZZ_CHECK(work.tpProgs.MarkedFrom(copied), "CollectTpProgs wrote past what it copied");

        model.BeginFill();
        model.SetColumns(ProgramColumns());
        for (std::size_t j = 0; j < copied; ++j)
            model.AppendProgram(work.tpProgs[j]);
        model.EndFill();
        work.tpProgs.Remark(copied);
        ReadEveryCell(model, 1);
    }
}

// ---- Writing records back ---------------------------------------------------

// Save writes the first flashSize bytes of the buffer: an edit is refused, and
// writes nothing, unless every byte it would write lies below them.
bool BelowFlashSize(const FlashImage& image, std::uint64_t offset, std::uint64_t size)
{
    return offset + size <= image.flashSize;
}

bool RecordSavable(const FlashImage& image, std::uint32_t entryWord, std::size_t recordSize)
{
    return BelowFlashSize(image, RecordOffsetOf(entryWord), recordSize);
}

// A program's own directory entry: entry tableIndex of its own table's block,
// when that entry lies in the buffer and still points at the program's record.
std::optional<std::uint32_t> OwnEntry(const FlashImage& image, const FoundBlock& block, const ProgRecord& prog)
{
    if (!block.Found() || prog.tableIndex >= block.header.entryCount)
        return std::nullopt;
    const std::uint64_t at =
        std::uint64_t{block.offset} + kBlockHeaderSize + std::uint64_t{kEntrySize} * prog.tableIndex;
    if (at + kEntrySize > kImageCapacity ||
        RecordOffsetOf(Be32At(image, static_cast<std::uint32_t>(at))) != RecordOffsetOf(prog.entryWord))
        return std::nullopt;
    return static_cast<std::uint32_t>(at);
}

bool ProgramSavable(const FlashImage& image, const ProgRecord& prog, std::optional<std::uint32_t> ownEntry)
{
    return RecordSavable(image, prog.entryWord, kProgRecordSize) && ownEntry &&
           BelowFlashSize(image, *ownEntry, kEntrySize);
}

// Each program's encode searches the directory for its block, which makes a
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

// Whether the expected bytes, as they now stand, would be found otherwise than
// the load found them: the guard undoes and refuses such a write.
bool DirectoryMoved(Workspace& work)
{
    const WriteGuard* guard = GuardOf(work.image);
    return guard && !(Landmarks::Of(work.expected) == guard->LoadedLandmarks());
}

// Writes `size` new bytes at `at` into the expected bytes; when the directory
// would no longer be found as loaded, puts the old ones back and says so.
bool ExpectWrite(Workspace& work, std::uint32_t at, std::span<const std::uint8_t> bytes)
{
    std::vector<std::uint8_t> old(work.expected.bytes.begin() + at, work.expected.bytes.begin() + at + bytes.size());
    std::ranges::copy(bytes, work.expected.bytes.begin() + at);
    if (!DirectoryMoved(work))
        return true;
    std::ranges::copy(old, work.expected.bytes.begin() + at);
    return false;
}

// Every record written back unchanged: those that can be saved are written,
// the others refused, and the image stays as the file had it, which the
// database still decodes. The edits start from there.
void CheckUnchangedRecordsEncodeToTheSameBytes(Workspace& work)
{
    FlashImage& image = work.image;
    const FlashImage& expected = work.expected;
    const ChannelDatabase& db = work.db;

    for (const SatRecord& sat : db.Sats())
        KORVEX_FUZZ_CHECK(EncodeSat(image, sat) ==
                              (RecordSavable(expected, sat.entryWord, kSatRecordSize) && IsWritable(image, sat)),
                          "a held satellite was not encoded as where it lies allows");
    for (const TpRecord& tp : db.Tps())
        KORVEX_FUZZ_CHECK(EncodeTp(image, tp) ==
                              (RecordSavable(expected, tp.entryWord, kTpRecordSize) && IsWritable(image, tp)),
                          "a held transponder was not encoded as where it lies allows");
    // The expected bytes do not change here, and neither does the block found
    // in them for each table (searched only for a table that holds programs).
    for (const ProgTable table : {ProgTable::Tv, ProgTable::Radio}) {
        const std::span<const ProgRecord> progs = db.Progs(table);
        if (progs.empty())
            continue;
        const FoundBlock block = FindBlock(expected, BlockOf(table));
        for (const std::size_t k : ProgramsToEncode(progs.size())) {
            const ProgRecord& prog = progs[k];
            const bool savable = ProgramSavable(expected, prog, OwnEntry(expected, block, prog)) && IsWritable(image, prog);
            KORVEX_FUZZ_CHECK(EncodeProg(image, prog) == savable,
                              "a held program was not encoded as where it and its own entry lie allows");
        }
    }
    CheckImageAsExpected(work, "encoding unchanged records changed the image");
}

// A write that reaches none of the headers the directory scan reads leaves
// every block where FindBlock found it.
bool ReachesTheDirectoryScan(const FlashImage& image, std::uint32_t begin, std::uint32_t end)
{
    return Overlaps(begin, end, image.dirStart,
                    std::uint64_t{image.dirStart} + image.dirScanLength + kBlockHeaderSize);
}

// The layout a load found, which FindBlock and the flash size read.
void TakeLayout(FlashImage& into, const FlashImage& from)
{
    into.flashSize = from.flashSize;
    into.fileOpened = from.fileOpened;
    into.layoutKind = from.layoutKind;
    into.dirStart = from.dirStart;
    into.dirScanLength = from.dirScanLength;
}

// After every committed edit the window loads the image again.
bool Reload(Workspace& work)
{
    ++work.reloads;
    const bool loaded = LoadDatabase(work.image, work.db);
    CheckImageAsExpected(work, "loading changed the image");
    TakeLayout(work.expected, work.image);
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
    bool savable = RecordSavable(work.expected, sat.entryWord, kSatRecordSize);
    // A read-only record (over the directory, the signature, the marker or
    // another record) is never written.
    KORVEX_FUZZ_CHECK(!IsWritable(work.image, sat) || savable, "a satellite beyond the flash size counts as savable");
    savable = savable && IsWritable(work.image, sat);
    if (savable) {
        std::array<std::uint8_t, kSatRecordSize> record;
        WriteSat(sat, record);
        savable = ExpectWrite(work, at, record);
    }
    KORVEX_FUZZ_CHECK(EncodeSat(work.image, sat) == savable, "a satellite edit was not made as where it lies allows");
    CheckImageAsExpected(work, "a satellite edit changed a byte outside its record, or one it could not save");
    if (!Reload(work))
        return false;
    if (savable && index < work.db.numSats && work.db.sats[index].entryWord == sat.entryWord) {
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
    bool savable = RecordSavable(work.expected, tp.entryWord, kTpRecordSize);
    KORVEX_FUZZ_CHECK(!IsWritable(work.image, tp) || savable, "a transponder beyond the flash size counts as savable");
    savable = savable && IsWritable(work.image, tp);
    if (savable) {
        std::array<std::uint8_t, kTpRecordSize> record;
        WriteTp(tp, record);
        savable = ExpectWrite(work, at, record);
    }
    KORVEX_FUZZ_CHECK(EncodeTp(work.image, tp) == savable, "a transponder edit was not made as where it lies allows");
    CheckImageAsExpected(work, "a transponder edit changed a byte outside its record, or one it could not save");
    if (!Reload(work))
        return false;
    if (savable && index < work.db.numTps && work.db.tps[index].entryWord == tp.entryWord) {
        const TpRecord& back = work.db.tps[index];
        tp.tvCount = back.tvCount;
        tp.radioCount = back.radioCount;
        KORVEX_FUZZ_CHECK(back == tp, "an edited transponder does not read back as written");
    }
    return true;
}

// What a program edit wrote: its record, when it and its own entry can be
// saved, and then its own entry's flag byte, when that entry is still found.
struct ProgramEdit {
    bool recordWritten = false;
    std::optional<std::uint32_t> flagAt;
};

// Writes into the expected bytes what a program edit must leave. The record
// goes first, as the record layout has it over the bytes it leaves alone
// (26..27); then the new flag byte goes into the program's own entry as the
// image stands with the record written, which is where it stood before unless
// the record was written over the directory's headers or over that entry.
ProgramEdit ExpectProgramEdit(Workspace& work, const ProgRecord& prog, std::uint8_t newFlag)
{
    FlashImage& expected = work.expected;
    const std::uint32_t at = RecordOffsetOf(prog.entryWord);
    const std::uint32_t end = at + static_cast<std::uint32_t>(kProgRecordSize);
    const BlockId blockId = BlockOf(prog.table);
    const std::optional<std::uint32_t> ownEntry = OwnEntry(expected, FindBlock(expected, blockId), prog);
    bool savable = ProgramSavable(expected, prog, ownEntry);
    KORVEX_FUZZ_CHECK(!IsWritable(work.image, prog) || savable,
                      "a program beyond the flash size, or without its entry, counts as savable");
    savable = savable && IsWritable(work.image, prog);
    if (!savable)
        return {};

    std::array<std::uint8_t, kProgRecordSize> record;
    std::copy_n(expected.bytes.begin() + at, kProgRecordSize, record.begin());
    WriteProg(prog, record);
    KORVEX_FUZZ_CHECK(record[26] == expected.bytes[at + 26] && record[27] == expected.bytes[at + 27],
                      "an edit wrote program bytes 26..27");
    if (!ExpectWrite(work, at, record))
        return {};

    const bool entryMayHaveMoved =
        ReachesTheDirectoryScan(expected, at, end) || Overlaps(at, end, *ownEntry, *ownEntry + kEntrySize);
    const std::optional<std::uint32_t> flagAt =
        entryMayHaveMoved ? OwnEntry(expected, FindBlock(expected, blockId), prog) : ownEntry;
    if (!flagAt || !BelowFlashSize(expected, *flagAt, kEntrySize))
        return {true, std::nullopt};
    if (!ExpectWrite(work, *flagAt, std::span(&newFlag, 1)))
        return {true, std::nullopt};
    return {true, flagAt};
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
    const ProgramEdit edit = ExpectProgramEdit(work, prog, newFlag);
    KORVEX_FUZZ_CHECK(EncodeProg(work.image, prog) == edit.flagAt.has_value(),
                      "a program edit was not made as where it and its own entry lie allows");
    CheckImageAsExpected(work, "a program edit changed a byte other than its record and its own entry's flag byte");
    if (!Reload(work))
        return false;

    // A flag byte inside the record stands in for one of its bytes.
    const bool flagInsideRecord = edit.flagAt && *edit.flagAt >= at && *edit.flagAt < end;
    const std::span<const ProgRecord> after = radio ? work.db.RadioProgs() : work.db.TvProgs();
    if (edit.recordWritten && !flagInsideRecord && index < after.size() &&
        RecordOffsetOf(after[index].entryWord) == at) {
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

    // Every input starts from a program that has just started. Its image
    // bytes need no clearing: taking a file in writes every one of them, and
    // nothing reads them when the file is refused.
    work.image.flashSize = 0;
    work.image.fileOpened = 0;
    work.image.layoutKind = 0;
    work.image.dirStart = 0;
    work.image.dirScanLength = kInitialDirScanLength;
    work.db = work.empty;
    work.reloads = 0;

    if (!TakeInBytes(work.image, file)) {
        KORVEX_FUZZ_CHECK(file.size() > kImageCapacity, "a file of at most 1 MiB was refused");
        KORVEX_FUZZ_CHECK(work.image.fileOpened == 0, "a refused file was taken in");
        return 0;
    }
    KORVEX_FUZZ_CHECK(file.size() <= kImageCapacity, "a file over 1 MiB was taken in");
    std::memcpy(work.expected.bytes.data(), work.file.AsImageBuffer().data(), kImageCapacity);
    CheckImageAsExpected(work, "the buffer is not the file followed by zeros");

    const bool loaded = LoadDatabase(work.image, work.db);
    CheckImageAsExpected(work, "loading changed the image");
    TakeLayout(work.expected, work.image);
    if (!loaded) {
        KORVEX_FUZZ_CHECK(work.image.flashSize == 0, "a refused image set the flash size");
        CheckCountsAndEmptyTails(work.db);
        KORVEX_FUZZ_CHECK(work.db.numSats + work.db.numTps + work.db.numProgs == 0, "a refused image left records");
        return 0;
    }
    CheckLoaded(work.image, work.db, work.other);
    CheckLookupsAndLists(work);
    CheckUnchangedRecordsEncodeToTheSameBytes(work);

    Randomiser random(Fold(data, size));
    const bool stillLoaded = EditSatellite(work, random) && EditTransponder(work, random) &&
                             EditProgram(work, random, false) && EditProgram(work, random, true);
    // Each edit was followed by a reload into the full database; the last
    // one must leave what a load into an empty database leaves. (With no
    // record to edit there was no reload, and the database is still the
    // first load's, which was a load into an empty database.)
    if (work.reloads > 0)
        CheckReloadEqualsFreshLoad(work, stillLoaded);
    return 0;
}
