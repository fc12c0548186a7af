#include "db/Encoders.h"
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
    sat.entryWord = 0x00001000;
    auto image = std::make_unique<FlashImage>();
    ASSERT_TRUE(EncodeSat(*image, sat));
    EXPECT_EQ(BytesAt(*image, 0x1008, 2), (std::vector<std::uint8_t>{0xA0, 0x3F}));
}

TEST(EncodeTp, PacksFrequencyAndPolarisation)
{
    TpRecord tp;
    tp.frequency = 12000;
    tp.polarisation = 1;
    tp.entryWord = 0x00002000;
    auto image = std::make_unique<FlashImage>();
    ASSERT_TRUE(EncodeTp(*image, tp));
    EXPECT_EQ(BytesAt(*image, 0x2004, 2), (std::vector<std::uint8_t>{0xBB, 0x81}));
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
    ASSERT_TRUE(EncodeProg(*loaded.image, edited, 0));
    EXPECT_EQ(loaded.image->bytes[built.EntryOffset(BlockId::TvPrograms, 0)], c.expected);
}

INSTANTIATE_TEST_SUITE_P(FlagBytes, EncodeProgFlagTest,
                         ::testing::Values(FlagCase{0x80, 0, 0x02, 0x82}, FlagCase{0x80, 1, 0x7E, 0xFF},
                                           FlagCase{0x7F, 0, 0x00, 0x00}, FlagCase{0x00, 1, 0x14, 0x15}),
                         [](const auto& info) {
                             return "Flag" + std::to_string(info.param.loadedFlag) + "Gives" +
                                    std::to_string(info.param.expected);
                         });

// Loading, then encoding every record unchanged, leaves every byte as it was,
// apart from a radio record's video bits, which the loader reads as zero.
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
    for (const ProgRecord& prog : db.TvProgs())
        ASSERT_TRUE(EncodeProg(*loaded.image, prog, 0));
    for (const ProgRecord& prog : db.RadioProgs())
        ASSERT_TRUE(EncodeProg(*loaded.image, prog, 1));

    std::vector<std::uint32_t> radioVideoBits;
    for (const std::uint32_t at : built.recordOffsets[3])
        for (std::uint32_t i = 10; i < 12; ++i)
            if (built.bytes[at + i] != 0)
                radioVideoBits.push_back(at + i);
    for (const std::uint32_t changed : ChangedOffsets(*loaded.image, built.bytes)) {
        const bool isRadioVideo = std::find(radioVideoBits.begin(), radioVideoBits.end(), changed) != radioVideoBits.end();
        EXPECT_TRUE(isRadioVideo) << "byte 0x" << std::hex << changed << " changed";
    }
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

TEST(RoundTrip, ARadioRecordsVideoBitsAreTheOnlyBytesAnUnchangedEncodeRewrites)
{
    ProgRecord radio;
    radio.videoPid = 0x1ABC;  // written into the image by the builder
    radio.opaque5 = 0x1F;
    const BuiltImage built = ImageBuilder(1).AddRadio(radio).Build();
    LoadedImage loaded(built);
    ASSERT_TRUE(EncodeProg(*loaded.image, loaded.db->radioProgs[0], 1));
    const std::uint32_t at = built.RecordOffset(BlockId::RadioPrograms, 0);
    EXPECT_EQ(ChangedOffsets(*loaded.image, built.bytes), (std::vector<std::uint32_t>{at + 10, at + 11}));
    EXPECT_EQ(BytesAt(*loaded.image, at + 8, 4), (std::vector<std::uint8_t>{0x00, 0x03, 0xE0, 0x00}));
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
    ASSERT_TRUE(EncodeProg(*loaded.image, edited, 0));

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
    ASSERT_TRUE(EncodeProg(*loaded.image, prog, 0));
    EXPECT_EQ(loaded.image->bytes[at + 26], 0x5A);
    EXPECT_EQ(loaded.image->bytes[at + 27], 0xA5);
}

TEST(UpdateProgFlags, OnlyTheFirstOfTwoEqualEntriesChanges)
{
    ProgRecord prog;
    prog.videoPid = 1;
    BuiltImage built = ImageBuilder(1).AddTv(prog).AddTv(prog).Build();
    // Point the second entry at the first record: both entries now hold the same word.
    testing::PutEntry(built.bytes, built.EntryOffset(BlockId::TvPrograms, 1), 0,
                      built.RecordOffset(BlockId::TvPrograms, 0));
    auto image = testing::MakeFlashImage(built.bytes);
    ASSERT_TRUE(ApplyLayout(*image, 1));
    ASSERT_TRUE(UpdateProgFlags(*image, built.RecordOffset(BlockId::TvPrograms, 0), 0x55, 0));
    EXPECT_EQ(image->bytes[built.EntryOffset(BlockId::TvPrograms, 0)], 0x55);
    EXPECT_EQ(image->bytes[built.EntryOffset(BlockId::TvPrograms, 1)], 0x00);
}

TEST(UpdateProgFlags, FindsTheEntryInTheOtherBlockWhenTheSelectedOneLacksIt)
{
    ProgRecord tvWithoutVideo;  // listed under the Radio tab, but kept in the TV table
    ProgRecord radio;
    const BuiltImage built = ImageBuilder(2).AddTv(tvWithoutVideo).AddRadio(radio).Build();
    LoadedImage loaded(built);

    ProgRecord edited = loaded.db->tvProgs[0];
    edited.unlocked = 1;
    ASSERT_TRUE(EncodeProg(*loaded.image, edited, /*radioMode=*/1));
    EXPECT_EQ(loaded.image->bytes[built.EntryOffset(BlockId::TvPrograms, 0)], 0x01);
    EXPECT_EQ(loaded.image->bytes[built.EntryOffset(BlockId::RadioPrograms, 0)], 0x00);

    edited = loaded.db->radioProgs[0];
    edited.favBits = 0x40;
    ASSERT_TRUE(EncodeProg(*loaded.image, edited, /*radioMode=*/0));
    EXPECT_EQ(loaded.image->bytes[built.EntryOffset(BlockId::RadioPrograms, 0)], 0x40);

    EXPECT_FALSE(UpdateProgFlags(*loaded.image, 0x00FFFFFF, 0x7F, 0));
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
    EXPECT_FALSE(EncodeProg(*image, prog, 0));
    EXPECT_EQ(std::count(image->bytes.begin(), image->bytes.end(), 0), kImageCapacity);
}

} // namespace
} // namespace korvex
