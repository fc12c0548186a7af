// Fuzz target "sequence": an image and a short sequence of actions on it, as
// a user takes them one after another in the window or with korvex-cli.
//
// Input: a 2-byte big-endian length L, L bytes of script, then the image as a
// sparse file (fuzz/SparseFile.h). The script is read a byte at a time; each
// action takes its kind and then its arguments and random field values from
// the bytes that follow (zeros once the script ends). Actions: an editor's
// write of a satellite, transponder or program with random field values, a
// flag change, a move, a delete of programs, a transponder or a satellite, a
// sort, carrying the list as loaded over to the image as it now stands (with
// random choices and tolerance), a clean-up of random kinds, renaming a few
// programs at once, updating a satellite's transponders from a random scan
// table (entries near its frequencies and anywhere, of every polarisation and
// system, some that do not fit) with some of the changes left out, undo and
// redo.
//
// After every action: a refused action changed no byte; an applied one kept
// the write invariant (the layout and the four blocks found as before, no
// byte changed outside what the action owns). At the end, undoing every step
// gives the bytes the load took in, and redoing every step the state after
// the newest step.

#include "db/Arrange.h"
#include "db/CarryOver.h"
#include "db/ChannelDatabase.h"
#include "db/ChannelMatch.h"
#include "db/CleanUp.h"
#include "db/Encoders.h"
#include "db/FlashImage.h"
#include "db/ImageHistory.h"
#include "db/LoadDatabase.h"
#include "db/Rename.h"
#include "db/TransponderUpdate.h"
#include "db/WriteGuard.h"
#include "db/WriteInvariant.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/SparseFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

using namespace korvex;
using korvex::fuzz::SparseFile;

