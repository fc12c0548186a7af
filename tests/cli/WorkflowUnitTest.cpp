// The small pieces the workflow commands are built from: favourite groups by
// name.

#include "tools/FavouriteGroups.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvex::cli {
namespace {

TEST(FavouriteGroupsTest, NamesAreCaseInsensitiveAndSportsIsSport)
{
    EXPECT_EQ(FavouriteGroupNamed(u"movies"), 0u);
    EXPECT_EQ(FavouriteGroupNamed(u"SPORT"), 4u);
    EXPECT_EQ(FavouriteGroupNamed(u"Sports"), 4u);
    EXPECT_EQ(FavouriteGroupNamed(u"adult"), 5u);
    EXPECT_EQ(FavouriteGroupNamed(u"Films"), std::nullopt);
}

TEST(FavouriteGroupsTest, ListsReadBackAsTheListWritesThem)
{
    for (const std::uint8_t bits : {std::uint8_t{0x7E}, std::uint8_t{0x00}, std::uint8_t{0x6C}, std::uint8_t{0x3A}})
        EXPECT_EQ(FavouriteBitsOf(FavouriteText(bits)), bits) << FavouriteText(bits).toStdString();
    EXPECT_EQ(FavouriteText(0x6C), QStringLiteral("Movies/News/"));
    // Any order, any case, the last slash left out.
    EXPECT_EQ(FavouriteBitsOf(u"news/MOVIES"), std::uint8_t{0x6C});
    QString unknown;
    EXPECT_EQ(FavouriteBitsOf(u"Movies/Films/", &unknown), std::nullopt);
    EXPECT_EQ(unknown, QStringLiteral("Films"));
}

} // namespace
} // namespace korvex::cli
