// The small pieces the workflow commands are built from: which records a
// reordering moved, and favourite groups by name.

#include "tools/FavouriteGroups.h"
#include "tools/ImageDiff.h"
#include "tools/TextTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace korvex::cli {
namespace {

struct MovedCase {
    const char* description;
    std::vector<std::uint32_t> newPositions;  // of the records, in their old order
    std::vector<bool> moved;
};

void PrintTo(const MovedCase& c, std::ostream* os) { *os << c.description; }

const MovedCase kMovedCases[] = {
    {"nothing", {}, {}},
    {"the same order", {0, 1, 2, 3}, {false, false, false, false}},
    {"one entry deleted before the others: they keep their order", {0, 1, 2}, {false, false, false}},
    {"the first moved to the end", {3, 0, 1, 2}, {true, false, false, false}},
    {"the last moved to the front", {1, 2, 3, 0}, {false, false, false, true}},
    {"two swapped: one of them moved", {1, 0}, {true, false}},
    {"reversed: all but one moved", {3, 2, 1, 0}, {true, true, true, false}},
    {"two moved to the front together", {2, 3, 4, 0, 1}, {false, false, false, true, true}},
    {"reversed three: the one in the middle stands where it stood", {2, 1, 0}, {true, false, true}},
    {"the last to the front and the first to the end: the middle stands", {4, 1, 2, 3, 0},
     {true, false, false, false, true}},
    {"two pairs swapped around one that stands", {1, 0, 2, 4, 3}, {true, false, false, true, false}},
};

class MovedElementsTest : public ::testing::TestWithParam<MovedCase> {};

TEST_P(MovedElementsTest, MovesTheFewestRecordsThatExplainTheNewOrder)
{
    EXPECT_EQ(MovedElements(GetParam().newPositions), GetParam().moved);
}

INSTANTIATE_TEST_SUITE_P(Diff, MovedElementsTest, ::testing::ValuesIn(kMovedCases));

// Every order of up to seven records: the records kept keep their order, are
// as many as the longest run allows, and of the runs as long they keep the
// most records standing where they stood (found here the slow way).
TEST(MovedElementsEveryOrder, KeepsALongestRunWithTheMostRecordsStanding)
{
    for (std::uint32_t n = 1; n <= 7; ++n) {
        std::vector<std::uint32_t> order(n);
        for (std::uint32_t i = 0; i < n; ++i)
            order[i] = i;
        do {
            // best[i]: the longest run ending at i, then its most standing.
            std::vector<std::pair<std::uint32_t, std::uint32_t>> best(n);
            for (std::uint32_t i = 0; i < n; ++i) {
                best[i] = {1, order[i] == i ? 1u : 0u};
                for (std::uint32_t j = 0; j < i; ++j)
                    if (order[j] < order[i])
                        best[i] = std::max(best[i], std::pair{best[j].first + 1, best[j].second + (order[i] == i)});
            }
            const auto [length, standing] = *std::max_element(best.begin(), best.end());

            const std::vector<bool> moved = MovedElements(order);
            std::uint32_t kept = 0, keptStanding = 0, last = 0;
            for (std::uint32_t i = 0; i < n; ++i) {
                if (moved[i])
                    continue;
                ASSERT_TRUE(kept == 0 || order[i] > last) << "records kept out of order";
                last = order[i];
                ++kept;
                keptStanding += order[i] == i;
            }
            ASSERT_EQ(kept, length);
            ASSERT_EQ(keptStanding, standing);
        } while (std::next_permutation(order.begin(), order.end()));
    }
}

TEST(TerminalSafeTest, EscapesWhatATerminalWouldTakeAsACommandAndNothingElse)
{
    const struct {
        QString text;
        QString shown;
    } cases[] = {
        {QStringLiteral("Das Erste"), QStringLiteral("Das Erste")},
        {QStringLiteral("Rai\\3 \u53f0\u8996 \u00c4"), QStringLiteral("Rai\\3 \u53f0\u8996 \u00c4")},
        {QStringLiteral("A\x1b[2J"), QStringLiteral("A\\x1b[2J")},
        {QStringLiteral("\x01\t\n\r\x7f"), QStringLiteral("\\x01\\x09\\x0a\\x0d\\x7f")},
        {QString(QChar(0x9B)) + QStringLiteral("31m"), QStringLiteral("\\x9b31m")},
        {QString(QChar(0x202E)) + QStringLiteral("txt.exe"), QStringLiteral("\\u202etxt.exe")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TerminalSafe(c.text), c.shown) << c.text.toStdString();
}

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
