#include "db/Encoders.h"
#include "db/WriteGuard.h"
#include "db/RecordCodec.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace korvex {
namespace {

using testing::BuiltImage;
using testing::Bytes;
using testing::ImageBuilder;
using testing::LoadedImage;
using testing::Name;

std::vector<std::uint8_t> BytesAt(const FlashImage& image, std::uint32_t at, std::size_t n)
{
    return {image.bytes.begin() + at, image.bytes.begin() + at + n};
}

// Offsets of the bytes that differ between the image and the bytes it was built from.
std::vector<std::uint32_t> ChangedOffsets(const FlashImage& image, const Bytes& before)
{
    std::vector<std::uint32_t> changed;
    for (std::uint32_t i = 0; i < kImageCapacity; ++i)
        if (image.bytes[i] != (i < before.size() ? before[i] : 0))
            changed.push_back(i);
    return changed;
}

TEST(EncodeSat, PacksTheWordFromTheTopBitDown)
{
    SatRecord sat;
    sat.power012V = 1;
    sat.diseqc10 = 4;
    sat.position = 63;
    // Encoders write only into a loaded image, at a record its load found.
    LoadedImage loaded(ImageBuilder(1).AddSat(SatRecord{}));
    ASSERT_TRUE(loaded.loaded);
    sat.entryWord = loaded.db->sats[0].entryWord;
    ASSERT_TRUE(EncodeSat(*loaded.image, sat));
    EXPECT_EQ(BytesAt(*loaded.image, RecordOffsetOf(sat.entryWord) + 8, 2), (std::vector<std::uint8_t>{0xA0, 0x3F}));
}

TEST(EncodeTp, PacksFrequencyAndPolarisation)
{
    TpRecord tp;
    tp.frequency = 12000;
    tp.polarisation = 1;
    LoadedImage loaded(ImageBuilder(1).AddTp(TpRecord{}));
    ASSERT_TRUE(loaded.loaded);
    tp.entryWord = loaded.db->tps[0].entryWord;
    ASSERT_TRUE(EncodeTp(*loaded.image, tp));
    EXPECT_EQ(BytesAt(*loaded.image, RecordOffsetOf(tp.entryWord) + 4, 2), (std::vector<std::uint8_t>{0xBB, 0x81}));
}

struct FlagCase {
    std::uint8_t loadedFlag;
    std::uint8_t unlocked;
    std::uint8_t favBits;
    std::uint8_t expected;
    friend void PrintTo(const FlagCase& c, std::ostream* os)
    {
        *os << "flag " << int{c.loadedFlag} << ", unlocked " << int{c.unlocked} << ", favBits "
            << int{c.favBits};
    }
};

class EncodeProgFlagTest : public ::testing::TestWithParam<FlagCase> {};

TEST_P(EncodeProgFlagTest, KeepsBit7AndSetsLockAndFavourites)
{
    const FlagCase& c = GetParam();
    ProgRecord prog;
    prog.videoPid = 1;
    prog.entryWord = std::uint32_t{c.loadedFlag} << 24;
    prog.unlocked = c.loadedFlag & 1;
    prog.favBits = c.loadedFlag & 0x7E;
    const BuiltImage built = ImageBuilder(1).AddTv(prog).Build();
    LoadedImage loaded(built);
    ProgRecord edited = loaded.db->tvProgs[0];
    edited.unlocked = c.unlocked;
    edited.favBits = c.favBits;
    ASSERT_TRUE(EncodeProg(*loaded.image, edited));
    EXPECT_EQ(loaded.image->bytes[built.EntryOffset(BlockId::TvPrograms, 0)], c.expected);
}

INSTANTIATE_TEST_SUITE_P(FlagBytes, EncodeProgFlagTest,
                         ::testing::Values(FlagCase{0x80, 0, 0x02, 0x82}, FlagCase{0x80, 1, 0x7E, 0xFF},
                                           FlagCase{0x7F, 0, 0x00, 0x00}, FlagCase{0x00, 1, 0x14, 0x15}),
                         [](const auto& info) {
                             return "Flag" + std::to_string(info.param.loadedFlag) + "Gives" +
                                    std::to_string(info.param.expected);
                         });

// Loading, then encoding every record unchanged, leaves every byte as it was.
void ExpectRoundTripKeepsEveryByte(const ImageBuilder& builder)
{
    const BuiltImage built = builder.Build();
    LoadedImage loaded(built);
    ASSERT_TRUE(loaded.loaded);
    const ChannelDatabase& db = *loaded.db;
    for (const SatRecord& sat : db.Sats())
        ASSERT_TRUE(EncodeSat(*loaded.image, sat));
    for (const TpRecord& tp : db.Tps())
        ASSERT_TRUE(EncodeTp(*loaded.image, tp));
    for (const ProgRecord& prog : db.AllProgs())
        ASSERT_TRUE(EncodeProg(*loaded.image, prog));
    EXPECT_EQ(ChangedOffsets(*loaded.image, built.bytes), std::vector<std::uint32_t>{});
}

TEST(RoundTrip, EncodingEveryRecordUnchangedKeepsEveryByte)
{
    std::mt19937 rng(20261210);
    for (const int layout : {1, 2}) {
        testing::RandomShape shape;
        shape.layoutKind = layout;
        ExpectRoundTripKeepsEveryByte(RandomImage(rng, shape));
    }
}

TEST(RoundTrip, ARadioRecordKeepsTheVideoBitsItsTableDoesNotDecode)
{
    ProgRecord radio;
    radio.videoPid = 0x1ABC;  // written into the image by the builder
    radio.opaque5 = 0x1F;
    const BuiltImage built = ImageBuilder(1).AddRadio(radio).Build();
    LoadedImage loaded(built);
    ProgRecord edited = loaded.db->radioProgs[0];
    EXPECT_EQ(edited.videoPid, 0u);
    edited.progName = Name("RADIO ONE");
    edited.audioPid = 0x123;
    ASSERT_TRUE(EncodeProg(*loaded.image, edited));
    const std::uint32_t at = built.RecordOffset(BlockId::RadioPrograms, 0);
    EXPECT_EQ(BytesAt(*loaded.image, at + 8, 4), (std::vector<std::uint8_t>{0x00, 0x03, 0xFA, 0xBC}));
    ASSERT_TRUE(loaded.Reload());
    EXPECT_EQ(NameView(loaded.db->radioProgs[0].progName), "RADIO ONE");
    EXPECT_EQ(loaded.db->radioProgs[0].videoPid, 0u);
}

TEST(EncodeProg, ChangesOnlyItsRecordAndItsEntrysFlagByte)
{
    std::mt19937 rng(7);
    const BuiltImage built = testing::RandomImage(rng, {}).Build();
    LoadedImage loaded(built);
    ProgRecord edited = loaded.db->tvProgs[5];
    edited.progName = Name("CHANGED");
    edited.favBits = static_cast<std::uint8_t>(~edited.favBits & 0x7E);
    edited.serviceId = static_cast<std::uint16_t>(edited.serviceId ^ 0xFFFF);
    ASSERT_TRUE(EncodeProg(*loaded.image, edited));

    const std::uint32_t record = built.RecordOffset(BlockId::TvPrograms, 5);
    const std::uint32_t entry = built.EntryOffset(BlockId::TvPrograms, 5);
    for (const std::uint32_t changed : ChangedOffsets(*loaded.image, built.bytes)) {
        const bool inRecord = changed >= record && changed < record + kProgRecordSize &&
                              changed != record + 26 && changed != record + 27;
        EXPECT_TRUE(inRecord || changed == entry) << "byte 0x" << std::hex << changed << " changed";
    }
    ASSERT_TRUE(loaded.Reload());
    EXPECT_EQ(NameView(loaded.db->tvProgs[5].progName), "CHANGED");
    EXPECT_EQ(loaded.db->tvProgs[5].favBits, edited.favBits);
}

TEST(EncodeProg, NeverTouchesBytes26And27)
{
    const BuiltImage built = ImageBuilder(1).AddTv(ProgRecord{}).Build();
    Bytes bytes = built.bytes;
    const std::uint32_t at = built.RecordOffset(BlockId::TvPrograms, 0);
    bytes[at + 26] = 0x5A;
    bytes[at + 27] = 0xA5;
    LoadedImage loaded(bytes);
    ProgRecord prog = loaded.db->tvProgs[0];
    std::ranges::fill(prog.progName, 0xFF);
    ASSERT_TRUE(EncodeProg(*loaded.image, prog));
    EXPECT_EQ(loaded.image->bytes[at + 26], 0x5A);
    EXPECT_EQ(loaded.image->bytes[at + 27], 0xA5);
}

TEST(UpdateProgFlags, TheEditedRowsOwnEntryChangesWhenTwoEntriesHoldTheSameWord)
{
    ProgRecord prog;
    prog.videoPid = 1;
    BuiltImage built = ImageBuilder(1).AddTv(prog).AddTv(prog).Build();
    // Point the second entry at the first record: both entries now hold the same word.
    testing::PutEntry(built.bytes, built.EntryOffset(BlockId::TvPrograms, 1), 0,
                      built.RecordOffset(BlockId::TvPrograms, 0));
    LoadedImage loaded(built);
    ASSERT_EQ(loaded.db->tvProgs[0].entryWord, loaded.db->tvProgs[1].entryWord);

    ASSERT_TRUE(UpdateProgFlags(*loaded.image, loaded.db->tvProgs[1], 0x55));
    EXPECT_EQ(loaded.image->bytes[built.EntryOffset(BlockId::TvPrograms, 0)], 0x00);
    EXPECT_EQ(loaded.image->bytes[built.EntryOffset(BlockId::TvPrograms, 1)], 0x55);
    ASSERT_TRUE(UpdateProgFlags(*loaded.image, loaded.db->tvProgs[0], 0x2A));
    EXPECT_EQ(loaded.image->bytes[built.EntryOffset(BlockId::TvPrograms, 0)], 0x2A);
    EXPECT_EQ(loaded.image->bytes[built.EntryOffset(BlockId::TvPrograms, 1)], 0x55);
}

TEST(UpdateProgFlags, WritesTheEntryOfTheTableTheRecordWasLoadedFrom)
{
    // One record with an entry in each table: a TV-table program without
    // video (listed under the Radio tab) and a radio program.
    BuiltImage built = ImageBuilder(2).AddTv(ProgRecord{}).AddRadio(ProgRecord{}).Build();
    testing::PutEntry(built.bytes, built.EntryOffset(BlockId::RadioPrograms, 0), 0,
                      built.RecordOffset(BlockId::TvPrograms, 0));
    LoadedImage loaded(built);
    const std::uint32_t tvEntry = built.EntryOffset(BlockId::TvPrograms, 0);
    const std::uint32_t radioEntry = built.EntryOffset(BlockId::RadioPrograms, 0);

    ProgRecord edited = loaded.db->tvProgs[0];
    edited.unlocked = 1;
    ASSERT_TRUE(EncodeProg(*loaded.image, edited));
    EXPECT_EQ(loaded.image->bytes[tvEntry], 0x01);
    EXPECT_EQ(loaded.image->bytes[radioEntry], 0x00);

    edited = loaded.db->radioProgs[0];
    edited.favBits = 0x40;
    ASSERT_TRUE(EncodeProg(*loaded.image, edited));
    EXPECT_EQ(loaded.image->bytes[tvEntry], 0x01);
    EXPECT_EQ(loaded.image->bytes[radioEntry], 0x40);
}

TEST(UpdateProgFlags, RefusesAnEntryThatNoLongerPointsAtTheRecord)
{
    const BuiltImage built = ImageBuilder(1).AddTv(ProgRecord{}).AddTv(ProgRecord{}).Build();
    LoadedImage loaded(built);
    ProgRecord stale = loaded.db->tvProgs[0];
    stale.tableIndex = 1;  // entry 1 points at the other record
    EXPECT_FALSE(UpdateProgFlags(*loaded.image, stale, 0x7F));
    stale.tableIndex = 2;  // no such entry
    EXPECT_FALSE(UpdateProgFlags(*loaded.image, stale, 0x7F));
    EXPECT_EQ(ChangedOffsets(*loaded.image, built.bytes), std::vector<std::uint32_t>{});
}

// A 512 KiB flash in a 1 MiB file: records behind 0x80000 load, but Save
// writes only the first 0x80000 bytes, so no edit of them may be accepted.
TEST(Encoders, RefuseRecordsAtOrBeyondTheFlashSize)
{
    ProgRecord tv;
    tv.videoPid = 1;
    // The satellite straddles 0x80000; everything after it lies wholly beyond.
    const BuiltImage built = ImageBuilder(1)
                                 .ImageSize(testing::kLayout2Size)
                                 .RecordsAt(0x80000 - 10)
                                 .AddSat(SatRecord{})
                                 .AddTp(TpRecord{})
                                 .AddTv(tv)
                                 .AddRadio(ProgRecord{})
                                 .Build();
    LoadedImage loaded(built);
    ASSERT_TRUE(loaded.loaded);
    ASSERT_EQ(loaded.image->flashSize, testing::kLayout1Size);
    const ChannelDatabase& db = *loaded.db;
    ASSERT_EQ(db.numSats + db.numTps + db.numTv + db.numRadio, 4);

    EXPECT_FALSE(IsWritable(*loaded.image, db.sats[0]));
    EXPECT_FALSE(EncodeSat(*loaded.image, db.sats[0]));
    EXPECT_FALSE(IsWritable(*loaded.image, db.tps[0]));
    EXPECT_FALSE(EncodeTp(*loaded.image, db.tps[0]));
    for (const ProgRecord& prog : db.AllProgs()) {
        ProgRecord edited = prog;
        edited.unlocked = 1;
        EXPECT_FALSE(IsWritable(*loaded.image, edited));
        EXPECT_FALSE(EncodeProg(*loaded.image, edited));
    }
    EXPECT_EQ(ChangedOffsets(*loaded.image, built.bytes), std::vector<std::uint32_t>{});
}

TEST(Encoders, RefuseAProgramWhoseEntryLiesAtOrBeyondTheFlashSize)
{
    // The TV block's last header position in a 512 KiB flash, with entries that
    // run past 0x80000: the first 8188 point outside the buffer and are
    // skipped, entry 8188 (at 0x80000) is the one held.
    BuiltImage built = ImageBuilder(1).ImageSize(testing::kLayout2Size).OmitBlock(BlockId::TvPrograms).Build();
    constexpr std::uint32_t header = 0x77FFC;
    constexpr std::uint32_t held = 8188;
    testing::PutHeader(built.bytes, header, BlockId::TvPrograms, held + 1);
    for (std::uint32_t k = 0; k < held; ++k)
        testing::PutEntry(built.bytes, header + kBlockHeaderSize + kEntrySize * k, 0, 0xFFFFFF);
    ProgRecord tv;
    tv.videoPid = 1;
    testing::PutProgRecord(built.bytes, 0x2000, tv);
    const std::uint32_t entry = header + kBlockHeaderSize + kEntrySize * held;
    ASSERT_EQ(entry, 0x80000u);
    testing::PutEntry(built.bytes, entry, 0, 0x2000);

    LoadedImage loaded(built);
    ASSERT_EQ(loaded.db->numTv, 1);
    ProgRecord edited = loaded.db->tvProgs[0];
    EXPECT_EQ(edited.tableIndex, held);
    edited.favBits = 0x02;
    EXPECT_FALSE(IsWritable(*loaded.image, edited));
    EXPECT_FALSE(EncodeProg(*loaded.image, edited));
    EXPECT_FALSE(UpdateProgFlags(*loaded.image, edited, 0x02));
    EXPECT_EQ(ChangedOffsets(*loaded.image, built.bytes), std::vector<std::uint32_t>{});
}

TEST(Encoders, LeaveDirectoryEntriesOfSatellitesAndTranspondersAlone)
{
    SatRecord sat;
    sat.entryWord = 0xC3000000;
    TpRecord tp;
    tp.entryWord = 0x5A000000;
    const BuiltImage built = ImageBuilder(1).AddSat(sat).AddTp(tp).Build();
    LoadedImage loaded(built);
    SatRecord editedSat = loaded.db->sats[0];
    editedSat.satName = Name("NEW NAME");
    TpRecord editedTp = loaded.db->tps[0];
    editedTp.frequency = 11000;
    ASSERT_TRUE(EncodeSat(*loaded.image, editedSat));
    ASSERT_TRUE(EncodeTp(*loaded.image, editedTp));
    for (const std::uint32_t changed : ChangedOffsets(*loaded.image, built.bytes)) {
        EXPECT_LT(changed, 0x70000u) << "only record bytes change";
    }
}

TEST(Encoders, WriteNothingForARecordThatWouldRunPastTheBuffer)
{
    auto image = std::make_unique<FlashImage>();
    SatRecord sat;
    sat.satId = 0xFFFF;
    sat.entryWord = 0x00FFFFF0;  // beyond the 1 MiB buffer
    EXPECT_FALSE(EncodeSat(*image, sat));
    ProgRecord prog;
    prog.entryWord = kImageCapacity - 35;
    prog.satId = 0xFFFF;
    EXPECT_FALSE(EncodeProg(*image, prog));
    EXPECT_EQ(std::count(image->bytes.begin(), image->bytes.end(), 0), kImageCapacity);
}

} // namespace
} // namespace korvex
