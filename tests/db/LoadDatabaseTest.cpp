#include "db/LoadDatabase.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

#include <cstring>

namespace korvex {
namespace {

using testing::BuiltImage;
using testing::Bytes;
using testing::ImageBuilder;
using testing::LoadedImage;
using testing::Name;
using testing::PutBe16;
using testing::PutBe32;
using testing::PutEntry;
using testing::PutHeader;
using testing::PutProgRecord;
using testing::PutText;

SatRecord Sat(std::uint16_t satId, const char* name = "SAT")
{
    SatRecord sat;
    sat.satId = satId;
    sat.satName = Name(name);
    return sat;
}

TpRecord Tp(std::uint16_t tpId, std::uint16_t satId)
{
    TpRecord tp;
    tp.tpId = tpId;
    tp.satId = satId & 0x3FFF;
    return tp;
}

ProgRecord Prog(std::uint16_t satId, std::uint16_t tpId, std::uint16_t videoPid)
{
    ProgRecord prog;
    prog.satId = satId;
    prog.tpId = tpId;
    prog.videoPid = videoPid;
    return prog;
}

void ExpectEmpty(const ChannelDatabase& db)
{
    EXPECT_EQ(db.numSats, 0);
    EXPECT_EQ(db.numTps, 0);
    EXPECT_EQ(db.numTv, 0);
    EXPECT_EQ(db.numRadio, 0);
    EXPECT_EQ(db.numProgs, 0);
}

TEST(LoadDatabase, LoadsTheSmallestUsefulImage)
{
    Bytes bytes(0x80000, 0);
    PutText(bytes, 0, kSignature);
    PutHeader(bytes, 0x70000, BlockId::Satellites, 1);
    PutEntry(bytes, 0x70014, 0, 0x1000);
    PutHeader(bytes, 0x70018, BlockId::Transponders, 0);
    PutHeader(bytes, 0x70030, BlockId::TvPrograms, 0);
    PutHeader(bytes, 0x70048, BlockId::RadioPrograms, 0);
    PutBe16(bytes, 0x1000, 42);

    LoadedImage loaded(bytes);
    ASSERT_TRUE(loaded.loaded);
    EXPECT_EQ(loaded.image->layoutKind, 1u);
    EXPECT_EQ(loaded.image->flashSize, 0x80000u);
    EXPECT_EQ(loaded.db->numSats, 1);
    EXPECT_EQ(loaded.db->numTps + loaded.db->numTv + loaded.db->numRadio + loaded.db->numProgs, 0);
    EXPECT_EQ(loaded.db->sats[0].satId, 42);
    EXPECT_EQ(loaded.db->sats[0].entryWord, 0x00001000u);
}

TEST(LoadDatabase, FourEmptyTablesLoadWithEveryCountZero)
{
    LoadedImage loaded(ImageBuilder(2));
    ASSERT_TRUE(loaded.loaded);
    EXPECT_EQ(loaded.image->layoutKind, 2u);
    ExpectEmpty(*loaded.db);
}

TEST(LoadDatabase, ARefusedImageLeavesTheDatabaseEmptyAndTheBytesAlone)
{
    const std::vector<std::pair<const char*, ImageBuilder>> refused{
        {"no signature", ImageBuilder(1).AddSat(Sat(1)).SignatureAt(std::nullopt)},
        {"signature at 4", ImageBuilder(1).AddSat(Sat(1)).SignatureAt(4)},
        {"layout 2 without marker", ImageBuilder(2).AddSat(Sat(1)).MarkerAt(std::nullopt)},
        {"magic only before the signature", ImageBuilder(1).AddSat(Sat(1)).SignatureAt(0x7F000)},
    };
    for (const auto& [what, builder] : refused) {
        const auto built = builder.Build();
        LoadedImage loaded(ImageBuilder(1).AddSat(Sat(7)).AddTv(Prog(7, 1, 2)));
        ASSERT_TRUE(loaded.loaded);
        ASSERT_TRUE(TakeInBytes(*loaded.image, built.bytes));
        EXPECT_FALSE(loaded.Reload()) << what;
        ExpectEmpty(*loaded.db);
        EXPECT_TRUE(std::equal(built.bytes.begin(), built.bytes.end(), loaded.image->bytes.begin())) << what;
    }
}

TEST(LoadDatabase, AShortFileNeverShowsTheTablesOfTheImageBeforeIt)
{
    LoadedImage loaded(ImageBuilder(1).AddSat(Sat(1)).AddSat(Sat(2)));
    ASSERT_EQ(loaded.db->numSats, 2);
    // Only the signature and a stray magic: the directory region is beyond
    // the file's end, where the previous image had its tables.
    Bytes shortFile(0x100, 0);
    PutText(shortFile, 0, kSignature);
    PutBe32(shortFile, 0x40, kBlockMagic);
    ASSERT_TRUE(TakeInBytes(*loaded.image, shortFile));
    ASSERT_TRUE(loaded.Reload());
    ExpectEmpty(*loaded.db);
}

TEST(LoadDatabase, DecodesEveryFieldFromTheTopBitDown)
{
    Bytes bytes = ImageBuilder(1).AddSat(Sat(1)).AddSat(Sat(2)).AddTp(Tp(1, 1)).Build().bytes;
    // Satellite packed words 0x8000 and 0x003F, at record byte 8.
    PutBe16(bytes, 0x1000 + 8, 0x8000);
    PutBe16(bytes, 0x1000 + 22 + 8, 0x003F);
    // Transponder words: satId 0x3FFF with opaque 2, frequency 12000 with polarisation 1.
    PutBe16(bytes, 0x1000 + 44 + 2, 0xFFFE);
    PutBe16(bytes, 0x1000 + 44 + 4, 0xBB81);
    LoadedImage loaded(bytes);
    ASSERT_TRUE(loaded.loaded);
    const SatRecord& first = loaded.db->sats[0];
    EXPECT_EQ(first.power012V, 1);
    EXPECT_EQ(first.tone22K + first.diseqc10 + first.diseqc12En + first.lnbType + first.lnbPower + first.position, 0);
    const SatRecord& second = loaded.db->sats[1];
    EXPECT_EQ(second.position, 63);
    EXPECT_EQ(second.power012V + second.tone22K + second.diseqc10 + second.lnbPower, 0);
    const TpRecord& tp = loaded.db->tps[0];
    EXPECT_EQ(tp.satId, 0x3FFF);
    EXPECT_EQ(tp.opaque2, 2);
    EXPECT_EQ(tp.frequency, 12000);
    EXPECT_EQ(tp.polarisation, 1);
}

TEST(LoadDatabase, TakesFlagsTableIndexAndNamesFromEntriesAndRecords)
{
    ProgRecord tv = Prog(1, 1, 100);
    tv.entryWord = 0x80000000;
    tv.unlocked = 1;
    tv.progName = Name("TWELVE_CHARS");
    ProgRecord radio = Prog(1, 1, 0);
    radio.favBits = 0x7E;
    LoadedImage loaded(ImageBuilder(1).AddTv(tv).AddTv(Prog(1, 1, 5)).AddRadio(radio));
    ASSERT_TRUE(loaded.loaded);
    const ProgRecord& first = loaded.db->tvProgs[0];
    EXPECT_EQ(first.entryWord >> 24, 0x81u);
    EXPECT_EQ(first.unlocked, 1);
    EXPECT_EQ(first.favBits, 0);
    EXPECT_EQ(NameView(first.progName), "TWELVE_CHARS");
    EXPECT_EQ(loaded.db->tvProgs[1].tableIndex, 1);
    EXPECT_EQ(loaded.db->radioProgs[0].tableIndex, 0);
    EXPECT_EQ(loaded.db->radioProgs[0].favBits, 0x7E);
    EXPECT_EQ(loaded.db->radioProgs[0].unlocked, 0);
}

TEST(LoadDatabase, MergesTvThenRadioIntoAllProgs)
{
    LoadedImage loaded(ImageBuilder(2).AddTv(Prog(1, 1, 10)).AddTv(Prog(1, 2, 11)).AddRadio(Prog(1, 3, 0)));
    ASSERT_TRUE(loaded.loaded);
    ASSERT_EQ(loaded.db->numProgs, 3);
    EXPECT_EQ(loaded.db->allProgs[0], loaded.db->tvProgs[0]);
    EXPECT_EQ(loaded.db->allProgs[1], loaded.db->tvProgs[1]);
    EXPECT_EQ(loaded.db->allProgs[2], loaded.db->radioProgs[0]);
    EXPECT_EQ(loaded.db->allProgs[3], ProgRecord{});
}

TEST(LoadDatabase, ARadioRecordsVideoBitsAreReadAsZero)
{
    BuiltImage built = ImageBuilder(1).AddRadio(Prog(1, 1, 0)).Build();
    PutBe32(built.bytes, built.RecordOffset(BlockId::RadioPrograms, 0) + 8, 0x80001FFF);
    LoadedImage loaded(built);
    EXPECT_EQ(loaded.db->radioProgs[0].videoPid, 0);
    EXPECT_EQ(loaded.db->radioProgs[0].opaque1, 1);
}

TEST(LoadDatabase, KeepsProgramBytes28To35Raw)
{
    BuiltImage built = ImageBuilder(1).AddTv(Prog(1, 1, 1)).Build();
    const std::uint32_t at = built.RecordOffset(BlockId::TvPrograms, 0);
    for (std::uint32_t i = 0; i < 8; ++i)
        built.bytes[at + 28 + i] = static_cast<std::uint8_t>(0xA0 + i);
    LoadedImage loaded(built);
    const auto& tail = loaded.db->tvProgs[0].tailWords;
    EXPECT_EQ(0, std::memcmp(tail.data(), built.bytes.data() + at + 28, 8));
}

TEST(Counting, FollowsTheIdentifierRules)
{
    ImageBuilder builder(1);
    builder.AddSat(Sat(5)).AddSat(Sat(16384 + 5)).AddSat(Sat(9)).AddSat(Sat(5));
    // Transponder satId is 14 bits: 5 matches both satellites with id 5, never 16389.
    builder.AddTp(Tp(100, 5)).AddTp(Tp(100, 5)).AddTp(Tp(200, 9)).AddTp(Tp(300, 77));
    builder.AddTv(Prog(5, 100, 33));       // TV on sats 5 and tps 100 (both copies)
    builder.AddTv(Prog(5, 100, 0));        // TV table, no video: counts as radio
    builder.AddRadio(Prog(9, 200, 0));
    builder.AddRadio(Prog(16389, 300, 0)); // the satellite 16389 does have programs
    builder.AddTv(Prog(1234, 4321, 7));    // refers to nothing
    LoadedImage loaded(builder);
    ASSERT_TRUE(loaded.loaded);
    const ChannelDatabase& db = *loaded.db;
    EXPECT_EQ(db.numTv, 3);
    EXPECT_EQ(db.numRadio, 2);

    struct SatCounts { std::uint16_t tp, tv, radio; };
    const SatCounts expectedSats[] = {{2, 1, 1}, {0, 0, 1}, {1, 0, 1}, {2, 1, 1}};
    for (std::size_t s = 0; s < 4; ++s) {
        EXPECT_EQ(db.sats[s].tpCount, expectedSats[s].tp) << "satellite " << s;
        EXPECT_EQ(db.sats[s].tvCount, expectedSats[s].tv) << "satellite " << s;
        EXPECT_EQ(db.sats[s].radioCount, expectedSats[s].radio) << "satellite " << s;
    }
    const SatCounts expectedTps[] = {{0, 1, 1}, {0, 1, 1}, {0, 0, 1}, {0, 0, 1}};
    for (std::size_t t = 0; t < 4; ++t) {
        EXPECT_EQ(db.tps[t].tvCount, expectedTps[t].tv) << "transponder " << t;
        EXPECT_EQ(db.tps[t].radioCount, expectedTps[t].radio) << "transponder " << t;
    }
}

TEST(StoreNameBytes, EndsAShorterNameWithOneZeroAndKeepsTheBytesBehindIt)
{
    NameBytes field = Name("ABCDEFGHIJ");
    StoreNameBytes(field, "xy");
    EXPECT_EQ(std::string(field.begin(), field.end()), std::string("xy\0DEFGHIJ\0\0", 12));
    StoreNameBytes(field, "0123456789abcdef");
    EXPECT_EQ(std::string(field.begin(), field.end()), "0123456789ab");
}

TEST(Counting, SatellitesWithoutProgramsCountOnlyTheirTransponders)
{
    LoadedImage loaded(ImageBuilder(2).AddSat(Sat(1)).AddSat(Sat(2)).AddTp(Tp(1, 1)).AddTp(Tp(2, 1)).AddTp(Tp(3, 2)));
    EXPECT_EQ(loaded.db->sats[0].tpCount, 2);
    EXPECT_EQ(loaded.db->sats[1].tpCount, 1);
    EXPECT_EQ(loaded.db->sats[0].tvCount + loaded.db->sats[0].radioCount, 0);
}

TEST(LoadDatabase, AMissingBlockIsAnEmptyTable)
{
    LoadedImage loaded(ImageBuilder(1).AddSat(Sat(1)).AddTv(Prog(1, 1, 1)).OmitBlock(BlockId::Satellites));
    ASSERT_TRUE(loaded.loaded);
    EXPECT_EQ(loaded.db->numSats, 0);
    EXPECT_EQ(loaded.db->numTv, 1);
    EXPECT_FALSE(loaded.db->loadAccount.tables[0].blockFound);
    EXPECT_TRUE(loaded.db->loadAccount.tables[2].blockFound);
}

TEST(LoadDatabase, SkipsEntriesWhoseRecordLiesOutsideTheBuffer)
{
    BuiltImage built = ImageBuilder(2).AddSat(Sat(1)).AddSat(Sat(2)).AddSat(Sat(3)).Build();
    PutEntry(built.bytes, built.EntryOffset(BlockId::Satellites, 0), 0, kImageCapacity - 21);
    PutEntry(built.bytes, built.EntryOffset(BlockId::Satellites, 2), 0, kImageCapacity - 22);
    LoadedImage loaded(built);
    ASSERT_TRUE(loaded.loaded);
    ASSERT_EQ(loaded.db->numSats, 2);
    EXPECT_EQ(loaded.db->sats[0].satId, 2);
    EXPECT_EQ(loaded.db->sats[1].entryWord, kImageCapacity - 22);
    EXPECT_EQ(loaded.db->loadAccount.tables[0].skipped, 1u);
}

TEST(LoadDatabase, AHugeEntryCountEndsAtTheBufferAndTheCapacity)
{
    // The entries beyond the real ones are zero words: records at offset 0,
    // inside the buffer, so they fill the table up to its capacity.
    BuiltImage built = ImageBuilder(2).AddRadio(Prog(1, 1, 0)).Build();
    PutBe32(built.bytes, built.HeaderOffset(BlockId::RadioPrograms) + 8, 0xFFFFFFFF);
    LoadedImage loaded(built);
    ASSERT_TRUE(loaded.loaded);
    EXPECT_EQ(loaded.db->numRadio, kMaxRadio);
    const TableAccount& account = loaded.db->loadAccount.tables[3];
    EXPECT_GT(account.dropped, 0xFFF00000u);
    EXPECT_EQ(std::uint64_t{account.dropped} + account.skipped + loaded.db->numRadio, 0xFFFFFFFFull);
}

TEST(LoadDatabase, DropsRecordsBeyondEachTablesCapacity)
{
    ImageBuilder builder(2);
    for (std::uint16_t i = 0; i < kMaxSats + 3; ++i)
        builder.AddSat(Sat(i));
    for (std::uint16_t i = 0; i < 4000; ++i)
        builder.AddTv(Prog(1, 1, 1));
    for (std::uint16_t i = 0; i < 1500; ++i)
        builder.AddRadio(Prog(1, 1, 0));
    LoadedImage loaded(builder);
    ASSERT_TRUE(loaded.loaded);
    const ChannelDatabase& db = *loaded.db;
    EXPECT_EQ(db.numSats, kMaxSats);
    EXPECT_EQ(db.sats[kMaxSats - 1].satId, kMaxSats - 1);
    EXPECT_EQ(db.loadAccount.tables[0].dropped, 3u);
    // allProgs holds 5000: the radio table keeps what the TV table leaves.
    EXPECT_EQ(db.numTv, 4000);
    EXPECT_EQ(db.numRadio, 1000);
    EXPECT_EQ(db.numProgs, 5000);
    EXPECT_EQ(db.loadAccount.tables[3].dropped, 500u);
    EXPECT_EQ(db.allProgs[4999], db.radioProgs[999]);
}

TEST(LoadDatabase, ReloadingStartsFromAClearedDatabase)
{
    LoadedImage loaded(ImageBuilder(1).AddSat(Sat(1)).AddTp(Tp(1, 1)).AddTp(Tp(2, 1)));
    loaded.db->satTps[0] = loaded.db->tps[0];
    ASSERT_TRUE(TakeInBytes(*loaded.image, ImageBuilder(1).AddSat(Sat(1)).AddTp(Tp(1, 1)).Build().bytes));
    ASSERT_TRUE(loaded.Reload());
    EXPECT_EQ(loaded.db->numTps, 1);
    EXPECT_EQ(loaded.db->sats[0].tpCount, 1);
    EXPECT_EQ(loaded.db->tps[1], TpRecord{});
    EXPECT_EQ(loaded.db->satTps[0], TpRecord{});
}

} // namespace
} // namespace korvex
