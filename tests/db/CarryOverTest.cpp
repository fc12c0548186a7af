// Carrying an arranged list over to a rescan of the same channels: the plan
// says what will change and what could not be matched, and applying it
// restores the order, favourites and locks of every program that survived,
// leaves or deletes the new ones, writes only directory entries (and names,
// when asked), and is undone byte for byte.

#include "db/CarryOver.h"
#include "db/ImageHistory.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LoadedImage.h"
#include "tests/support/RescanImages.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace korvex {
namespace {

using testing::BuiltImage;
using testing::CaseName;
using testing::ImageBuilder;
using testing::LoadedImage;
using testing::Name;
using testing::ProgramLabel;
using testing::RescanExpectation;
using testing::RescanImages;

std::span<const ProgRecord> TableOf(const ChannelDatabase& db, ProgTable table)
{
    return table == ProgTable::Tv ? db.TvProgs() : db.RadioProgs();
}

std::size_t Index(ProgTable table) { return table == ProgTable::Tv ? 0 : 1; }

constexpr ProgTable kTables[] = {ProgTable::Tv, ProgTable::Radio};

std::vector<std::string> Labels(const ChannelDatabase& db, ProgTable table)
{
    std::vector<std::string> labels;
    for (const ProgRecord& prog : TableOf(db, table))
        labels.push_back(ProgramLabel(db, prog));
    return labels;
}

std::map<std::string, std::uint8_t> Flags(const ChannelDatabase& db, ProgTable table)
{
    std::map<std::string, std::uint8_t> flags;
    for (const ProgRecord& prog : TableOf(db, table))
        flags[ProgramLabel(db, prog)] = FlagByteOf(prog.entryWord);
    return flags;
}

// Labels of listed programs, as the plan lists them.
std::vector<std::string> Labels(const std::vector<ProgramListing>& listings)
{
    std::vector<std::string> labels;
    for (const ProgramListing& listing : listings)
        labels.push_back(std::string(NameView(listing.name)) + "@" +
                         (listing.satellite ? std::string(NameView(listing.satellite->satName)) : "?"));
    return labels;
}

// Offsets at which the image differs from the bytes it was built from, that
// lie outside either program block: its header and its entries.
std::vector<std::uint32_t> ChangedOutsideProgramBlocks(const FlashImage& image, const BuiltImage& built)
{
    std::vector<std::uint32_t> outside;
    const auto inBlock = [&](std::uint32_t at, BlockId id) {
        const std::size_t count = built.recordOffsets[BuiltImage::Index(id)].size();
        return at >= built.HeaderOffset(id) && at < built.EntryOffset(id, static_cast<std::uint32_t>(count));
    };
    for (std::uint32_t at = 0; at < kImageCapacity; ++at) {
        const std::uint8_t before = at < built.bytes.size() ? built.bytes[at] : 0;
        if (image.bytes[at] != before && !inBlock(at, BlockId::TvPrograms) && !inBlock(at, BlockId::RadioPrograms))
            outside.push_back(at);
    }
    return outside;
}

struct Carried {
    RescanImages images = testing::MakeRescanImages();
    LoadedImage arranged{images.arranged};
    LoadedImage rescan{images.rescan};
    ChannelMatch match = MatchChannels(*arranged.db, *rescan.db);