namespace {

constexpr std::size_t kMostActions = 16;

struct Workspace {
    SparseFile file;
    FlashImage image;
    ChannelDatabase db;
    ImageHistory history;
    std::vector<std::uint8_t> before = std::vector<std::uint8_t>(kImageCapacity);
    std::vector<std::uint8_t> loadedBytes = std::vector<std::uint8_t>(kImageCapacity);
    // The image after the newest step the history holds: where redoing every
    // step leads, whatever was undone since.
    std::vector<std::uint8_t> newest = std::vector<std::uint8_t>(kImageCapacity);
    // The list as loaded, for carrying it over; decoded at its first use.
    FlashImage earlierImage;
    ChannelDatabase earlier;
    bool earlierLoaded = false;
};

Workspace& Work()
{
    static const auto work = std::make_unique<Workspace>();
    return *work;
}

class Script {
public:
    explicit Script(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool Done() const { return at_ >= bytes_.size(); }
    std::uint8_t Byte() { return at_ < bytes_.size() ? bytes_[at_++] : 0; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() << 8 | Byte()); }
    std::uint32_t Below(std::uint32_t n) { return n == 0 ? 0 : U16() % n; }
    NameBytes Name()
    {
        NameBytes name;
        for (auto& b : name)
            b = Byte();
        return name;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

bool SameAs(const FlashImage& image, const std::vector<std::uint8_t>& bytes)
{
    return std::memcmp(image.bytes.data(), bytes.data(), kImageCapacity) == 0;
}

std::vector<ByteSpan> EveryTable(const FlashImage& image)
{
    std::vector<ByteSpan> owned;
    for (const BlockId id : {BlockId::Satellites, BlockId::Transponders, BlockId::TvPrograms, BlockId::RadioPrograms})
        for (const ByteSpan& span : OwnedByArranging(image, id))
            owned.push_back(span);
    return owned;
}

ProgTable TableOf(std::uint8_t b) { return (b & 1) ? ProgTable::Radio : ProgTable::Tv; }

// Runs one writing action; returns whether it wrote, and the bytes it owns.
bool Act(Workspace& work, Script& script, std::uint8_t kind, std::vector<ByteSpan>& owned)
{
    FlashImage& image = work.image;
    const ChannelDatabase& db = work.db;
    switch (kind) {
    case 0: {
        if (db.numSats == 0)
            return false;
        SatRecord sat = db.sats[script.Below(db.numSats)];
        sat.satId = script.U16();
        sat.longitude = script.U16();
        sat.lnbFreLow = script.U16();
        sat.position = script.Byte() & 0x3F;
        sat.satName = script.Name();
        owned = OwnedByEdit(image, sat);
        return EncodeSat(image, sat);
    }
    case 1: {
        if (db.numTps == 0)
            return false;
        TpRecord tp = db.tps[script.Below(db.numTps)];
        tp.tpId = script.U16();
        tp.satId = script.U16() & 0x3FFF;
        tp.frequency = script.U16() & 0x3FFF;
        tp.symbolRate = script.U16();
        owned = OwnedByEdit(image, tp);
        return EncodeTp(image, tp);
    }
    case 2: {
        const std::span<const ProgRecord> progs = db.Progs(TableOf(script.Byte()));
        if (progs.empty())
            return false;
        ProgRecord prog = progs[script.Below(static_cast<std::uint32_t>(progs.size()))];
        prog.satId = script.U16();
        prog.tpId = script.U16();
        prog.serviceId = script.U16();
        prog.videoPid = script.U16() & 0x1FFF;
        prog.progName = script.Name();
        prog.tailWords = {script.U16() * 0x10001u, script.U16() * 0x10003u};
        prog.unlocked = script.Byte() & 1;
        prog.favBits = script.Byte() & 0x7E;
        owned = OwnedByEdit(image, prog);
        return EncodeProg(image, prog);
    }
    case 3: {
        const ProgTable table = TableOf(script.Byte());
        const std::span<const ProgRecord> progs = db.Progs(table);
        std::vector<ProgramEntry> chosen;
        const std::uint32_t count = script.Byte() % 4 + 1;
        for (std::uint32_t i = 0; i < count && !progs.empty(); ++i)
            chosen.push_back({table, progs[script.Below(static_cast<std::uint32_t>(progs.size()))].tableIndex});
        const std::uint8_t group = script.Byte();
        const FlagChange change = group % 8 == 6 ? Lock() : group % 8 == 7 ? Unlock()
                                  : (group & 0x80) ? JoinGroup(group % 6) : LeaveGroup(group % 6);
        owned = OwnedByArranging(image, BlockOf(table));
        // Programs named twice, or none: the action still says what it did.
        std::sort(chosen.begin(), chosen.end(), [](auto a, auto b) { return a.position < b.position; });
        chosen.erase(std::unique(chosen.begin(), chosen.end(), [](auto a, auto b) { return a.position == b.position; }),
                     chosen.end());
        return ChangeProgramFlags(image, db, chosen, change).done;
    }
    case 4: {
        const ProgTable table = TableOf(script.Byte());
        const std::span<const ProgRecord> progs = db.Progs(table);
        if (progs.empty())
            return false;
        // A table that may not be arranged can claim billions of entries: no
        // order is made for it.
        if (!ArrangeRefusal(image, db, BlockOf(table)).empty())
            return false;
        const std::uint32_t count = FindBlock(image, BlockOf(table)).header.entryCount;
        const std::uint32_t from = progs[script.Below(static_cast<std::uint32_t>(progs.size()))].tableIndex;
        const std::uint32_t to = script.Below(count);
        owned = OwnedByArranging(image, BlockOf(table));
        const bool up = script.Byte() & 1;
        const std::vector<std::uint32_t> order = (script.Byte() & 1)
                                                     ? OrderMovingByOne(count, std::span(&from, 1), up ? -1 : 1)
                                                     : OrderMovingTo(count, std::span(&from, 1), to);
        return ReorderPrograms(image, db, table, order).done;
    }
    case 5: {
        const ProgTable table = TableOf(script.Byte());
        const std::span<const ProgRecord> progs = db.Progs(table);
        if (progs.empty())
            return false;
        const std::uint32_t position = progs[script.Below(static_cast<std::uint32_t>(progs.size()))].tableIndex;
        owned = OwnedByArranging(image, BlockOf(table));
        return DeletePrograms(image, db, table, std::span(&position, 1)).done;
    }
    case 6: {
        const ProgTable table = TableOf(script.Byte());
        const auto key = static_cast<SortKey>(script.Byte() % 3);
        owned = OwnedByArranging(image, BlockOf(table));
        const auto byName = [](const NameBytes& n) { return std::u16string(n.begin(), n.end()); };
        return ReorderPrograms(image, db, table, OrderSortedBy(db, table, key, byName)).done;
    }
    case 7: {
        if (db.numTps == 0)
            return false;
        owned = EveryTable(image);
        return DeleteTransponder(image, db, script.Below(db.numTps)).done;
    }
    case 8: {
        if (db.numSats == 0)
            return false;
        owned = EveryTable(image);
        return DeleteSatellite(image, db, script.Below(db.numSats)).done;
    }
    case 9: {
        if (!work.earlierLoaded) {
            work.earlierLoaded = TakeInBytes(work.earlierImage, work.file.Bytes()) &&
                                 LoadDatabase(work.earlierImage, work.earlier);
            KORVEX_FUZZ_CHECK(work.earlierLoaded, "the image taken in no longer loads");
        }
        const std::uint8_t b = script.Byte();
        const CarryOverChoices choices{(b & 1) != 0, (b & 2) != 0, (b & 4) != 0, (b & 8) != 0, (b & 16) != 0};
        const ChannelMatch match =
            MatchChannels(work.earlier, db, MatchOptions{.frequencyTolerance = static_cast<std::uint16_t>(script.Byte() % 8), .names = {}});
        const CarryOverPlan plan = PlanCarryOver(image, db, work.earlier, match, choices);
        for (const TableCarryOver& table : plan.tables) {
            for (const ByteSpan& span : OwnedByArranging(image, BlockOf(table.table)))
                owned.push_back(span);
            // A plan refused for its table names positions only the table's own
            // checks vouch for.
            for (const NameCarry& name : plan.refusal.empty() ? table.names : std::vector<NameCarry>{})
                for (const ByteSpan& span : OwnedByEdit(image, db.Progs(table.table)[name.position]))
                    owned.push_back(span);
        }
        return ApplyCarryOver(image, work.db, plan).done;
    }
    case 10: {
        const std::uint8_t b = script.Byte();
        CleanUpChoices choices;
        for (std::size_t k = 0; k < kCleanUpKinds; ++k)
            choices.kinds[k] = (b >> k & 1) != 0;
        const CleanUpPlan plan = PlanCleanUp(image, db, AnalyseCleanUp(db), choices);
        owned = EveryTable(image);
        return ApplyCleanUp(image, work.db, plan).done;
    }
    case 11: {
        const ProgTable table = TableOf(script.Byte());
        const std::span<const ProgRecord> progs = db.Progs(table);
        std::vector<ProgramRename> renames;
        const std::uint32_t count = script.Byte() % 4 + 1;
        for (std::uint32_t i = 0; i < count && !progs.empty(); ++i) {
            const ProgRecord& prog = progs[script.Below(static_cast<std::uint32_t>(progs.size()))];
            const NameBytes name = script.Name();
            // Up to 13 bytes: one too many is refused.
            std::string bytes(NameView(name));
            if (bytes.size() == kNameBytes && (script.Byte() & 1))
                bytes.push_back('!');
            renames.push_back({{table, prog.tableIndex}, bytes});
            for (const ByteSpan& span : OwnedByEdit(image, prog))
                owned.push_back(span);
        }
        return RenamePrograms(image, db, renames).done;
    }
    case 12: {
        if (db.numSats == 0)
            return false;
        const std::uint32_t sat = script.Below(db.numSats);
        std::vector<TableEntry> table(script.Byte() % 8);
        for (TableEntry& entry : table) {
            const std::uint8_t b = script.Byte();
            const std::uint64_t near = db.numTps ? db.tps[script.Below(db.numTps)].frequency : 0;
            entry.frequencyKHz = (b & 1) ? near * 1000 + script.U16() % 16000 - 8000 : std::uint64_t{script.U16()} * 1000;
            entry.symbolRate = (b & 2) ? std::uint64_t{script.U16()} * 1000 + script.Byte() : std::uint64_t{script.U16()} << 12;
            entry.polarisation = static_cast<TablePolarisation>((b >> 2 & 7) % 5);
            entry.system = static_cast<TableSystem>((b >> 5) % 3);
        }
        const TransponderUpdatePlan plan = PlanTransponderUpdate(image, db, sat, table, script.Byte() % 12);
        std::vector<TransponderChange> chosen;
        for (const TransponderChange& change : plan.changes)
            if (script.Byte() & 3) {
                chosen.push_back(change);
                for (const ByteSpan& span : OwnedByEdit(image, db.tps[change.tpIndex]))
                    owned.push_back(span);
            }
        return UpdateTransponders(image, db, chosen).done;
    }
    default:
        return false;
    }
}

void Reload(Workspace& work)
{
    KORVEX_FUZZ_CHECK(LoadDatabase(work.image, work.db), "an image that loaded no longer loads after an action");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t scriptLength = std::min<std::size_t>(size - 2, std::size_t{data[0]} << 8 | data[1]);
    Script script(std::span(data + 2, scriptLength));
    Workspace& work = Work();
    work.file.Decode(std::span(data + 2 + scriptLength, size - 2 - scriptLength));
    if (!TakeInBytes(work.image, work.file.Bytes()) || !LoadDatabase(work.image, work.db))
        return 0;
    std::memcpy(work.loadedBytes.data(), work.image.bytes.data(), kImageCapacity);
    work.history.Reset(work.image);
    work.earlierLoaded = false;
    std::memcpy(work.newest.data(), work.image.bytes.data(), kImageCapacity);

    for (std::size_t step = 0; step < kMostActions && !script.Done(); ++step) {
        const std::uint8_t kind = script.Byte() % 15;
        if (kind == 13 || kind == 14) {
            const bool moved = kind == 13 ? work.history.Undo(work.image) : work.history.Redo(work.image);
            if (moved)
                Reload(work);
            continue;
        }
        std::memcpy(work.before.data(), work.image.bytes.data(), kImageCapacity);
        const Landmarks landmarks = GuardOf(work.image)->LoadedLandmarks();
        work.history.Begin(work.image);
        std::vector<ByteSpan> owned;
        const bool applied = Act(work, script, kind, owned);
        if (!applied) {
            KORVEX_FUZZ_CHECK(SameAs(work.image, work.before), "a refused action changed the image");
            continue;
        }
        const std::string breach = InvariantBreach(work.image, work.before, landmarks, owned);
        KORVEX_FUZZ_CHECK(breach.empty(), "an action broke the write invariant");
        if (work.history.Commit(work.image, "action"))
            std::memcpy(work.newest.data(), work.image.bytes.data(), kImageCapacity);
        Reload(work);
    }

    while (work.history.Undo(work.image)) {
    }
    KORVEX_FUZZ_CHECK(SameAs(work.image, work.loadedBytes), "undoing every step did not give the loaded bytes");
    while (work.history.Redo(work.image)) {
    }
    KORVEX_FUZZ_CHECK(SameAs(work.image, work.newest), "redoing every step did not give the last state");
    return 0;
}
