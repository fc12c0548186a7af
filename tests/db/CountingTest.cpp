#include "db/LoadDatabase.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LiteralCounting.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

#include <random>

namespace korvex {
namespace {

// The loader tallies per distinct id; on any image its counts must be exactly
// those of comparing every record with every other, duplicates and misses
// included.
TEST(Counting, EqualsTheLiteralPassOnRandomImages)
{
    std::mt19937 rng(1019);
    for (int round = 0; round < 60; ++round) {
        testing::RandomShape shape;
        shape.layoutKind = 1 + round % 2;
        shape.sats = std::uniform_int_distribution<std::size_t>(0, kMaxSats)(rng);
        shape.tps = std::uniform_int_distribution<std::size_t>(0, 600)(rng);
        shape.tv = std::uniform_int_distribution<std::size_t>(0, 900)(rng);
        shape.radio = std::uniform_int_distribution<std::size_t>(0, 400)(rng);
        shape.satIdRange = static_cast<std::uint16_t>(1 + rng() % 200);
        shape.tpIdRange = static_cast<std::uint16_t>(1 + rng() % 800);
        testing::LoadedImage loaded(RandomImage(rng, shape));
        ASSERT_TRUE(loaded.loaded);

        auto literal = std::make_unique<ChannelDatabase>(*loaded.db);
        testing::LiteralCount(*literal);
        for (std::size_t s = 0; s < loaded.db->numSats; ++s)
            ASSERT_EQ(loaded.db->sats[s], literal->sats[s]) << "round " << round << " satellite " << s;
        for (std::size_t t = 0; t < loaded.db->numTps; ++t)
            ASSERT_EQ(loaded.db->tps[t], literal->tps[t]) << "round " << round << " transponder " << t;
    }
}

} // namespace
} // namespace korvex
