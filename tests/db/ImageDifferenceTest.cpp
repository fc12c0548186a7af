// The difference of two images, computed without any text or JSON: which
// records moved, which changed and how, and what stayed the same.

#include "db/Arrange.h"
#include "db/ImageDifference.h"
#include "tests/support/CompareImages.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
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

// A table's difference as names: removed, added, moved and changed (with the
// fields), each in the order the difference lists them.
struct TableNames {
    std::vector<std::string> removed, added, moved, changed;
    bool operator==(const TableNames&) const = default;
};

void PrintTo(const TableNames& t, std::ostream* os)
{
    const auto list = [&](const char* what, const std::vector<std::string>& names) {
        *os << what << ":";
        for (const std::string& name : names)
            *os << " [" << name << "]";
        *os << "  ";
    };
    list("removed", t.removed);
    list("added", t.added);
    list("moved", t.moved);
    list("changed", t.changed);
}

TableNames NamesOf(const TableDifference& table)
{
    const auto name = [](const RecordAt& at) { return at.name ? std::string(NameView(*at.name)) : std::to_string(at.position); };
    TableNames names;
    for (const RecordAt& at : table.removed)
        names.removed.push_back(name(at));
    for (const RecordAt& at : table.added)
        names.added.push_back(name(at));
    for (const PairedRecord& paired : table.moved)
        names.moved.push_back(name(paired.before));
    for (const PairedRecord& paired : table.changed) {
        std::string text = name(paired.before) + ":";
        for (const FieldChange& field : paired.fields)
            (text += " ") += field.field;
        names.changed.push_back(text);
    }
    return names;
}

struct PairingCase {
    const char* description;
    testing::ComparePair (*make)();
    DiffPairing chosen;
    std::array<TableNames, 4> tables;  // by BlockId
};

void PrintTo(const PairingCase& c, std::ostream* os) { *os << c.description; }

const PairingCase kPairingCases[] = {
    {"an edited copy is paired by offset",
     testing::MakeEditedCopy,
     DiffPairing::Offsets,
     {TableNames{},
      TableNames{},
      TableNames{{"C"}, {}, {"F"}, {"B: audioPid progName", "D: lock"}},
      TableNames{{}, {}, {}, {"R2: Movies"}}}},
    // The scan's own ids (satId, tpId) differ for every record and are not
    // changes; the shifted frequency is.
    {"a rescan is paired by channel",
     testing::MakeRescanPair,
     DiffPairing::Channels,
     {TableNames{{}, {}, {"Astra"}, {}},
      TableNames{{}, {}, {"0"}, {"1: frequency"}},
      TableNames{{"Old"}, {"Welt"}, {"Das Erste", "ZDF"}, {"Rai 2: progName"}},
      TableNames{}}},
};

class PairingTest : public ::testing::TestWithParam<PairingCase> {};

TEST_P(PairingTest, ChoosesThePairingAndReportsWhatChanged)
{
    const PairingCase& c = GetParam();
    const testing::ComparePair pair = c.make();
    const LoadedImage a(pair.earlier);
    const LoadedImage b(pair.later);
    ASSERT_TRUE(a.loaded && b.loaded);
    const DiffSide before{*a.image, *a.db, std::int64_t{a.image->flashSize}};
    const DiffSide after{*b.image, *b.db, std::int64_t{b.image->flashSize}};
    EXPECT_EQ(ChoosePairing(before, after), c.chosen);
    const ImageDifference difference = DiffImages(before, after, c.chosen);
    EXPECT_EQ(difference.pairing, c.chosen);
    for (std::size_t t = 0; t < 4; ++t)
        EXPECT_EQ(NamesOf(difference.tables[t]), c.tables[t]) << kDiffTableNames[t];
}

INSTANTIATE_TEST_SUITE_P(ImageDifference, PairingTest, ::testing::ValuesIn(kPairingCases),
                         [](const auto& info) { return testing::CaseName(info.param.description); });

TEST(ImageDifference, ARescanPairedByOffsetLosesItsChannels)
{
    // What the channel pairing is for: by offset, every moved program of the
    // scan is another program with a new service id and name.
    const testing::ComparePair pair = testing::MakeRescanPair();
    const LoadedImage a(pair.earlier);
    const LoadedImage b(pair.later);
    const ImageDifference difference = DiffImages({*a.image, *a.db, std::int64_t{a.image->flashSize}},
                                                  {*b.image, *b.db, std::int64_t{b.image->flashSize}});
    const TableDifference& tv = difference.tables[kTv];
    EXPECT_TRUE(tv.removed.empty() && tv.added.empty());
    EXPECT_EQ(tv.changed.size(), 5u);
}

TEST(ImageDifference, TwoLayoutsOrNoSharedProgramsArePairedByChannel)
{
    const LoadedImage layout1(FourTv());
    ImageBuilder other = FourTv();
    const LoadedImage same(other);
    const DiffSide a{*layout1.image, *layout1.db, std::int64_t{kImageCapacity}};
    EXPECT_EQ(ChoosePairing(a, {*same.image, *same.db, std::int64_t{kImageCapacity}}), DiffPairing::Offsets);
    const testing::ComparePair rescan = testing::MakeRescanPair();
    const LoadedImage layout2(rescan.later);
    EXPECT_EQ(ChoosePairing(a, {*layout2.image, *layout2.db, std::int64_t{kImageCapacity}}), DiffPairing::Channels);
}

} // namespace
} // namespace korvex
