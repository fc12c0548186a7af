#include "samples/DemoImage.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace korvex {
namespace {

TEST(DemoImage, TheShippedFileIsWhatTheBuilderMakes)
{
    std::ifstream in(KORVEX_DEMO_IMAGE, std::ios::binary);
    ASSERT_TRUE(in) << "samples/korvex-demo.bin is missing; make it with korvex-make-demo";
    const testing::Bytes shipped{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_TRUE(shipped == samples::MakeDemoImage())
        << "samples/korvex-demo.bin is stale; make it again with korvex-make-demo";
}

TEST(DemoImage, LoadsWithSatellitesTranspondersAndBothKindsOfProgram)
{
    testing::LoadedImage loaded(samples::MakeDemoImage());
    ASSERT_TRUE(loaded.loaded);
    const ChannelDatabase& db = *loaded.db;
    EXPECT_GE(db.numSats, 3);
    EXPECT_GE(db.numTps, 6);
    EXPECT_GE(db.numTv, 5);
    EXPECT_GE(db.numRadio, 2);
    for (const SatRecord& sat : db.Sats())
        EXPECT_GT(sat.tpCount, 0) << NameView(sat.satName);
    for (const TableAccount& table : db.loadAccount.tables)
        EXPECT_TRUE(table.blockFound);
}

} // namespace
} // namespace korvex
