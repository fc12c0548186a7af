#include "db/Queries.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

using testing::BuiltImage;
using testing::ImageBuilder;
using testing::LoadedImage;

TpRecord Tp(std::uint16_t tpId, std::uint16_t satId)
{
    TpRecord tp;
    tp.tpId = tpId;
    tp.satId = satId & 0x3FFF;
    return tp;
}

ProgRecord Prog(std::uint16_t tpId, std::uint16_t videoPid, std::uint16_t serviceId)
{
    ProgRecord prog;
    prog.tpId = tpId;
    prog.videoPid = videoPid;
    prog.serviceId = serviceId;
    return prog;
}

SatRecord Sat(std::uint16_t satId)
{
    SatRecord sat;
    sat.satId = satId;
    return sat;
}

TEST(CollectSatTps, CopiesMatchingTranspondersInOrderAndLeavesTheRestAlone)
{
    LoadedImage loaded(ImageBuilder(1).AddTp(Tp(1, 7)).AddTp(Tp(2, 8)).AddTp(Tp(3, 7)));
    std::array<TpRecord, 4> dest;
    dest.fill(Tp(999, 999));
    EXPECT_EQ(CollectSatTps(*loaded.db, dest, 7), 2u);
    EXPECT_EQ(dest[0].tpId, 1);
    EXPECT_EQ(dest[1].tpId, 3);
    EXPECT_EQ(dest[2].tpId, 999);

    dest.fill(Tp(999, 999));
    EXPECT_EQ(CollectSatTps(*loaded.db, dest, 5), 0u);
    EXPECT_EQ(CollectSatTps(*loaded.db, dest, 16384 + 7), 0u) << "a transponder's satId has 14 bits";
    EXPECT_EQ(dest[0].tpId, 999);
}

TEST(CollectSatTps, StopsAtTheDestinationsCapacity)
{
    ImageBuilder builder(2);
    for (std::uint16_t i = 0; i < kMaxSatTps + 20; ++i)
        builder.AddTp(Tp(i, 1));
    LoadedImage loaded(builder);
    std::array<TpRecord, kMaxSatTps + 1> dest{};
    dest.back() = Tp(4242, 0);
    EXPECT_EQ(CollectSatTps(*loaded.db, std::span(dest).first(kMaxSatTps), 1), kMaxSatTps);
    EXPECT_EQ(dest[kMaxSatTps - 1].tpId, kMaxSatTps - 1);
    EXPECT_EQ(dest.back().tpId, 4242);
}

TEST(CollectTpProgs, ListsTvProgramsBeforeRadioEachInTableOrder)
{
    LoadedImage loaded(ImageBuilder(1)
                           .AddRadio(Prog(5, 0, 1))
                           .AddTv(Prog(5, 10, 2))
                           .AddTv(Prog(6, 10, 3))
                           .AddTv(Prog(5, 0, 4))
                           .AddRadio(Prog(5, 0, 5)));
    std::array<ProgRecord, 500> dest{};
    ASSERT_EQ(CollectTpProgs(*loaded.db, dest, 5), 4u);
    EXPECT_EQ(dest[0].serviceId, 2);
    EXPECT_EQ(dest[1].serviceId, 4);
    EXPECT_EQ(dest[2].serviceId, 1);
    EXPECT_EQ(dest[3].serviceId, 5);
    EXPECT_EQ(dest[4].serviceId, 0);
    std::array<ProgRecord, 2> small{};
    EXPECT_EQ(CollectTpProgs(*loaded.db, small, 5), 2u);
}

TEST(FindSatIndex, ReturnsThePositionOfTheFirstMatchingSatellite)
{
    LoadedImage loaded(ImageBuilder(1).AddSat(Sat(3)).AddSat(Sat(9)).AddSat(Sat(9)));
    EXPECT_EQ(FindSatIndex(*loaded.image, 3), 0);
    EXPECT_EQ(FindSatIndex(*loaded.image, 9), 1);
    EXPECT_EQ(FindSatIndex(*loaded.image, 4), kNoSatIndex);
}

TEST(FindSatIndex, FindsNothingInAnEmptyOrMissingSatelliteTable)
{
    LoadedImage empty(ImageBuilder(1));
    EXPECT_EQ(FindSatIndex(*empty.image, 0), kNoSatIndex);
    LoadedImage missing(ImageBuilder(1).AddSat(Sat(0)).OmitBlock(BlockId::Satellites));
    EXPECT_EQ(FindSatIndex(*missing.image, 0), kNoSatIndex);
}

TEST(FindSatIndex, AgreesWithTheLoaderWhenAnEntryWasSkipped)
{
    BuiltImage built = ImageBuilder(1).AddSat(Sat(1)).AddSat(Sat(2)).Build();
    testing::PutEntry(built.bytes, built.EntryOffset(BlockId::Satellites, 0), 0, 0xFFFFF0);
    LoadedImage loaded(built);
    const std::uint16_t index = FindSatIndex(*loaded.image, 2);
    ASSERT_EQ(index, 0);
    EXPECT_EQ(loaded.db->sats[index].satId, 2);
}

} // namespace
} // namespace korvex
