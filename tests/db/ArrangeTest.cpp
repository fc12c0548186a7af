// Arranging the directory: each operation is checked by the bytes it leaves,
// the refusals included.

#include "db/Arrange.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace korvex {
namespace {

using testing::BuiltImage;
using testing::Bytes;
using testing::ImageBuilder;
using testing::LoadedImage;
using testing::Name;

std::uint32_t Word(const FlashImage& image, std::uint32_t at)
{
    return std::uint32_t{image.bytes[at]} << 24 | std::uint32_t{image.bytes[at + 1]} << 16 |
           std::uint32_t{image.bytes[at + 2]} << 8 | image.bytes[at + 3];
}

std::uint32_t Word(const Bytes& bytes, std::uint32_t at)
{
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           bytes[at + 3];
}

// The offsets where the image now differs from the bytes it was built from.
std::vector<std::uint32_t> Changed(const FlashImage& image, const Bytes& before)
{
    std::vector<std::uint32_t> changed;
    for (std::uint32_t i = 0; i < kImageCapacity; ++i)
        if (image.bytes[i] != (i < before.size() ? before[i] : 0))
            changed.push_back(i);
    return changed;
}

// Every change lies in [begin, end).
void ExpectChangesWithin(const FlashImage& image, const Bytes& before, std::uint32_t begin, std::uint32_t end)
{
    for (const std::uint32_t at : Changed(image, before))
        EXPECT_TRUE(at >= begin && at < end) << "byte 0x" << std::hex << at << " changed";
}

ProgRecord Prog(std::uint16_t satId, std::uint16_t tpId, const char* name, std::uint16_t videoPid = 1)
{
    ProgRecord prog;
    prog.satId = satId;
    prog.tpId = tpId;
    prog.videoPid = videoPid;
    prog.progName = Name(name);
    prog.unlocked = 1;
    prog.favBits = 0x7E;
    return prog;
}

std::vector<std::string> TvNames(const ChannelDatabase& db)
{
    std::vector<std::string> names;
    for (const ProgRecord& prog : db.TvProgs())
        names.emplace_back(NameView(prog.progName));
    return names;
}

ImageBuilder FiveTv()
{
    ImageBuilder builder(1);
    for (const char* name : {"A", "B", "C", "D", "E"})
        builder.AddTv(Prog(1, 1, name));
    builder.AddRadio(Prog(1, 1, "R", 0));
    return builder;
}

TEST(Orders, MovingToAPlaceAndByOnePlace)
{
    const std::uint32_t moved[] = {3, 1};
    EXPECT_EQ(OrderMovingTo(6, moved, 0), (std::vector<std::uint32_t>{1, 3, 0, 2, 4, 5}));
    EXPECT_EQ(OrderMovingTo(6, moved, 3), (std::vector<std::uint32_t>{0, 2, 4, 1, 3, 5}));
    EXPECT_EQ(OrderMovingTo(6, moved, 99), (std::vector<std::uint32_t>{0, 2, 4, 5, 1, 3})) << "clamped to the end";
    EXPECT_EQ(OrderMovingByOne(6, moved, -1), (std::vector<std::uint32_t>{1, 0, 3, 2, 4, 5}));
    EXPECT_EQ(OrderMovingByOne(6, moved, +1), (std::vector<std::uint32_t>{0, 2, 1, 4, 3, 5}));
    const std::uint32_t run[] = {0, 1, 4};
    EXPECT_EQ(OrderMovingByOne(6, run, -1), (std::vector<std::uint32_t>{0, 1, 2, 4, 3, 5})) << "a run at the top stays";
    const std::uint32_t tail[] = {4, 5};
    EXPECT_EQ(OrderMovingByOne(6, tail, +1), (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(OrderMovingByOne(6, tail, -1), (std::vector<std::uint32_t>{0, 1, 2, 4, 5, 3}));
}

TEST(Orders, SortedByNameServiceIdOrSatelliteWithTiesInTableOrder)
{
    ImageBuilder builder(1);
    SatRecord sat;
    sat.satId = 7;
    builder.AddSat(sat);
    sat.satId = 3;
    builder.AddSat(sat);
    TpRecord tp;
    tp.tpId = 30;
    builder.AddTp(tp);
    tp.tpId = 10;
    builder.AddTp(tp);
    ProgRecord b = Prog(3, 10, "beta");
    b.serviceId = 5;
    ProgRecord a = Prog(7, 10, "Alpha");
    a.serviceId = 9;
    ProgRecord c = Prog(99, 30, "alpha");  // no such satellite
    c.serviceId = 5;
    ProgRecord d = Prog(7, 30, "Delta");
    d.serviceId = 1;
    builder.AddTv(b).AddTv(a).AddTv(c).AddTv(d);
    LoadedImage loaded(builder.Build());
    const NameSortKey folded = [](const NameBytes& name) {
        std::u16string text;
        for (const char ch : NameView(name))
            text.push_back(static_cast<char16_t>(std::tolower(static_cast<unsigned char>(ch))));
        return text;
    };
    const ChannelDatabase& db = *loaded.db;
    EXPECT_EQ(OrderSortedBy(db, ProgTable::Tv, SortKey::Name, folded), (std::vector<std::uint32_t>{1, 2, 0, 3}));
    EXPECT_EQ(OrderSortedBy(db, ProgTable::Tv, SortKey::ServiceId, folded), (std::vector<std::uint32_t>{3, 0, 2, 1}));
    // Satellite 7 (first in its table) before 3; transponder 30 before 10; none last.
    EXPECT_EQ(OrderSortedBy(db, ProgTable::Tv, SortKey::Satellite, folded), (std::vector<std::uint32_t>{3, 1, 0, 2}));
}

TEST(ReorderPrograms, PermutesTheEntriesOfItsBlockOnly)
{
    const BuiltImage built = FiveTv().Build();
    LoadedImage loaded(built);
    const std::uint32_t order[] = {4, 0, 3, 1, 2};
    const ChangeOutcome outcome = ReorderPrograms(*loaded.image, *loaded.db, ProgTable::Tv, order);
    ASSERT_TRUE(outcome.done) << outcome.refusal;
    const std::uint32_t firstEntry = built.EntryOffset(BlockId::TvPrograms, 0);
    ExpectChangesWithin(*loaded.image, built.bytes, firstEntry, firstEntry + 5 * kEntrySize);
    for (std::uint32_t k = 0; k < 5; ++k)
        EXPECT_EQ(Word(*loaded.image, built.EntryOffset(BlockId::TvPrograms, k)),
                  Word(built.bytes, built.EntryOffset(BlockId::TvPrograms, order[k])));
    ASSERT_TRUE(loaded.Reload());
    EXPECT_EQ(TvNames(*loaded.db), (std::vector<std::string>{"E", "A", "D", "B", "C"}));
}

TEST(ReorderPrograms, RefusesAnOrderThatIsNoPermutation)
{
    const BuiltImage built = FiveTv().Build();
    LoadedImage loaded(built);
    const std::vector<std::vector<std::uint32_t>> bad{{0, 1, 2, 3}, {0, 1, 2, 3, 3}, {0, 1, 2, 3, 5}};
    for (const auto& order : bad) {
        EXPECT_FALSE(ReorderPrograms(*loaded.image, *loaded.db, ProgTable::Tv, order).done);
        EXPECT_TRUE(Changed(*loaded.image, built.bytes).empty());
    }
}

TEST(DeletePrograms, MovesLaterEntriesUpAndErasesTheFreedSlots)
{
    const BuiltImage built = FiveTv().Build();
    LoadedImage loaded(built);
    const std::uint32_t gone[] = {3, 0};
    const ChangeOutcome outcome = DeletePrograms(*loaded.image, *loaded.db, ProgTable::Tv, gone);
    ASSERT_TRUE(outcome.done) << outcome.refusal;
    EXPECT_EQ(outcome.removed[2], 2u);
    const std::uint32_t header = built.HeaderOffset(BlockId::TvPrograms);
    EXPECT_EQ(Word(*loaded.image, header + 8), 3u);
    const std::uint32_t kept[] = {1, 2, 4};
    for (std::uint32_t k = 0; k < 3; ++k)
        EXPECT_EQ(Word(*loaded.image, built.EntryOffset(BlockId::TvPrograms, k)),
                  Word(built.bytes, built.EntryOffset(BlockId::TvPrograms, kept[k])));
    EXPECT_EQ(Word(*loaded.image, built.EntryOffset(BlockId::TvPrograms, 3)), 0xFFFFFFFFu);
    EXPECT_EQ(Word(*loaded.image, built.EntryOffset(BlockId::TvPrograms, 4)), 0xFFFFFFFFu);
    // The header's count and the entries, nothing else: the records stay.
    ExpectChangesWithin(*loaded.image, built.bytes, header + 8, built.EntryOffset(BlockId::TvPrograms, 5));
    ASSERT_TRUE(loaded.Reload());
    EXPECT_EQ(TvNames(*loaded.db), (std::vector<std::string>{"B", "C", "E"}));
    EXPECT_EQ(loaded.db->numRadio, 1);
}

// Two satellites; transponder 10 and 11 on satellite 1, 20 on satellite 2;
// programs on each.
ImageBuilder Cascade()
{
    ImageBuilder builder(2);
    SatRecord one;
    one.satId = 1;
    SatRecord two;
    two.satId = 2;
    builder.AddSat(one).AddSat(two);
    TpRecord tp;
    tp.satId = 1;
    tp.tpId = 10;
    builder.AddTp(tp);
    tp.tpId = 11;
    builder.AddTp(tp);
    tp.satId = 2;
    tp.tpId = 20;
    builder.AddTp(tp);
    builder.AddTv(Prog(1, 10, "on 10")).AddTv(Prog(2, 20, "on 20")).AddTv(Prog(1, 11, "on 11"));
    builder.AddRadio(Prog(1, 10, "radio 10", 0)).AddRadio(Prog(2, 20, "radio 20", 0));
    return builder;
}

TEST(DeleteTransponder, TakesItsProgramsFromBothTables)
{
    const BuiltImage built = Cascade().Build();
    LoadedImage loaded(built);
    const ChangeOutcome outcome = DeleteTransponder(*loaded.image, *loaded.db, 0);  // tpId 10
    ASSERT_TRUE(outcome.done) << outcome.refusal;
    EXPECT_EQ(outcome.removed, (std::array<std::uint32_t, 4>{0, 1, 1, 1}));
    EXPECT_EQ(outcome.keptPrograms, 0u);
    ASSERT_TRUE(loaded.Reload());
    EXPECT_EQ(loaded.db->numTps, 2);
    EXPECT_EQ(TvNames(*loaded.db), (std::vector<std::string>{"on 20", "on 11"}));
    EXPECT_EQ(NameView(loaded.db->radioProgs[0].progName), "radio 20");
    EXPECT_EQ(loaded.db->numRadio, 1);
}

TEST(DeleteTransponder, KeepsProgramsThatADuplicateStillClaims)
{
    ImageBuilder builder = Cascade();
    TpRecord twin;
    twin.satId = 2;
    twin.tpId = 10;  // the same tpId as the first transponder
    builder.AddTp(twin);
    LoadedImage loaded(builder.Build());
    const ChangeOutcome outcome = DeleteTransponder(*loaded.image, *loaded.db, 0);
    ASSERT_TRUE(outcome.done) << outcome.refusal;
    EXPECT_EQ(outcome.removed, (std::array<std::uint32_t, 4>{0, 1, 0, 0}));
    EXPECT_EQ(outcome.keptPrograms, 2u);
    ASSERT_TRUE(loaded.Reload());
    EXPECT_EQ(loaded.db->numTv + loaded.db->numRadio, 5);
}

TEST(DeleteSatellite, TakesItsTranspondersAndTheirProgramsAlong)
{
    const BuiltImage built = Cascade().Build();
    LoadedImage loaded(built);
    const ChangeOutcome outcome = DeleteSatellite(*loaded.image, *loaded.db, 0);  // satId 1
    ASSERT_TRUE(outcome.done) << outcome.refusal;
    EXPECT_EQ(outcome.removed, (std::array<std::uint32_t, 4>{1, 2, 2, 1}));
    ASSERT_TRUE(loaded.Reload());
    EXPECT_EQ(loaded.db->sats[0].satId, 2);
    EXPECT_EQ(loaded.db->numTps, 1);
    EXPECT_EQ(TvNames(*loaded.db), (std::vector<std::string>{"on 20"}));
    EXPECT_EQ(loaded.db->numRadio, 1);
}

TEST(DeleteSatellite, ComparesTheWholeSatIdAndKeepsWhatOthersClaim)
{
    // Satellite 16385 owns no transponder: a transponder's 14-bit satId of 1
    // is not 16385. Programs with satId 16385 go.
    ImageBuilder builder = Cascade();
    SatRecord high;
    high.satId = 16385;
    builder.AddSat(high);
    builder.AddTv(Prog(16385, 20, "high"));
    LoadedImage loaded(builder.Build());
    ChangeOutcome outcome = DeleteSatellite(*loaded.image, *loaded.db, 2);
    ASSERT_TRUE(outcome.done) << outcome.refusal;
    EXPECT_EQ(outcome.removed, (std::array<std::uint32_t, 4>{1, 0, 1, 0}));

    // A second satellite 2: deleting one keeps its transponder and programs.
    ImageBuilder twins = Cascade();
    SatRecord two;
    two.satId = 2;
    twins.AddSat(two);
    LoadedImage second(twins.Build());
    outcome = DeleteSatellite(*second.image, *second.db, 1);
    ASSERT_TRUE(outcome.done) << outcome.refusal;
    EXPECT_EQ(outcome.removed, (std::array<std::uint32_t, 4>{1, 0, 0, 0}));
    EXPECT_EQ(outcome.keptTransponders, 1u);
    EXPECT_EQ(outcome.keptPrograms, 2u);
}

TEST(Arrange, RefusesBlocksThatAreNotSafeToRewrite)
{
    struct Case {
        const char* what;
        Bytes bytes;
        BlockId block;
    };
    std::vector<Case> cases;
    {
        BuiltImage built = FiveTv().Build();
        testing::PutEntry(built.bytes, built.EntryOffset(BlockId::TvPrograms, 2), 0, 0xFFFFF0);
        cases.push_back({"an entry skipped at load", built.bytes, BlockId::TvPrograms});
    }
    {
        // The radio block is laid before the TV block: its count now runs its
        // entries over the TV header.
        BuiltImage built = FiveTv().Build();
        testing::PutBe32(built.bytes, built.HeaderOffset(BlockId::RadioPrograms) + 8, 3);
        cases.push_back({"entries over another block", built.bytes, BlockId::TvPrograms});
    }
    for (Case& c : cases) {
        LoadedImage loaded(c.bytes);
        ASSERT_TRUE(loaded.loaded) << c.what;
        EXPECT_FALSE(ArrangeRefusal(*loaded.image, *loaded.db, c.block).empty()) << c.what;
        const std::uint32_t first[] = {0};
        EXPECT_FALSE(DeletePrograms(*loaded.image, *loaded.db, ProgTable::Tv, first).done) << c.what;
        EXPECT_TRUE(Changed(*loaded.image, c.bytes).empty()) << c.what;
    }
}

TEST(Arrange, RefusesABlockThatReachesTheFlashSize)
{
    // A 512 KiB flash in a 1 MiB file, its TV block the last header the scan
    // sees, with entries running past 0x80000. (With at most 5000 entries held,
    // a block can only reach so far when entries were dropped, which is
    // refused too; the flash size is checked all the same.)
    BuiltImage built = ImageBuilder(1).ImageSize(testing::kLayout2Size).OmitBlock(BlockId::TvPrograms).Build();
    const std::uint32_t header = 0x77FFC;
    const std::uint32_t count = (0x80000 - (header + kBlockHeaderSize)) / kEntrySize + 1;
    testing::PutHeader(built.bytes, header, BlockId::TvPrograms, count);
    testing::PutProgRecord(built.bytes, 0x2000, Prog(1, 1, "X"));
    for (std::uint32_t k = 0; k < count; ++k)
        testing::PutEntry(built.bytes, header + kBlockHeaderSize + kEntrySize * k, 0x01, 0x2000);
    LoadedImage loaded(built);
    ASSERT_TRUE(loaded.loaded);
    EXPECT_FALSE(ArrangeRefusal(*loaded.image, *loaded.db, BlockId::TvPrograms).empty());
    const std::uint32_t first[] = {0};
    EXPECT_FALSE(ReorderPrograms(*loaded.image, *loaded.db, ProgTable::Tv, OrderMovingTo(count, first, 1)).done);
    EXPECT_TRUE(Changed(*loaded.image, built.bytes).empty());
}

TEST(ChangeProgramFlags, RewritesTheFlagBytesOfTheEntriesNamedOnly)
{
    BuiltImage built = FiveTv().Build();
    built.bytes[built.EntryOffset(BlockId::TvPrograms, 1)] = 0xFF;  // bit 7 set, in no group, unlocked
    LoadedImage loaded(built);
    const ProgramEntry programs[] = {{ProgTable::Tv, 1}, {ProgTable::Tv, 3}, {ProgTable::Radio, 0}};
    ASSERT_TRUE(ChangeProgramFlags(*loaded.image, *loaded.db, programs, JoinGroup(3)).done);
    ASSERT_TRUE(ChangeProgramFlags(*loaded.image, *loaded.db, programs, Lock()).done);
    EXPECT_EQ(loaded.image->bytes[built.EntryOffset(BlockId::TvPrograms, 1)], 0xFF & ~0x10 & ~0x01);
    EXPECT_EQ(loaded.image->bytes[built.EntryOffset(BlockId::TvPrograms, 3)], 0x7F & ~0x10 & ~0x01);
    EXPECT_EQ(loaded.image->bytes[built.EntryOffset(BlockId::RadioPrograms, 0)], 0x7F & ~0x10 & ~0x01);
    ASSERT_TRUE(ChangeProgramFlags(*loaded.image, *loaded.db, programs, LeaveGroup(3)).done);
    ASSERT_TRUE(ChangeProgramFlags(*loaded.image, *loaded.db, programs, Unlock()).done);
    EXPECT_EQ(Changed(*loaded.image, built.bytes), std::vector<std::uint32_t>{});

    const ProgramEntry missing[] = {{ProgTable::Tv, 0}, {ProgTable::Tv, 5}};
    EXPECT_FALSE(ChangeProgramFlags(*loaded.image, *loaded.db, missing, Lock()).done);
    EXPECT_EQ(Changed(*loaded.image, built.bytes), std::vector<std::uint32_t>{}) << "all or nothing";
}

} // namespace
} // namespace korvex
