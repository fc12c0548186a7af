#include "codepage/CharsetDetection.h"
#include "db/Queries.h"
#include "samples/DemoImage.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace korvex {
namespace {

using samples::DemoNames;

struct Demo {
    const char* file;
    DemoNames names;
};

constexpr Demo kDemos[] = {{"korvex-demo.bin", DemoNames::European}, {"korvex-demo-gbk.bin", DemoNames::ChineseGbk}};

TEST(DemoImage, TheShippedFilesAreWhatTheBuilderMakes)
{
    for (const Demo& demo : kDemos) {
        std::ifstream in(std::string(KORVEX_SAMPLES_DIR) + "/" + demo.file, std::ios::binary);
        ASSERT_TRUE(in) << "samples/" << demo.file << " is missing; make it with korvex-make-demo";
        const testing::Bytes shipped{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_TRUE(shipped == samples::MakeDemoImage(demo.names))
            << "samples/" << demo.file << " is stale; make it again with korvex-make-demo";
    }
}

TEST(DemoImage, LoadsWithSatellitesTranspondersAndBothKindsOfProgram)
{
    for (const Demo& demo : kDemos) {
        testing::LoadedImage loaded(samples::MakeDemoImage(demo.names));
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
}

TEST(DemoImage, TheChineseNamesAreDetectedAsGbkUnderUtf8)
{
    testing::LoadedImage loaded(samples::MakeDemoImage(DemoNames::ChineseGbk));
    const CharsetChoice choice = DefaultNameCharset(RecordNames(*loaded.db), "UTF-8");
    EXPECT_EQ(choice.charset.Name(), "GBK");
    EXPECT_EQ(choice.source, CharsetSource::Detected);
    EXPECT_EQ(choice.charset.Decode(NameView(loaded.db->tvProgs[0].progName)), u"中央电视台");
    EXPECT_EQ(choice.charset.Decode(NameView(loaded.db->sats[0].satName)), u"中星6A");
}

} // namespace
} // namespace korvex
