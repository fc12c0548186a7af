#include "db/FlashImage.h"
#include "tests/support/ImageBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace korvex {
namespace {

using testing::BuiltImage;
using testing::Bytes;
using testing::ImageBuilder;
using testing::MakeFlashImage;
using testing::PutBe32;
using testing::PutHeader;
using testing::PutText;

TEST(TakeIn, ClearsWhatAnEarlierFileLeftBehindItsEnd)
{
    auto image = std::make_unique<FlashImage>();
    ASSERT_TRUE(TakeInBytes(*image, Bytes(kImageCapacity, 0xAB)));
    ASSERT_TRUE(TakeInBytes(*image, Bytes{1, 2, 3}));
    EXPECT_EQ(image->bytes[0], 1);
    EXPECT_EQ(image->bytes[2], 3);
    EXPECT_EQ(std::count(image->bytes.begin() + 3, image->bytes.end(), 0), kImageCapacity - 3);
    EXPECT_EQ(image->fileOpened, 1u);
}

TEST(TakeIn, RefusesMoreThanOneMebibyteAndLeavesTheImageAlone)
{
    auto image = MakeFlashImage(Bytes{9, 9});
    image->fileOpened = 0;
    EXPECT_FALSE(TakeInBytes(*image, Bytes(kImageCapacity + 1, 0xCC)));
    EXPECT_EQ(image->bytes[0], 9);
    EXPECT_EQ(image->bytes[2], 0);
    EXPECT_EQ(image->fileOpened, 0u);
    EXPECT_TRUE(TakeInBytes(*image, Bytes(kImageCapacity, 0xCC)));
}

class TakeInFileTest : public ::testing::Test {
protected:
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("korvex-takein-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::filesystem::path Write(const char* name, const Bytes& content)
    {
        const auto path = dir / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
        return path;
    }
};

TEST_F(TakeInFileTest, ReportsEachKindOfFailureWithoutTouchingTheImage)
{
    auto image = MakeFlashImage(Bytes{7});
    image->fileOpened = 0;
    std::error_code why;
    EXPECT_EQ(TakeInFile(*image, dir / "missing.bin", &why), TakeInResult::CannotRead);
    EXPECT_EQ(why, std::errc::no_such_file_or_directory);
    EXPECT_EQ(TakeInFile(*image, dir), TakeInResult::CannotRead);
    EXPECT_EQ(TakeInFile(*image, Write("big.bin", Bytes(kImageCapacity + 1, 1))), TakeInResult::TooLarge);
    EXPECT_EQ(image->bytes[0], 7);
    EXPECT_EQ(image->bytes[1], 0);
    EXPECT_EQ(image->fileOpened, 0u);
}

TEST_F(TakeInFileTest, TakesInFilesUpToOneMebibyteIncludingAnEmptyOne)
{
    auto image = MakeFlashImage(Bytes(100, 0xEE));
    EXPECT_EQ(TakeInFile(*image, Write("full.bin", Bytes(kImageCapacity, 5))), TakeInResult::Taken);
    EXPECT_EQ(image->bytes[kImageCapacity - 1], 5);
    EXPECT_EQ(TakeInFile(*image, Write("empty.bin", {})), TakeInResult::Taken);
    EXPECT_EQ(image->bytes[0], 0);
    EXPECT_EQ(image->fileOpened, 1u);
}

struct LayoutCase {
    const char* what;
    std::optional<std::uint32_t> signatureAt;
    std::uint32_t magicAt;
    std::uint32_t expectedKind;
    friend void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.what; }
};

class DetectLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(DetectLayoutTest, ChoosesTheLayoutFromTheFirstMagicAfterTheSignature)
{
    const LayoutCase& c = GetParam();
    Bytes bytes(kImageCapacity, 0);
    if (c.signatureAt)
        PutText(bytes, *c.signatureAt, kSignature);
    PutBe32(bytes, c.magicAt, kBlockMagic);
    EXPECT_EQ(DetectLayout(*MakeFlashImage(bytes)), c.expectedKind) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, DetectLayoutTest,
    ::testing::Values(LayoutCase{"signature at 0", 0, 0x70000, 1},
                      LayoutCase{"magic at exactly 0x80000", 0, 0x80000, 1},
                      LayoutCase{"magic at 0x80001", 0, 0x80001, 2},
                      LayoutCase{"magic in the last four bytes", 0, kImageCapacity - 4, 2},
                      LayoutCase{"signature at 4 is refused", 4, 0x70000, 0},
                      LayoutCase{"signature at 5 is fine", 5, 0x70000, 1},
                      LayoutCase{"no signature", std::nullopt, 0x70000, 0},
                      LayoutCase{"magic only before the signature", 0x71000, 0x70000, 0},
                      LayoutCase{"signature in the last eight bytes", kImageCapacity - 8, 0x70000, 0}),
    [](const auto& info) { return testing::CaseName(info.param.what); });

TEST(DetectLayout, TheLowestSignatureDecidesEvenWhenALaterOneWouldPass)
{
    Bytes bytes(kImageCapacity, 0);
    PutText(bytes, 4, kSignature);
    PutText(bytes, 0x100, kSignature);
    PutBe32(bytes, 0x70000, kBlockMagic);
    EXPECT_EQ(DetectLayout(*MakeFlashImage(bytes)), 0u);
}

TEST(DetectLayout, ASignatureCutByTheEndOfTheBufferIsNotFound)
{
    Bytes bytes(kImageCapacity, 0);
    PutText(bytes, kImageCapacity - 7, kSignature.substr(0, 7));
    EXPECT_EQ(DetectLayout(*MakeFlashImage(bytes)), 0u);
}

struct MarkerCase {
    const char* what;
    std::vector<std::uint32_t> markers;
    bool applies;
    std::uint32_t dirStart;
    friend void PrintTo(const MarkerCase& c, std::ostream* os) { *os << c.what; }
};

class ApplyLayout2Test : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(ApplyLayout2Test, FindsTheDirectoryByItsMarker)
{
    const MarkerCase& c = GetParam();
    Bytes bytes(kImageCapacity, 0);
    for (const std::uint32_t at : c.markers)
        PutBe32(bytes, at, kDirectoryMarker);
    auto image = MakeFlashImage(bytes);
    image->flashSize = 0x1234;
    ASSERT_EQ(ApplyLayout(*image, 2), c.applies) << c.what;
    if (c.applies) {
        EXPECT_EQ(image->dirStart, c.dirStart);
        EXPECT_EQ(image->flashSize, 0x100000u);
    } else {
        EXPECT_EQ(image->flashSize, 0x1234u) << "flashSize keeps its value on failure";
    }
    EXPECT_EQ(image->dirScanLength, 0x10000u);
}

INSTANTIATE_TEST_SUITE_P(
    Markers, ApplyLayout2Test,
    ::testing::Values(MarkerCase{"first place", {0xDFFFC}, true, 0xD0000},
                      MarkerCase{"second place", {0xEFFFC}, true, 0xE0000},
                      MarkerCase{"both places: the first wins", {0xDFFFC, 0xEFFFC}, true, 0xD0000},
                      MarkerCase{"neither place", {}, false, 0},
                      MarkerCase{"off by one", {0xDFFFD, 0xEFFF8}, false, 0}),
    [](const auto& info) { return testing::CaseName(info.param.what); });

TEST(ApplyLayout, Layout1NeedsNoMarkerAndUnknownKindsFail)
{
    auto image = std::make_unique<FlashImage>();
    ASSERT_TRUE(ApplyLayout(*image, 1));
    EXPECT_EQ(image->dirStart, 0x70000u);
    EXPECT_EQ(image->dirScanLength, 0x8000u);
    EXPECT_EQ(image->flashSize, 0x80000u);
    EXPECT_FALSE(ApplyLayout(*image, 0));
    EXPECT_FALSE(ApplyLayout(*image, 3));
    EXPECT_EQ(image->flashSize, 0x80000u);
}

class FindBlockTest : public ::testing::Test {
protected:
    Bytes bytes = Bytes(testing::kLayout1Size, 0);
    std::unique_ptr<FlashImage> Image()
    {
        auto image = MakeFlashImage(bytes);
        ApplyLayout(*image, 1);
        return image;
    }
};

TEST_F(FindBlockTest, PassesOverInactiveHeadersToALaterActiveOne)
{
    PutHeader(bytes, 0x70000, BlockId::TvPrograms, 5, 0xFFFFFFFE);
    PutHeader(bytes, 0x70100, BlockId::TvPrograms, 7);
    PutHeader(bytes, 0x70200, BlockId::TvPrograms, 9);
    const FoundBlock block = FindBlock(*Image(), BlockId::TvPrograms);
    EXPECT_EQ(block.offset, 0x70100u);
    EXPECT_EQ(block.header.entryCount, 7u);
}

TEST_F(FindBlockTest, OnlyLooksAtFourByteStepsInsideTheScannedRegion)
{
    PutHeader(bytes, 0x70002, BlockId::Satellites, 1);
    PutHeader(bytes, 0x70000 + 0x8000, BlockId::Transponders, 1);
    PutHeader(bytes, 0x70000 + 0x8000 - 4, BlockId::RadioPrograms, 1);
    const auto image = Image();
    EXPECT_FALSE(FindBlock(*image, BlockId::Satellites).Found());
    EXPECT_FALSE(FindBlock(*image, BlockId::Transponders).Found());
    EXPECT_EQ(FindBlock(*image, BlockId::RadioPrograms).offset, 0x77FFCu);
}

TEST_F(FindBlockTest, PassesOverMisplacedMagicBytesToTheNextHeader)
{
    // Bytes that could begin the magic, one short of a step and inside an
    // entry word, do not hide the header right after them.
    bytes[0x70003] = 0x29;
    bytes[0x70005] = 0x29;
    PutHeader(bytes, 0x70008, BlockId::Satellites, 2);
    EXPECT_EQ(FindBlock(*Image(), BlockId::Satellites).offset, 0x70008u);
}

TEST(FindBlock, FindsAHeaderEndingWithTheBufferAndNoneCutOffByIt)
{
    Bytes bytes(kImageCapacity, 0);
    PutHeader(bytes, kImageCapacity - kBlockHeaderSize, BlockId::Satellites, 0);
    auto image = MakeFlashImage(bytes);
    image->dirStart = kImageCapacity - 0x100;
    image->dirScanLength = 0x1000;
    EXPECT_EQ(FindBlock(*image, BlockId::Satellites).offset, kImageCapacity - kBlockHeaderSize);

    // The magic 16 bytes before the end: a header there would not fit.
    std::fill(bytes.end() - 0x100, bytes.end(), 0);
    const std::uint8_t magic[] = {0x29, 0x30, 0xAB, 0xCD};
    std::copy(std::begin(magic), std::end(magic), bytes.end() - 16);
    image = MakeFlashImage(bytes);
    image->dirStart = kImageCapacity - 0x100;
    image->dirScanLength = 0x1000;
    EXPECT_FALSE(FindBlock(*image, BlockId::Satellites).Found());
}

TEST_F(FindBlockTest, CountsOnlyTheEntriesThatLieInsideTheBuffer)
{
    bytes.assign(kImageCapacity, 0);
    PutHeader(bytes, 0x70000, BlockId::Satellites, 0xFFFFFFFF);
    const FoundBlock block = FindBlock(*Image(), BlockId::Satellites);
    EXPECT_EQ(block.EntriesInsideBuffer(), (kImageCapacity - 0x70014) / 4);
    EXPECT_FALSE(EntryWordAt(*Image(), block, block.EntriesInsideBuffer()).has_value());
    EXPECT_EQ(FoundBlock{}.EntriesInsideBuffer(), 0u);
}

TEST(FindBlock, AHeaderAtOffsetZeroCountsAsMissing)
{
    Bytes bytes(0x100, 0);
    PutHeader(bytes, 0, BlockId::Satellites, 3);
    auto image = MakeFlashImage(bytes);
    image->dirStart = 0;
    EXPECT_FALSE(FindBlock(*image, BlockId::Satellites).Found());
}

TEST(Region, RefusesAnyByteOutsideTheBuffer)
{
    auto image = std::make_unique<FlashImage>();
    EXPECT_TRUE(image->Region<36>(kImageCapacity - 36).has_value());
    EXPECT_FALSE(image->Region<36>(kImageCapacity - 35).has_value());
    EXPECT_FALSE(image->Region<4>(0xFFFFFFFFull + 8).has_value());
}

} // namespace
} // namespace korvex
