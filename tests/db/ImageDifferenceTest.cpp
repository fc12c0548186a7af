// The difference of two images, computed without any text or JSON: which
// records moved, which changed and how, and what stayed the same.

#include "db/Arrange.h"
#include "db/ImageDifference.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvex {
namespace {

using testing::BuiltImage;
using testing::ImageBuilder;
using testing::LoadedImage;
using testing::Name;

constexpr std::size_t kTv = static_cast<std::size_t>(BlockId::TvPrograms);

ImageBuilder FourTv(const char* third = "C")
{
    ImageBuilder builder(1);
    for (const char* name : {"A", "B", third, "D"}) {
        ProgRecord prog;
        prog.satId = 1;
        prog.tpId = 1;
        prog.videoPid = 1;
        prog.progName = Name(name);
        prog.unlocked = 1;
        builder.AddTv(prog);
    }
    return builder;
}

ImageDifference Diff(const LoadedImage& a, const LoadedImage& b)
{
    return DiffImages({*a.image, *a.db, std::int64_t{kImageCapacity}}, {*b.image, *b.db, std::int64_t{kImageCapacity}});
}

TEST(ImageDifference, AnImageComparedWithItselfIsIdenticalAndListsNothing)
{
    const LoadedImage a(FourTv());
    const LoadedImage b(FourTv());
    const ImageDifference difference = Diff(a, b);
    EXPECT_TRUE(difference.identical);
    EXPECT_TRUE(difference.header.empty());
    for (const TableDifference& table : difference.tables) {
        EXPECT_TRUE(table.removed.empty() && table.added.empty() && table.moved.empty() && table.changed.empty());
    }
    EXPECT_EQ(difference.outsideBytes, 0u);
}

TEST(ImageDifference, MovingOneProgramToTheFrontMovesThatOneOnly)
{
    const LoadedImage a(FourTv());
    LoadedImage b(FourTv());
    const std::uint32_t order[] = {3, 0, 1, 2};
    ASSERT_TRUE(ReorderPrograms(*b.image, *b.db, ProgTable::Tv, order).done);
    ASSERT_TRUE(b.Reload());

    const ImageDifference difference = Diff(a, b);
    EXPECT_FALSE(difference.identical);
    const TableDifference& tv = difference.tables[kTv];
    ASSERT_EQ(tv.moved.size(), 1u);
    EXPECT_EQ(tv.moved[0].before.position, 3u);
    EXPECT_EQ(tv.moved[0].newPosition, 0u);
    ASSERT_TRUE(tv.moved[0].before.name);
    EXPECT_EQ(*tv.moved[0].before.name, Name("D"));
    EXPECT_TRUE(tv.removed.empty() && tv.added.empty() && tv.changed.empty());
    EXPECT_EQ(difference.FieldChanges(), 0u);
    EXPECT_EQ(difference.outsideBytes, 0u);
}

TEST(ImageDifference, ARenamedProgramKeepsBothNamesAsBytes)
{
    const LoadedImage a(FourTv());
    const LoadedImage b(FourTv("X"));
    const ImageDifference difference = Diff(a, b);
    const TableDifference& tv = difference.tables[kTv];
    ASSERT_EQ(tv.changed.size(), 1u);
    EXPECT_EQ(tv.changed[0].before.position, 2u);
    ASSERT_EQ(tv.changed[0].fields.size(), 1u);
    const FieldChange& change = tv.changed[0].fields[0];
    EXPECT_EQ(change.field, "progName");
    ASSERT_TRUE(change.beforeName && change.afterName);
    EXPECT_EQ(*change.beforeName, Name("C"));
    EXPECT_EQ(*change.afterName, Name("X"));
    EXPECT_TRUE(tv.moved.empty());
}

} // namespace
} // namespace korvex
