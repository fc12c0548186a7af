#include "db/LoadDatabase.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LiteralCounting.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace korvex {
namespace {

bool SameRecords(const ChannelDatabase& a, const ChannelDatabase& b)
{
    return a.sats == b.sats && a.tps == b.tps && a.satTps == b.satTps && a.allProgs == b.allProgs &&
           a.tvProgs == b.tvProgs && a.radioProgs == b.radioProgs && a.numSats == b.numSats &&
           a.numTps == b.numTps && a.numProgs == b.numProgs && a.numTv == b.numTv && a.numRadio == b.numRadio;
}

testing::RandomShape DrawShape(std::mt19937& rng, int round)
{
    auto upTo = [&](std::size_t most) { return std::uniform_int_distribution<std::size_t>(0, most)(rng); };
    testing::RandomShape shape;
    // Every fifth image fills the tables to their capacities and beyond.
    const bool full = round % 5 == 4;
    shape.layoutKind = full ? 2 : 1 + round % 2;
    shape.sats = full ? kMaxSats : upTo(kMaxSats);
    shape.tps = full ? kMaxTps : upTo(600);
    shape.tv = full ? 3000 + upTo(400) : upTo(900);
    shape.radio = full ? kMaxRadio : upTo(400);
    shape.satIdRange = static_cast<std::uint16_t>(1 + rng() % 200);
    shape.tpIdRange = static_cast<std::uint16_t>(1 + rng() % (full ? 4000 : 800));
    return shape;
}

// The loader tallies per distinct id; on any image its counts must be exactly
// those of comparing every record with every other, duplicates and misses
// included. The images are loaded one after another into the same database,
// as the window does, with refused images among them: whatever a larger
// earlier image or a refusal left must never show, so the database must
// equal one loaded fresh, entries beyond the counts included.
TEST(Counting, EqualsTheLiteralPassOnRandomImagesLoadedOneAfterAnother)
{
    std::mt19937 rng(1019);
    auto reused = std::make_unique<ChannelDatabase>();
    const auto empty = std::make_unique<ChannelDatabase>();
    auto image = std::make_unique<FlashImage>();
    for (int round = 0; round < 60; ++round) {
        const testing::BuiltImage built = RandomImage(rng, DrawShape(rng, round)).Build();
        testing::LoadedImage fresh(built);
        ASSERT_TRUE(fresh.loaded);
        ASSERT_TRUE(TakeInBytes(*image, built.bytes));
        ASSERT_TRUE(LoadDatabase(*image, *reused));
        ASSERT_TRUE(SameRecords(*reused, *fresh.db)) << "round " << round;

        auto literal = std::make_unique<ChannelDatabase>(*fresh.db);
        testing::LiteralCount(*literal);
        for (std::size_t s = 0; s < fresh.db->numSats; ++s)
            ASSERT_EQ(fresh.db->sats[s], literal->sats[s]) << "round " << round << " satellite " << s;
        for (std::size_t t = 0; t < fresh.db->numTps; ++t)
            ASSERT_EQ(fresh.db->tps[t], literal->tps[t]) << "round " << round << " transponder " << t;

        if (round % 7 == 6) {
            const testing::BuiltImage refused = testing::ImageBuilder(2).SignatureAt(std::nullopt).Build();
            ASSERT_TRUE(TakeInBytes(*image, refused.bytes));
            ASSERT_FALSE(LoadDatabase(*image, *reused));
            ASSERT_TRUE(SameRecords(*reused, *empty)) << "round " << round;
        }
    }
}

} // namespace
} // namespace korvex
