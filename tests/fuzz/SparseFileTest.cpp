#include "fuzz/SparseFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace korvex::fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Decoded(SparseFile& file, const Bytes& input)
{
    file.Decode(input);
    return Bytes(file.Bytes().begin(), file.Bytes().end());
}

TEST(SparseFile, LaysEachPieceAtItsOffsetOverZerosAndEndsWithTheFurthest)
{
    auto file = std::make_unique<SparseFile>();
    // 2 bytes at 5, then 1 byte at 1 over the zeros before them.
    EXPECT_EQ(Decoded(*file, {0, 0, 5, 0, 2, 0xAA, 0xBB, 0, 0, 1, 0, 1, 0xCC}),
              (Bytes{0, 0xCC, 0, 0, 0, 0xAA, 0xBB}));
    EXPECT_TRUE(Decoded(*file, {}).empty());
}

TEST(SparseFile, ALaterPieceLiesOverAnEarlierOne)
{
    auto file = std::make_unique<SparseFile>();
    EXPECT_EQ(Decoded(*file, {0, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1, 0, 1, 9}), (Bytes{1, 9, 3}));
}

TEST(SparseFile, AnInputThatEndsEarlyCutsItsLastPieceAndDropsAHeaderCutShort)
{
    auto file = std::make_unique<SparseFile>();
    // The piece claims 4 bytes and gets 2; a piece of no bytes sets the length.
    EXPECT_EQ(Decoded(*file, {0, 0, 1, 0, 4, 7, 8}), (Bytes{0, 7, 8}));
    EXPECT_EQ(Decoded(*file, {0, 0, 4, 0, 0}), Bytes(4, 0));
    EXPECT_EQ(Decoded(*file, {0, 0, 0, 0, 1, 5, 0, 0, 9, 0}), (Bytes{5}));
}

TEST(SparseFile, OffsetsCountTwentyBitsAndAPiecePastOneMebibyteMakesAFileTooLarge)
{
    auto file = std::make_unique<SparseFile>();
    file->Decode(Bytes{0xF0, 0x00, 0x02, 0, 1, 6});
    EXPECT_EQ(file->Bytes().size(), 3u);
    file->Decode(Bytes{0x0F, 0xFF, 0xFF, 0, 3, 1, 2, 3});
    EXPECT_EQ(file->Bytes().size(), std::size_t{kImageCapacity} + 1);
}

TEST(SparseFile, ClearsThePreviousFileBeforeTheNext)
{
    auto file = std::make_unique<SparseFile>();
    file->Decode(Bytes{0x0F, 0xFF, 0x00, 0x01, 0x00, 0xEE});
    file->Decode(Bytes{0, 0, 2, 0, 1, 0xDD});
    EXPECT_EQ(Bytes(file->Bytes().begin(), file->Bytes().end()), (Bytes{0, 0, 0xDD}));
    const auto buffer = file->AsImageBuffer();
    EXPECT_TRUE(std::all_of(buffer.begin() + 3, buffer.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(SparseFile, EncodingGivesAnInputThatStandsForTheFile)
{
    Bytes image(kImageCapacity, 0);
    std::fill_n(image.begin() + 0x100, 0x12345, 0x5A);  // longer than one piece holds
    image[0x70000] = 1;
    image[0x70004] = 2;  // a short run of zeros stays inside a piece
    auto file = std::make_unique<SparseFile>();
    for (const Bytes& original : {image, Bytes(image.begin(), image.begin() + 0x70010), Bytes{}, Bytes{0, 0, 0}}) {
        const Bytes input = EncodeSparseFile(original);
        EXPECT_EQ(Decoded(*file, input), original);
        EXPECT_LT(input.size(), 0x12345u + 0x100);
    }
}

} // namespace
} // namespace korvex::fuzz
