// The write guard leaves sound images alone: every record of the demo images
// and of the largest image the database holds may be edited.

#include "bench/LargestImage.h"
#include "db/WriteGuard.h"
#include "samples/DemoImage.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

void ExpectEveryRecordWritable(const testing::Bytes& bytes, const char* what)
{
    testing::LoadedImage loaded(bytes);
    ASSERT_TRUE(loaded.loaded) << what;
    const FlashImage& image = *loaded.image;
    const ChannelDatabase& db = *loaded.db;
    ASSERT_GT(db.numSats + db.numTps + db.numProgs, 0) << what;
    for (const SatRecord& sat : db.Sats())
        EXPECT_EQ(WriteRefusal(image, sat), std::string_view{}) << what << " satellite " << sat.tableIndex;
    for (const TpRecord& tp : db.Tps())
        EXPECT_EQ(WriteRefusal(image, tp), std::string_view{}) << what << " transponder " << tp.tableIndex;
    for (const ProgRecord& prog : db.AllProgs())
        EXPECT_EQ(WriteRefusal(image, prog), std::string_view{}) << what << " program " << prog.tableIndex;
    for (const BlockId id : {BlockId::Satellites, BlockId::Transponders, BlockId::TvPrograms, BlockId::RadioPrograms})
        EXPECT_EQ(GuardOf(image)->TableRefusal(id), "") << what;
}

TEST(EveryRecordWritable, InTheDemoImages)
{
    ExpectEveryRecordWritable(samples::MakeDemoImage(samples::DemoNames::European), "the demo image");
    ExpectEveryRecordWritable(samples::MakeDemoImage(samples::DemoNames::ChineseGbk), "the GBK demo image");
}

TEST(EveryRecordWritable, InTheLargestImage)
{
    for (const bench::TvVideo video : {bench::TvVideo::Carried, bench::TvVideo::WholeTvTable})
        ExpectEveryRecordWritable(bench::LargestImage(video).bytes, "the largest image");
}

} // namespace
} // namespace korvex
