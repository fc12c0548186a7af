#include "db/Arrange.h"
#include "db/Encoders.h"
#include "db/Rename.h"
#include "db/WriteGuard.h"
#include "db/WriteInvariant.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LoadedImage.h"
#include "tests/support/OverlapImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

namespace korvex {
namespace {

using testing::BuiltImage;
using testing::CaseName;
using testing::LoadedImage;
using testing::OverlapImage;

std::vector<std::uint8_t> Snapshot(const FlashImage& image) { return {image.bytes.begin(), image.bytes.end()}; }

class OverlapTest : public ::testing::TestWithParam<OverlapImage> {};

// The record is read-only: its edit, a flag change, a move and a delete that
// take it along are refused with the reason, and not one byte changes.
TEST_P(OverlapTest, RefusesEveryWriterWithTheReason)
{
    const OverlapImage& c = GetParam();
    LoadedImage loaded(c.built);
    ASSERT_TRUE(loaded.loaded);
    FlashImage& image = *loaded.image;
    const ChannelDatabase& db = *loaded.db;
    ASSERT_GT(db.numTv, 0);
    ProgRecord prog = db.tvProgs[db.numTv - 1];
    ASSERT_EQ(RecordOffsetOf(prog.entryWord), c.built.recordOffsets[2].back());
    EXPECT_EQ(WriteRefusal(image, prog), c.reason);
    const std::vector<std::uint8_t> before = Snapshot(image);

    prog.serviceId ^= 0xFFFF;
    prog.favBits = 0;
    EXPECT_FALSE(EncodeProg(image, prog));
    EXPECT_FALSE(UpdateProgFlags(image, prog, 0));
    const ProgramEntry entry{ProgTable::Tv, prog.tableIndex};
    const std::uint32_t last = prog.tableIndex;
    const std::vector<std::pair<const char*, std::function<ChangeOutcome()>>> actions{
        {"flags", [&] { return ChangeProgramFlags(image, db, std::span(&entry, 1), Lock()); }},
        {"move", [&] { return ReorderPrograms(image, db, ProgTable::Tv, OrderMovingTo(last + 1, std::span(&last, 1), 0)); }},
        {"delete", [&] { return DeletePrograms(image, db, ProgTable::Tv, std::span(&last, 1)); }},
        // A writable program renamed with it is not renamed either.
        {"rename", [&] {
             const ProgramRename renames[] = {{{ProgTable::Tv, 0}, "First"}, {entry, "Renamed"}};
             return RenamePrograms(image, db, renames);
         }},
    };
    for (const auto& [name, action] : actions) {
        const ChangeOutcome outcome = action();
        EXPECT_FALSE(outcome.done) << name;
        EXPECT_EQ(outcome.refusal, c.reason) << name;
    }
    EXPECT_TRUE(Snapshot(image) == before);
}

INSTANTIATE_TEST_SUITE_P(Guard, OverlapTest, ::testing::ValuesIn(testing::OverlapImages()),
                         [](const auto& info) { return CaseName(info.param.description); });

TEST(WriteGuard, ARecordThatAnotherStartsInsideIsReadOnlyToo)
{
    const OverlapImage inside = testing::OverlapImages().back();
    LoadedImage loaded(inside.built);
    ASSERT_TRUE(loaded.loaded);
    // The program starts inside satellite 0 and satellite 1 starts inside it.
    EXPECT_EQ(WriteRefusal(*loaded.image, loaded.db->sats[0]), kOverlapsRecordText);
    EXPECT_EQ(WriteRefusal(*loaded.image, loaded.db->sats[1]), kOverlapsRecordText);
    EXPECT_EQ(WriteRefusal(*loaded.image, loaded.db->tps[0]), std::string_view{});
}

TEST(WriteGuard, TwoEntriesOfOneRecordLeaveItWritable)
{
    BuiltImage built = testing::GuardBaseImage(1).Build();
    testing::PutHeader(built.bytes, built.HeaderOffset(BlockId::TvPrograms), BlockId::TvPrograms, 4);
    testing::PutEntry(built.bytes, built.EntryOffset(BlockId::TvPrograms, 3), 0x7F,
                      built.RecordOffset(BlockId::TvPrograms, 0));
    LoadedImage loaded(built);
    ASSERT_TRUE(loaded.loaded);
    ASSERT_EQ(loaded.db->numTv, 4);
    for (const ProgRecord& prog : loaded.db->TvProgs())
        EXPECT_EQ(WriteRefusal(*loaded.image, prog), std::string_view{}) << prog.tableIndex;
    ProgRecord copy = loaded.db->tvProgs[3];
    copy.unlocked = 0;
    EXPECT_TRUE(EncodeProg(*loaded.image, copy));
}

// The radio table's entryCount runs into the TV header: the flag byte of radio
// program 15 is the first byte of the TV table's entryCount.
TEST(WriteGuard, AFlagByteOverAnotherTablesHeaderIsRefused)
{
    const BuiltImage built = testing::RadioTableRunningIntoTvHeader();
    LoadedImage loaded(built);
    ASSERT_TRUE(loaded.loaded);
    FlashImage& image = *loaded.image;
    const ChannelDatabase& db = *loaded.db;
    ASSERT_EQ(db.loadAccount.tables[3].skipped, 3u);
    const ProgRecord& prog = db.radioProgs[15];
    ASSERT_EQ(prog.tableIndex, 17u);
    ASSERT_EQ(RecordOffsetOf(prog.entryWord), 48u);
    EXPECT_EQ(WriteRefusal(image, prog), kEntryOverlapsDirectoryText);
    const std::vector<std::uint8_t> before = Snapshot(image);
    ProgRecord edited = prog;
    edited.favBits = 0x5E;
    EXPECT_FALSE(EncodeProg(image, edited));
    EXPECT_FALSE(UpdateProgFlags(image, prog, 0x10));
    const ProgramEntry entry{ProgTable::Radio, 17};
    EXPECT_FALSE(ChangeProgramFlags(image, db, std::span(&entry, 1), LeaveGroup(4)).done);
    EXPECT_TRUE(Snapshot(image) == before);
    // A sound radio program of the same table stays writable.
    EXPECT_TRUE(UpdateProgFlags(image, db.radioProgs[0], 0x10));
}

TEST(WriteGuard, AnImageNeverLoadedTakesNoWrite)
{
    auto image = std::make_unique<FlashImage>();
    image->flashSize = testing::kLayout1Size;
    SatRecord sat;
    sat.entryWord = 0x1000;
    EXPECT_EQ(WriteRefusal(*image, sat), kNotLoadedText);
    EXPECT_FALSE(EncodeSat(*image, sat));
    LoadedImage loaded(testing::GuardBaseImage(1));
    ASSERT_TRUE(loaded.loaded);
    EXPECT_TRUE(IsWritable(*loaded.image, loaded.db->sats[0]));
    // New bytes taken in are not what the guard was computed from.
    TakeInBytes(*loaded.image, testing::GuardBaseImage(1).Build().bytes);
    EXPECT_EQ(WriteRefusal(*loaded.image, loaded.db->sats[0]), kNotLoadedText);
}

// A record inside the directory scan, in front of the first header, overlaps
// nothing and may be edited; an edit whose bytes would read as a header found
// before the real one is undone and refused.
TEST(WriteGuard, AnEditThatWouldBeReadAsAHeaderIsUndone)
{
    BuiltImage built = testing::GuardBaseImage(1).DirectoryAt(0x70100).Build();
    testing::PutEntry(built.bytes, built.EntryOffset(BlockId::Satellites, 1), 0, 0x70000);
    LoadedImage loaded(built);
    ASSERT_TRUE(loaded.loaded);
    FlashImage& image = *loaded.image;
    SatRecord sat = loaded.db->sats[1];
    ASSERT_EQ(RecordOffsetOf(sat.entryWord), 0x70000u);
    ASSERT_TRUE(IsWritable(image, sat));
    sat.longitude = 1;
    ASSERT_TRUE(EncodeSat(image, sat));
    ASSERT_TRUE(loaded.Reload());
    const std::vector<std::uint8_t> before = Snapshot(image);

    sat.satId = 0x2930;      // the magic,
    sat.longitude = 0xABCD;
    sat.lnbFreLow = 0;       // block id 0,
    sat.lnbFreHigh = 0;
    sat.satName.fill(0xFF);  // and the active mark
    EXPECT_FALSE(EncodeSat(image, sat));
    EXPECT_TRUE(Snapshot(image) == before);
    EXPECT_EQ(FindBlock(image, BlockId::Satellites).offset, 0x70100u);
}

// Every writer keeps the invariant on random sound images.
TEST(WriteGuard, EveryWriterKeepsTheInvariant)
{
    std::mt19937 rng(20);
    for (int round = 0; round < 3; ++round) {
        testing::RandomShape shape;
        shape.layoutKind = 1 + round % 2;
        shape.sats = 6;
        shape.tps = 30;
        shape.tv = 40;
        shape.radio = 20;
        LoadedImage loaded(testing::RandomImage(rng, shape));
        ASSERT_TRUE(loaded.loaded);
        FlashImage& image = *loaded.image;
        auto check = [&](const char* what, auto write, std::vector<ByteSpan> owned) {
            const std::vector<std::uint8_t> before = Snapshot(image);
            const Landmarks landmarks = Landmarks::Of(image);
            write();
            EXPECT_EQ(InvariantBreach(image, before, landmarks, owned), "") << what;
        };
        auto draw = [&] { return static_cast<std::uint16_t>(rng()); };
        for (SatRecord sat : loaded.db->Sats()) {
            sat.longitude = draw();
            sat.satName[0] = static_cast<std::uint8_t>(draw());
            check("EncodeSat", [&] { EXPECT_TRUE(EncodeSat(image, sat)); }, OwnedByEdit(image, sat));
        }
        for (TpRecord tp : loaded.db->Tps()) {
            tp.frequency = draw();
            tp.symbolRate = draw();
            check("EncodeTp", [&] { EXPECT_TRUE(EncodeTp(image, tp)); }, OwnedByEdit(image, tp));
        }
        for (ProgRecord prog : loaded.db->AllProgs()) {
            prog.serviceId = draw();
            prog.favBits = static_cast<std::uint8_t>(draw() & 0x7E);
            prog.tailWords = {draw(), draw()};
            check("EncodeProg", [&] { EXPECT_TRUE(EncodeProg(image, prog)); }, OwnedByEdit(image, prog));
        }
        ASSERT_TRUE(loaded.Reload());
        std::vector<ProgramEntry> every;
        for (const ProgRecord& prog : loaded.db->AllProgs())
            every.push_back({prog.table, prog.tableIndex});
        std::vector<ByteSpan> programBlocks = OwnedByArranging(image, BlockId::TvPrograms);
        for (const ByteSpan& span : OwnedByArranging(image, BlockId::RadioPrograms))
            programBlocks.push_back(span);
        check("flags", [&] { EXPECT_TRUE(ChangeProgramFlags(image, *loaded.db, every, JoinGroup(4)).done); },
              programBlocks);
        ASSERT_TRUE(loaded.Reload());
        const auto byName = [](const NameBytes& n) { return std::u16string(n.begin(), n.end()); };
        check("sort",
              [&] {
                  EXPECT_TRUE(ReorderPrograms(image, *loaded.db, ProgTable::Tv,
                                              OrderSortedBy(*loaded.db, ProgTable::Tv, SortKey::Name, byName))
                                  .done);
              },
              OwnedByArranging(image, BlockId::TvPrograms));
        ASSERT_TRUE(loaded.Reload());
        const std::uint32_t first = 0;
        check("delete", [&] { EXPECT_TRUE(DeletePrograms(image, *loaded.db, ProgTable::Radio, std::span(&first, 1)).done); },
              OwnedByArranging(image, BlockId::RadioPrograms));
        ASSERT_TRUE(loaded.Reload());
        std::vector<ByteSpan> all;
        for (BlockId id : {BlockId::Satellites, BlockId::Transponders, BlockId::TvPrograms, BlockId::RadioPrograms})
            for (const ByteSpan& span : OwnedByArranging(image, id))
                all.push_back(span);
        check("delete satellite", [&] { EXPECT_TRUE(DeleteSatellite(image, *loaded.db, 0).done); }, all);
        ASSERT_TRUE(loaded.Reload());
        check("delete transponder", [&] { EXPECT_TRUE(DeleteTransponder(image, *loaded.db, 0).done); }, all);
    }
}

} // namespace
} // namespace korvex