    CarryOverPlan Plan(const CarryOverChoices& choices)
    {
        return PlanCarryOver(*rescan.image, *rescan.db, *arranged.db, match, choices);
    }
    ChangeOutcome Apply(const CarryOverPlan& plan) { return ApplyCarryOver(*rescan.image, *rescan.db, plan); }
};

TEST(CarryOver, PlanReportsExactlyTheGoneAndTheNewPrograms)
{
    Carried carried;
    ASSERT_TRUE(carried.arranged.loaded && carried.rescan.loaded);
    const CarryOverPlan plan = carried.Plan({});
    EXPECT_EQ(plan.refusal, "");
    EXPECT_TRUE(plan.Changes());
    for (const ProgTable table : kTables) {
        const RescanExpectation& expected = carried.images.expected[Index(table)];
        const TableCarryOver& t = plan.Table(table);
        SCOPED_TRACE(table == ProgTable::Tv ? "TV" : "radio");
        EXPECT_EQ(Labels(t.unmatched), expected.added);
        EXPECT_EQ(Labels(t.notFound), expected.gone);
        const std::size_t survivors = expected.order.size() - expected.added.size();
        EXPECT_EQ(t.matchedByName, expected.byName);
        EXPECT_EQ(t.matchedByService + t.matchedByName, survivors);
        // Where the preview lists them: their satellite and transponder.
        for (const ProgramListing& listing : t.unmatched)
            EXPECT_TRUE(listing.satellite && listing.transponder) << Labels({listing})[0];
    }
    EXPECT_EQ(carried.images.expected[0].byName, 2u) << "the fixture's two programs found only by name";
}

TEST(CarryOver, RestoresOrderFavouritesAndLocksAndLeavesNewProgramsAfter)
{
    for (const int layout : {1, 2}) {
        SCOPED_TRACE(layout);
        RescanImages images = testing::MakeRescanImages(layout);
        LoadedImage arranged(images.arranged), rescan(images.rescan);
        const ChannelMatch match = MatchChannels(*arranged.db, *rescan.db);
        const CarryOverPlan plan = PlanCarryOver(*rescan.image, *rescan.db, *arranged.db, match, {});
        ASSERT_TRUE(ApplyCarryOver(*rescan.image, *rescan.db, plan).done);

        ASSERT_TRUE(rescan.Reload());
        for (const ProgTable table : kTables) {
            const RescanExpectation& expected = images.expected[Index(table)];
            EXPECT_EQ(Labels(*rescan.db, table), expected.order);
            EXPECT_EQ(Flags(*rescan.db, table), expected.flags);
            // The new programs stand where the plan said they would.
            std::vector<std::uint32_t> last;
            for (std::size_t k = expected.order.size() - expected.added.size(); k < expected.order.size(); ++k)
                last.push_back(static_cast<std::uint32_t>(k));
            EXPECT_EQ(plan.Table(table).UnmatchedAfter(), last);
        }
        EXPECT_EQ(ChangedOutsideProgramBlocks(*rescan.image, images.rescan), std::vector<std::uint32_t>{})
            << "only directory entries are rewritten";
    }
}

TEST(CarryOver, DeletesTheNewProgramsWhenAsked)
{
    Carried carried;
    CarryOverChoices choices;
    choices.deleteUnmatched = true;
    const CarryOverPlan plan = carried.Plan(choices);
    ASSERT_TRUE(carried.Apply(plan).done);
    ASSERT_TRUE(carried.rescan.Reload());
    for (const ProgTable table : kTables) {
        const RescanExpectation& expected = carried.images.expected[Index(table)];
        std::vector<std::string> survivors(expected.order.begin(), expected.order.end() - expected.added.size());
        EXPECT_EQ(Labels(*carried.rescan.db, table), survivors);
        EXPECT_EQ(plan.Table(table).deleted.size(), expected.added.size());
        EXPECT_TRUE(plan.Table(table).UnmatchedAfter().empty());
        for (const std::string& label : survivors)
            EXPECT_EQ(Flags(*carried.rescan.db, table)[label], expected.flags.at(label)) << label;
    }
    EXPECT_EQ(ChangedOutsideProgramBlocks(*carried.rescan.image, carried.images.rescan), std::vector<std::uint32_t>{});
}

TEST(CarryOver, UndoGivesTheRescanBytesBack)
{
    Carried carried;
    FlashImage& image = *carried.rescan.image;
    const auto scanned = image.bytes;
    ImageHistory history;
    history.Reset(image);
    CarryOverChoices everything;
    everything.names = true;
    everything.deleteUnmatched = true;
    const CarryOverPlan plan = carried.Plan(everything);

    history.Begin(image);
    ASSERT_TRUE(carried.Apply(plan).done);
    ASSERT_TRUE(history.Commit(image, "Apply an earlier list"));
    const auto applied = image.bytes;
    ASSERT_TRUE(applied != scanned);

    ASSERT_TRUE(history.Undo(image));
    EXPECT_TRUE(image.bytes == scanned);
    EXPECT_FALSE(history.Unsaved(image));
    ASSERT_TRUE(history.Redo(image));
    EXPECT_TRUE(image.bytes == applied);
}

// Each choice alone: what it changes, and that it changes nothing else.
struct ChoiceCase {
    const char* description;
    CarryOverChoices choices;
    bool order;              // the table takes the arranged order
    std::uint8_t carriedBits;  // flag bits taken from the arranged image
};

void PrintTo(const ChoiceCase& c, std::ostream* os) { *os << c.description; }

const ChoiceCase kChoiceCases[] = {
    {"order only", {.order = true, .favourites = false, .lock = false}, true, 0x00},
    {"favourites only", {.order = false, .favourites = true, .lock = false}, false, 0x7E},
    {"lock only", {.order = false, .favourites = false, .lock = true}, false, 0x01},
    {"favourites and lock without the order", {.order = false}, false, 0x7F},
    {"all three", {}, true, 0x7F},
};

class CarryOverChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(CarryOverChoiceTest, ChangesWhatWasChosenOnly)
{
    const ChoiceCase& c = GetParam();
    Carried carried;
    const std::array<std::vector<std::string>, 2> scanOrder{Labels(*carried.rescan.db, ProgTable::Tv),
                                                            Labels(*carried.rescan.db, ProgTable::Radio)};
    const CarryOverPlan plan = carried.Plan(c.choices);
    ASSERT_TRUE(carried.Apply(plan).done);
    ASSERT_TRUE(carried.rescan.Reload());
    for (const ProgTable table : kTables) {
        const RescanExpectation& expected = carried.images.expected[Index(table)];
        EXPECT_EQ(Labels(*carried.rescan.db, table), c.order ? expected.order : scanOrder[Index(table)]);
        for (const auto& [label, flag] : Flags(*carried.rescan.db, table)) {
            const std::uint8_t scanned = expected.scannedFlags.at(label);
            const std::uint8_t wanted =
                static_cast<std::uint8_t>((scanned & ~c.carriedBits) | (expected.flags.at(label) & c.carriedBits));
            EXPECT_EQ(flag, wanted) << label;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(CarryOver, CarryOverChoiceTest, ::testing::ValuesIn(kChoiceCases),
                         [](const auto& info) { return CaseName(info.param.description); });

TEST(CarryOver, AnEarlierListOntoItselfChangesNothing)
{
    const RescanImages images = testing::MakeRescanImages();
    LoadedImage one(images.arranged), other(images.arranged);
    const ChannelMatch match = MatchChannels(*one.db, *other.db);
    CarryOverChoices everything;
    everything.names = true;
    const CarryOverPlan plan = PlanCarryOver(*other.image, *other.db, *one.db, match, everything);
    EXPECT_FALSE(plan.Changes());
    EXPECT_TRUE(plan.tables[0].unmatched.empty() && plan.tables[0].notFound.empty());
    EXPECT_EQ(plan.tables[0].matchedByService, one.db->numTv);
    const auto before = other.image->bytes;
    ASSERT_TRUE(ApplyCarryOver(*other.image, *other.db, plan).done);
    EXPECT_TRUE(other.image->bytes == before);
}

// Names the scan overwrote come back with all twelve bytes, bytes behind the
// first zero included; the rest of each record stays as it was.
TEST(CarryOver, NamesAreWrittenIntoTheRecordsWhenAsked)
{
    NameBytes regional = Name("Rai Sarda");
    ImageBuilder earlierBuilder(1), currentBuilder(1);
    earlierBuilder.AddSat({.satId = 1, .longitude = 130}).AddTp({.tpId = 10, .satId = 1, .frequency = 10992});
    currentBuilder.AddSat({.satId = 5, .longitude = 130}).AddTp({.tpId = 50, .satId = 5, .frequency = 10992});
    NameBytes withTail = Name("Rai 3");
    withTail[9] = 0xAB;  // behind the zero: not part of the name, not carried
    earlierBuilder.AddTv({.satId = 1, .tpId = 10, .serviceId = 3403, .videoPid = 1, .progName = withTail});
    earlierBuilder.AddTv({.satId = 1, .tpId = 10, .serviceId = 3404, .videoPid = 1, .progName = regional});
    ProgRecord scanned{.satId = 5, .tpId = 50, .serviceId = 3403, .pcrPid = 77, .videoPid = 1, .audioPid = 88,
                       .progName = Name("RAI 3 TGR")};
    scanned.tailWords = {0x11223344, 0x55667788};
    currentBuilder.AddTv(scanned);
    scanned.serviceId = 3404;
    scanned.progName = regional;  // already right: nothing to write
    scanned.progName[11] = 0xCD;  // differing only behind the zero
    currentBuilder.AddTv(scanned);
    const BuiltImage built = currentBuilder.Build();
    LoadedImage earlier(earlierBuilder), current(built);

    const ChannelMatch match = MatchChannels(*earlier.db, *current.db);
    const CarryOverPlan plan =
        PlanCarryOver(*current.image, *current.db, *earlier.db, match, {.order = false, .favourites = false,
                                                                         .lock = false, .names = true});
    // "Rai 3" and its zero over "RAI 3 TGR": the scan's bytes behind stay.
    const NameBytes carried{'R', 'a', 'i', ' ', '3', 0, 'T', 'G', 'R', 0, 0, 0};
    ASSERT_EQ(plan.tables[0].names.size(), 1u);
    EXPECT_EQ(plan.tables[0].names[0], (NameCarry{0, Name("RAI 3 TGR"), carried}));
    ASSERT_TRUE(ApplyCarryOver(*current.image, *current.db, plan).done);

    const std::uint32_t record = built.RecordOffset(BlockId::TvPrograms, 0);
    for (std::uint32_t at = 0; at < kImageCapacity; ++at) {
        const bool inName = at >= record + 14 && at < record + 26;
        const std::uint8_t expected = inName ? carried[at - record - 14] : (at < built.bytes.size() ? built.bytes[at] : 0);
        ASSERT_EQ(current.image->bytes[at], expected) << "byte 0x" << std::hex << at;
    }
}

// Two TV entries of the scan point at one record. Paired with two earlier
// programs of different names, the record would take both in turn: it is
// left alone, and the plan is refused saying why. Paired with two of the same
// name, it takes that name once.
TEST(CarryOver, ARecordBehindTwoEntriesTakesOneNameAtMost)
{
    struct Case {
        const char* description;
        const char* secondEarlierName;
        std::vector<NameConflict> conflicts;
        std::size_t names;
    };
    const Case cases[] = {
        {"different names", "Rai 3 TGR", {{{{ProgTable::Tv, 0}, {ProgTable::Tv, 1}}}}, 0},
        {"the same name", "Rai 3", {}, 1},
    };
    for (const Case& c : cases) {
        ImageBuilder earlierBuilder(1), currentBuilder(1);
        earlierBuilder.AddSat({.satId = 1, .longitude = 130}).AddTp({.tpId = 10, .satId = 1, .frequency = 10992});
        currentBuilder.AddSat({.satId = 5, .longitude = 130}).AddTp({.tpId = 50, .satId = 5, .frequency = 10992});
        earlierBuilder.AddTv({.satId = 1, .tpId = 10, .serviceId = 3403, .videoPid = 1, .progName = Name("Rai 3")});
        earlierBuilder.AddTv(
            {.satId = 1, .tpId = 10, .serviceId = 3403, .videoPid = 1, .progName = Name(c.secondEarlierName)});
        const ProgRecord scanned{.satId = 5, .tpId = 50, .serviceId = 3403, .videoPid = 1, .progName = Name("RAI")};
        currentBuilder.AddTv(scanned).AddTv(scanned);
        BuiltImage built = currentBuilder.Build();
        testing::PutEntry(built.bytes, built.EntryOffset(BlockId::TvPrograms, 1), 0xFF,
                          built.RecordOffset(BlockId::TvPrograms, 0));
        LoadedImage earlier(earlierBuilder), current(built);

        const ChannelMatch match = MatchChannels(*earlier.db, *current.db);
        const CarryOverPlan plan = PlanCarryOver(*current.image, *current.db, *earlier.db, match,
                                                 {.order = false, .favourites = false, .lock = false, .names = true});
        EXPECT_EQ(plan.nameConflicts, c.conflicts) << c.description;
        EXPECT_EQ(plan.tables[0].names.size(), c.names) << c.description;
        EXPECT_EQ(plan.refusal.empty(), c.conflicts.empty()) << c.description << ": " << plan.refusal;
    }
}

// A table arranging would refuse is refused with the same reason, and
// nothing is written, also when another table could be.
TEST(CarryOver, RefusedWhereArrangingIsRefused)
{
    Carried carried;
    BuiltImage broken = carried.images.rescan;
    const auto tvCount = static_cast<std::uint32_t>(broken.recordOffsets[BuiltImage::Index(BlockId::TvPrograms)].size());
    // One more TV entry, pointing past the end of any image: it cannot be loaded.
    testing::PutHeader(broken.bytes, broken.HeaderOffset(BlockId::TvPrograms), BlockId::TvPrograms, tvCount + 1);
    testing::PutEntry(broken.bytes, broken.EntryOffset(BlockId::TvPrograms, tvCount), 0x7F, 0xFFFFF0);
    LoadedImage rescan(broken);
    ASSERT_TRUE(rescan.loaded);
    const ChannelMatch match = MatchChannels(*carried.arranged.db, *rescan.db);
    const CarryOverPlan plan = PlanCarryOver(*rescan.image, *rescan.db, *carried.arranged.db, match, {});
    EXPECT_EQ(plan.refusal, "the TV program table has entries that could not be loaded");
    EXPECT_EQ(plan.tables[0].unmatched.size(), carried.images.expected[0].added.size())
        << "the plan still says what matched";

    const auto before = rescan.image->bytes;
    const ChangeOutcome outcome = ApplyCarryOver(*rescan.image, *rescan.db, plan);
    EXPECT_FALSE(outcome.done);
    EXPECT_EQ(outcome.refusal, plan.refusal);
    EXPECT_TRUE(rescan.image->bytes == before);
}

// The radio table holds an entry the load skipped; a plan that changes only
// the TV table is planned and written as if it did not.
TEST(CarryOver, ATableThePlanLeavesAloneDoesNotBlockIt)
{
    Carried carried;
    BuiltImage earlierBytes = carried.images.rescan;
    const std::uint32_t first = earlierBytes.EntryOffset(BlockId::TvPrograms, 0);
    std::swap_ranges(earlierBytes.bytes.begin() + first, earlierBytes.bytes.begin() + first + 4,
                     earlierBytes.bytes.begin() + first + 4);
    // The last radio entry points past the end of any image.
    BuiltImage current = carried.images.rescan;
    const auto radioCount =
        static_cast<std::uint32_t>(current.recordOffsets[BuiltImage::Index(BlockId::RadioPrograms)].size());
    testing::PutEntry(current.bytes, current.EntryOffset(BlockId::RadioPrograms, radioCount - 1), 0x7F, 0xFFFFF0);
    LoadedImage earlier(earlierBytes), rescan(current);
    ASSERT_TRUE(rescan.loaded);
    ASSERT_EQ(rescan.db->RadioProgs().size(), radioCount - 1);
    const ChannelMatch match = MatchChannels(*earlier.db, *rescan.db);
    const CarryOverPlan plan = PlanCarryOver(*rescan.image, *rescan.db, *earlier.db, match, {});
    ASSERT_EQ(plan.refusal, "");
    ASSERT_TRUE(plan.tables[0].Reorders());
    ASSERT_FALSE(plan.tables[1].Changes());
    const ChangeOutcome outcome = ApplyCarryOver(*rescan.image, *rescan.db, plan);
    EXPECT_EQ(outcome.refusal, "");
    EXPECT_TRUE(outcome.done);
    EXPECT_EQ(Labels(*rescan.db, ProgTable::Tv), Labels(*earlier.db, ProgTable::Tv));
}

TEST(CarryOver, APlanIsAppliedOnlyToTheImageItWasMadeFor)
{
    Carried carried;
    const CarryOverPlan plan = carried.Plan({});
    const auto before = carried.arranged.image->bytes;
    const ChangeOutcome outcome = ApplyCarryOver(*carried.arranged.image, *carried.arranged.db, plan);
    EXPECT_FALSE(outcome.done);
    EXPECT_EQ(outcome.refusal, "the image is not the one the plan was made for");
    EXPECT_TRUE(carried.arranged.image->bytes == before);
}

} // namespace
} // namespace korvex
