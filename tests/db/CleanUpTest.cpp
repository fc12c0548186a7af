// Cleaning a list up: the candidates of each kind exactly, what the chosen
// kinds and the records kept by hand leave empty, the deletion byte for byte
// (entries removed, freed slots erased, records untouched), refusals where
// arranging refuses, and undo giving the bytes back.

#include "db/CleanUp.h"
#include "db/ImageHistory.h"
#include "tests/support/CleanUpImages.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace korvex {
namespace {

using testing::BuiltImage;
using testing::EveryKind;
using testing::Tv;
using testing::ImageBuilder;
using testing::LoadedImage;
using testing::Name;

struct Listed {
    BlockId table;
    std::uint32_t position;
    CleanUpKind kind;
    CleanUpReason reason;
    std::uint32_t other;
    bool goes;

    bool operator==(const Listed&) const = default;
};

void PrintTo(const Listed& l, std::ostream* os)
{
    *os << "{table " << static_cast<int>(l.table) << ", " << l.position << ", kind " << static_cast<int>(l.kind)
        << ", reason " << static_cast<int>(l.reason) << ", " << l.other << (l.goes ? ", goes}" : ", kept}");
}

std::vector<Listed> ListedOf(const CleanUpPlan& plan)
{
    std::vector<Listed> listed;
    for (const CleanUpItem& item : plan.items)
        listed.push_back({item.candidate.record.table, item.candidate.record.position, item.candidate.kind,
                          item.candidate.reason, item.candidate.other, item.goes});
    return listed;
}

std::vector<std::uint32_t> Positions(const std::vector<CleanUpCandidate>& candidates, BlockId table)
{
    std::vector<std::uint32_t> positions;
    for (const CleanUpCandidate& c : candidates)
        if (c.record.table == table)
            positions.push_back(c.record.position);
    return positions;
}

constexpr BlockId kSat = BlockId::Satellites, kTp = BlockId::Transponders, kTv = BlockId::TvPrograms,
                  kRadio = BlockId::RadioPrograms;
using K = CleanUpKind;
using R = CleanUpReason;

TEST(CleanUp, AnalysisFindsEachKindExactly)
{
    LoadedImage loaded(EveryKind());
    ASSERT_TRUE(loaded.loaded);
    const CleanUpAnalysis analysis = AnalyseCleanUp(*loaded.db);

    const std::vector<CleanUpCandidate>& duplicates = analysis.Of(K::Duplicates);
    EXPECT_EQ(Positions(duplicates, kTv), (std::vector<std::uint32_t>{1, 4})) << "never TV 3, whose name is equal";
    EXPECT_EQ(Positions(duplicates, kRadio), (std::vector<std::uint32_t>{1})) << "never radio 2, in another table";
    for (const CleanUpCandidate& c : duplicates)
        EXPECT_EQ(c.other, 0u) << "the first in table order stays";

    const std::vector<CleanUpCandidate>& strays = analysis.Of(K::Strays);
    EXPECT_EQ(Positions(strays, kTp), (std::vector<std::uint32_t>{3}));
    EXPECT_EQ(Positions(strays, kTv), (std::vector<std::uint32_t>{6, 7, 8}));
    EXPECT_EQ(Positions(strays, kRadio), (std::vector<std::uint32_t>{})) << "radio 3's transponder exists";
    ASSERT_EQ(strays.size(), 4u);
    EXPECT_EQ(strays[0].reason, R::NoSatellite);
    EXPECT_EQ(strays[0].other, 9u);
    EXPECT_EQ(strays[1].reason, R::NoTransponder);
    EXPECT_EQ(strays[1].other, 99u);
    EXPECT_EQ(strays[2].reason, R::NoSatellite);
    EXPECT_EQ(strays[2].other, 77u);

    EXPECT_EQ(Positions(analysis.Of(K::Scrambled), kTv), (std::vector<std::uint32_t>{5}));
    EXPECT_EQ(Positions(analysis.Of(K::NoFavourite), kTv), (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Positions(analysis.Of(K::NoFavourite), kRadio), (std::vector<std::uint32_t>{0, 1, 2, 3}));
}

TEST(CleanUp, DefaultPlanListsWhatGoesWithItsTransponderAndWhatIsLeftEmpty)
{
    LoadedImage loaded(EveryKind());
    const CleanUpPlan plan = PlanCleanUp(*loaded.image, *loaded.db, AnalyseCleanUp(*loaded.db), {});
    EXPECT_EQ(plan.refusal, "");
    const std::vector<Listed> expected{
        {kSat, 4, K::LeftEmpty, R::NothingLeft, 0, true},     // Thor: its only transponder is left empty
        {kTp, 1, K::LeftEmpty, R::NoProgramLeft, 0, true},    // held only the duplicate TV 1
        {kTp, 3, K::Strays, R::NoSatellite, 9, true},
        {kTp, 4, K::LeftEmpty, R::NoProgramLeft, 0, true},    // held only the stray TV 7
        {kTv, 1, K::Duplicates, R::SameService, 0, true},
        {kTv, 4, K::Duplicates, R::SameService, 0, true},
        {kTv, 6, K::Strays, R::NoTransponder, 99, true},
        {kTv, 7, K::Strays, R::NoSatellite, 77, true},
        {kTv, 8, K::Strays, R::NoSatellite, 9, true},
        {kRadio, 1, K::Duplicates, R::SameService, 0, true},
        {kRadio, 3, K::Strays, R::WithTransponder, 3, true},  // no other transponder 30 claims it
    };
    EXPECT_EQ(ListedOf(plan), expected);
    EXPECT_EQ(plan.counts, (std::array<std::size_t, 5>{3, 4, 1, 13, 3}));
    EXPECT_EQ(plan.going, (std::array<std::uint32_t, 4>{1, 3, 5, 2}));
    EXPECT_EQ(CleanUpReasonText(plan.items[4].candidate, 1), "same satellite, transponder and service ID as TV program 1");
    EXPECT_EQ(CleanUpReasonText(plan.items[10].candidate, 1), "goes with transponder 3");

    // Not chosen, Left empty is still counted, but nothing of it goes.
    CleanUpChoices notEmpty;
    notEmpty.kinds[KindIndex(K::LeftEmpty)] = false;
    const CleanUpPlan counted = PlanCleanUp(*loaded.image, *loaded.db, AnalyseCleanUp(*loaded.db), notEmpty);
    EXPECT_EQ(counted.counts, plan.counts);
    EXPECT_EQ(counted.going, (std::array<std::uint32_t, 4>{0, 1, 5, 2}));
}

// What the user keeps changes what is left empty; a kept program still goes
// with the transponder it is on.
struct KeptCase {
    const char* description;
    std::vector<std::pair<BlockId, std::uint32_t>> kept;
    std::vector<std::pair<BlockId, std::uint32_t>> going;
};

void PrintTo(const KeptCase& c, std::ostream* os) { *os << c.description; }

const KeptCase kKeptCases[] = {
    {"nothing kept", {}, {{kSat, 4}, {kTp, 1}, {kTp, 3}, {kTp, 4}, {kTv, 1}, {kTv, 4}, {kTv, 6}, {kTv, 7}, {kTv, 8},
                          {kRadio, 1}, {kRadio, 3}}},
    {"a kept program keeps its transponder and satellite",
     {{kTv, 7}},
     {{kTp, 1}, {kTp, 3}, {kTv, 1}, {kTv, 4}, {kTv, 6}, {kTv, 8}, {kRadio, 1}, {kRadio, 3}}},
    {"a kept transponder left empty keeps its satellite",
     {{kTp, 4}},
     {{kTp, 1}, {kTp, 3}, {kTv, 1}, {kTv, 4}, {kTv, 6}, {kTv, 7}, {kTv, 8}, {kRadio, 1}, {kRadio, 3}}},
    {"a kept stray transponder keeps the programs on it",
     {{kTp, 3}},
     {{kSat, 4}, {kTp, 1}, {kTp, 4}, {kTv, 1}, {kTv, 4}, {kTv, 6}, {kTv, 7}, {kTv, 8}, {kRadio, 1}}},
    {"a kept program on a transponder that goes goes with it",
     {{kTv, 8}},
     {{kSat, 4}, {kTp, 1}, {kTp, 3}, {kTp, 4}, {kTv, 1}, {kTv, 4}, {kTv, 6}, {kTv, 7}, {kTv, 8}, {kRadio, 1},
      {kRadio, 3}}},
};

class CleanUpKeptTest : public ::testing::TestWithParam<KeptCase> {};

TEST_P(CleanUpKeptTest, GoesExactlyWhatIsNotKept)
{
    const KeptCase& c = GetParam();
    LoadedImage loaded(EveryKind());
    CleanUpChoices choices;
    for (const auto& [table, position] : c.kept)
        choices.kept.push_back({table, position, 0, 0});
    const CleanUpPlan plan = PlanCleanUp(*loaded.image, *loaded.db, AnalyseCleanUp(*loaded.db), choices);
    std::vector<std::pair<BlockId, std::uint32_t>> going;
    for (const CleanUpItem& item : plan.items)
        if (item.goes)
            going.emplace_back(item.candidate.record.table, item.candidate.record.position);
    EXPECT_EQ(going, c.going);
}

INSTANTIATE_TEST_SUITE_P(CleanUp, CleanUpKeptTest, ::testing::ValuesIn(kKeptCases),
                         [](const auto& info) { return testing::CaseName(info.param.description); });

// Two satellites share an id: both hold the same transponders and programs,
// so both are left empty together, and keeping one does not keep the other.
TEST(CleanUp, SatellitesSharingAnIdAreLeftEmptyTogether)
{
    ImageBuilder builder(1);
    builder.AddSat({.satId = 5, .satName = Name("A")}).AddSat({.satId = 5, .satName = Name("B")});
    builder.AddSat({.satId = 6, .satName = Name("Other")});
    builder.AddTp({.tpId = 60, .satId = 5, .frequency = 11000}).AddTp({.tpId = 61, .satId = 6, .frequency = 11000});
    builder.AddTv(Tv(5, 60, 1, "Pay", 0x7E, 1)).AddTv(Tv(6, 61, 1, "Free"));
    LoadedImage loaded(builder);
    const CleanUpAnalysis analysis = AnalyseCleanUp(*loaded.db);
    CleanUpChoices choices;
    choices.kinds = {false, false, true, false, true};
    std::vector<Listed> expected{
        {kSat, 0, K::LeftEmpty, R::NothingLeft, 0, true},
        {kSat, 1, K::LeftEmpty, R::NothingLeft, 0, true},
        {kTp, 0, K::LeftEmpty, R::NoProgramLeft, 0, true},
        {kTv, 0, K::Scrambled, R::Scrambled, 0, true},
    };
    EXPECT_EQ(ListedOf(PlanCleanUp(*loaded.image, *loaded.db, analysis, choices)), expected);

    choices.kept = {{kSat, 0, 0, 0}};
    expected[0].goes = false;
    const CleanUpPlan plan = PlanCleanUp(*loaded.image, *loaded.db, analysis, choices);
    EXPECT_EQ(ListedOf(plan), expected);
    ASSERT_TRUE(ApplyCleanUp(*loaded.image, *loaded.db, plan).done);
    ASSERT_EQ(loaded.db->numSats, 2u);
    EXPECT_EQ(NameView(loaded.db->sats[0].satName), "A");
    EXPECT_EQ(loaded.db->numTps, 1u);
    EXPECT_EQ(loaded.db->numTv, 1u);
}

// Transponders of two satellites share tpId 70. A program is on the one of
// its own satellite, whichever comes first in the table.
TEST(CleanUp, ADuplicateIsOnTheTransponderOfItsOwnSatellite)
{
    ImageBuilder builder(1);
    builder.AddSat({.satId = 1, .satName = Name("One")}).AddSat({.satId = 2, .satName = Name("Two")});
    builder.AddTp({.tpId = 70, .satId = 1, .frequency = 11000, .polarisation = 0})
        .AddTp({.tpId = 70, .satId = 2, .frequency = 12000, .polarisation = 1})
        .AddTp({.tpId = 71, .satId = 2, .frequency = 12000, .polarisation = 1})
        .AddTp({.tpId = 72, .satId = 1, .frequency = 12000, .polarisation = 1});
    builder.AddTv(Tv(2, 71, 5, "A"))   // 0
        .AddTv(Tv(2, 70, 5, "A"))      // 1 on satellite Two's transponder 70: the same as 0
        .AddTv(Tv(1, 70, 5, "A"))      // 2 on satellite One's 11000 H: another transponder
        .AddTv(Tv(1, 72, 5, "A"));     // 3 satellite One at 12000 V: another satellite than 0
    LoadedImage loaded(builder);
    const CleanUpAnalysis analysis = AnalyseCleanUp(*loaded.db);
    EXPECT_EQ(Positions(analysis.Of(K::Duplicates), kTv), (std::vector<std::uint32_t>{1}));
}

// Hotbird's transponder shares tpId 70 with Astra's. Astra's scrambled
// programs going leave Astra's transponder (and so Astra) empty, not
// Hotbird's, which never held them.
TEST(CleanUp, LeftEmptyCountsAProgramOnTheTransponderOfItsOwnSatellite)
{
    ImageBuilder builder(1);
    builder.AddSat({.satId = 1, .longitude = 192, .satName = Name("Astra")})
        .AddSat({.satId = 2, .longitude = 130, .satName = Name("Hotbird")});
    builder.AddTp({.tpId = 70, .satId = 1, .frequency = 11000, .polarisation = 0})
        .AddTp({.tpId = 70, .satId = 2, .frequency = 12000, .polarisation = 1})
        .AddTp({.tpId = 71, .satId = 2, .frequency = 12100, .polarisation = 1});
    builder.AddTv(Tv(1, 70, 5, "Sky", 0x7E, 1))   // 0 Astra's, scrambled
        .AddTv(Tv(1, 70, 6, "Sky 2", 0x7E, 1))    // 1 Astra's, scrambled
        .AddTv(Tv(2, 71, 7, "Rai"));              // 2 Hotbird's other transponder
    LoadedImage loaded(builder);
    CleanUpChoices scrambled;
    scrambled.kinds = {};
    scrambled.kinds[KindIndex(K::Scrambled)] = true;
    scrambled.kinds[KindIndex(K::LeftEmpty)] = true;
    const CleanUpPlan plan = PlanCleanUp(*loaded.image, *loaded.db, AnalyseCleanUp(*loaded.db), scrambled);
    const std::vector<Listed> expected{
        {kSat, 0, K::LeftEmpty, R::NothingLeft, 0, true},
        {kTp, 0, K::LeftEmpty, R::NoProgramLeft, 0, true},
        {kTv, 0, K::Scrambled, R::Scrambled, 0, true},
        {kTv, 1, K::Scrambled, R::Scrambled, 0, true},
    };
    EXPECT_EQ(ListedOf(plan), expected);
}

std::uint32_t Word(std::span<const std::uint8_t> bytes, std::uint32_t at)
{
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           bytes[at + 3];
}

// The image as deleting these entries leaves it: in each table the entries
// kept move up in their order, the count drops, the freed slots at the end
// are 0xFFFFFFFF; every other byte is as built.
std::vector<std::uint8_t> WithoutEntries(const BuiltImage& built, const std::array<std::set<std::uint32_t>, 4>& gone)
{
    std::vector<std::uint8_t> bytes(built.bytes);
    bytes.resize(kImageCapacity, 0);
    for (std::size_t id = 0; id < 4; ++id) {
        const auto block = static_cast<BlockId>(id);
        const auto count = static_cast<std::uint32_t>(built.recordOffsets[id].size());
        std::vector<std::uint32_t> kept;
        for (std::uint32_t k = 0; k < count; ++k)
            if (!gone[id].contains(k))
                kept.push_back(Word(built.bytes, built.EntryOffset(block, k)));
        testing::PutBe32(bytes, built.HeaderOffset(block) + 8, static_cast<std::uint32_t>(kept.size()));
        for (std::uint32_t k = 0; k < count; ++k)
            testing::PutBe32(bytes, built.EntryOffset(block, k), k < kept.size() ? kept[k] : 0xFFFFFFFF);
    }
    return bytes;
}

TEST(CleanUp, DeletesTheEntriesOnlyAsOneUndoableChange)
{
    const BuiltImage built = EveryKind();
    LoadedImage loaded(built);
    FlashImage& image = *loaded.image;
    ImageHistory history;
    history.Reset(image);
    const auto original = image.bytes;
    const CleanUpPlan plan = PlanCleanUp(image, *loaded.db, AnalyseCleanUp(*loaded.db), {});

    history.Begin(image);
    const ChangeOutcome outcome = ApplyCleanUp(image, *loaded.db, plan);
    ASSERT_TRUE(outcome.done) << outcome.refusal;
    ASSERT_TRUE(history.Commit(image, "Clean up"));
    EXPECT_EQ(outcome.removed, (std::array<std::uint32_t, 4>{1, 3, 5, 2}));

    const std::vector<std::uint8_t> expected = WithoutEntries(built, {{{4}, {1, 3, 4}, {1, 4, 6, 7, 8}, {1, 3}}});
    for (std::uint32_t at = 0; at < kImageCapacity; ++at)
        ASSERT_EQ(image.bytes[at], expected[at]) << "byte 0x" << std::hex << at;
    // The database is the image as it now stands.
    EXPECT_EQ(loaded.db->numSats, 4u);
    EXPECT_EQ(loaded.db->numTv, 5u);
    EXPECT_EQ(NameView(loaded.db->tvProgs[2].progName), "Rai 3");
    EXPECT_EQ(loaded.db->tvProgs[2].serviceId, 102u);

    ASSERT_TRUE(history.Undo(image));
    EXPECT_TRUE(image.bytes == original);
    EXPECT_FALSE(history.Unsaved(image));
}

TEST(CleanUp, NothingToDeleteWritesNothing)
{
    ImageBuilder builder(1);
    builder.AddSat({.satId = 1}).AddTp({.tpId = 10, .satId = 1}).AddTv(Tv(1, 10, 1, "One", 0x7C));
    LoadedImage loaded(builder);
    const auto before = loaded.image->bytes;
    CleanUpChoices everything;
    everything.kinds = {true, true, true, true, true};
    const CleanUpPlan plan = PlanCleanUp(*loaded.image, *loaded.db, AnalyseCleanUp(*loaded.db), everything);
    EXPECT_FALSE(plan.Changes());
    EXPECT_TRUE(plan.items.empty());
    EXPECT_TRUE(ApplyCleanUp(*loaded.image, *loaded.db, plan).done);
    EXPECT_TRUE(loaded.image->bytes == before);
}

// A table arranging refuses is refused with the same reason, and nothing is
// written, also in the tables that could be.
TEST(CleanUp, RefusedWhereArrangingIsRefused)
{
    BuiltImage broken = EveryKind();
    const auto tvCount = static_cast<std::uint32_t>(broken.recordOffsets[BuiltImage::Index(kTv)].size());
    testing::PutHeader(broken.bytes, broken.HeaderOffset(kTv), kTv, tvCount + 1);
    testing::PutEntry(broken.bytes, broken.EntryOffset(kTv, tvCount), 0x7F, 0xFFFFF0);
    LoadedImage loaded(broken);
    ASSERT_TRUE(loaded.loaded);
    const CleanUpPlan plan = PlanCleanUp(*loaded.image, *loaded.db, AnalyseCleanUp(*loaded.db), {});
    EXPECT_EQ(plan.refusal, "the TV program table has entries that could not be loaded");
    EXPECT_FALSE(plan.items.empty()) << "the plan still says what would go";
    const auto before = loaded.image->bytes;
    const ChangeOutcome outcome = ApplyCleanUp(*loaded.image, *loaded.db, plan);
    EXPECT_FALSE(outcome.done);
    EXPECT_EQ(outcome.refusal, plan.refusal);
    EXPECT_TRUE(loaded.image->bytes == before);
}

TEST(CleanUp, APlanIsAppliedOnlyToTheImageItWasMadeFor)
{
    LoadedImage loaded(EveryKind()), other(EveryKind());
    const CleanUpPlan plan = PlanCleanUp(*loaded.image, *loaded.db, AnalyseCleanUp(*loaded.db), {});
    ASSERT_TRUE(ApplyCleanUp(*other.image, *other.db, plan).done) << "the same bytes";
    const auto before = other.image->bytes;
    const ChangeOutcome again = ApplyCleanUp(*other.image, *other.db, plan);
    EXPECT_FALSE(again.done);
    EXPECT_EQ(again.refusal, "the image is not the one the plan was made for");
    EXPECT_TRUE(other.image->bytes == before);
}

} // namespace
} // namespace korvex
