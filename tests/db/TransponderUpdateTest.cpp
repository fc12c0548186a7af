// Updating a satellite's transponders from a scan table: units and the values
// a record cannot hold, nearest-frequency pairing of each polarisation with
// every entry used once, the lists of what stays unpaired on either side, and
// a write that touches only the frequency word and symbol rate, undone byte
// for byte.

#include "db/ImageHistory.h"
#include "db/TransponderUpdate.h"
#include "db/WriteGuard.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LoadedImage.h"
#include "tests/support/TransponderTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace korvex {
namespace {

using testing::BuiltImage;
using testing::ImageBuilder;
using testing::LoadedImage;
using testing::SatelliteRecord;
using testing::TransponderRecord;

constexpr auto H = TablePolarisation::Horizontal;
constexpr auto V = TablePolarisation::Vertical;

TableEntry Entry(std::uint64_t kHz, std::uint64_t symbolsPerSecond, TablePolarisation polarisation,
                 TableSystem system = TableSystem::DvbS2)
{
    return {kHz, symbolsPerSecond, polarisation, system};
}

// Satellite 0 (satId 1) holds transponders 0, 1, 3, 4 and 5; transponder 2
// belongs to satellite 1. Transponder 5 has polarisation 2, which no table
// entry can have.
ImageBuilder Fixture()
{
    ImageBuilder builder;
    builder.AddSat(SatelliteRecord(1, 130, "Sat")).AddSat(SatelliteRecord(2, 192, "Sat"));
    builder.AddTp(TransponderRecord(1, 1, 10992, 1, 27500, 2))  // up to date
        .AddTp(TransponderRecord(2, 1, 11034, 1, 27500, 2))     // moves 3 MHz, new symbol rate
        .AddTp(TransponderRecord(3, 2, 11034, 1, 22000, 2))     // the other satellite's
        .AddTp(TransponderRecord(4, 1, 12597, 0, 29900, 2))     // symbol rate only
        .AddTp(TransponderRecord(5, 1, 12000, 0, 27500, 2))     // no entry within 5 MHz
        .AddTp(TransponderRecord(6, 1, 11500, 2, 27500, 2));    // no polarisation a table can name
    return builder;
}

std::vector<TableEntry> Table()
{
    return {
        Entry(10992000, 27500000, V),
        Entry(11037000, 30000000, V),
        Entry(12597400, 27499600, H),  // rounds to the record's 12597 and 27500
        Entry(11040000, 27500000, V),  // further from 11034 than 11037: not added
        Entry(12006000, 27500000, H),  // 6 MHz from transponder 4: not added
        Entry(11500000, 27500000, TablePolarisation::CircularLeft),
        Entry(21000000, 27500000, H),
        Entry(11040000, 27500000, V),  // repeats the entry not added above
    };
}

TEST(TransponderUpdateUnits, RoundToTheRecordAndRefuseWhatDoesNotFit)
{
    struct Case {
        TableEntry entry;
        std::uint16_t frequency;
        std::uint16_t symbolRate;
        EntryProblem problem;
    };
    const Case cases[] = {
        {Entry(11362000, 22000000, H), 11362, 22000, EntryProblem::None},
        {Entry(11361500, 21999500, V), 11362, 22000, EntryProblem::None},
        {Entry(11362499, 22000499, H), 11362, 22000, EntryProblem::None},
        {Entry(16383499, 65535499, H), 16383, 65535, EntryProblem::None},
        {Entry(16383500, 27500000, H), 0, 0, EntryProblem::FrequencyDoesNotFit},  // would wrap to 0
        {Entry(20000000, 27500000, H), 0, 0, EntryProblem::FrequencyDoesNotFit},  // would wrap to 3616
        {Entry(499, 27500000, H), 0, 0, EntryProblem::FrequencyInMHz},
        {Entry(0, 27500000, H), 0, 0, EntryProblem::FrequencyDoesNotFit},
        {Entry(4305960296, 27500000, H), 0, 0, EntryProblem::FrequencyDoesNotFit},  // past 32 bits
        {Entry(11362, 27500000, H), 0, 0, EntryProblem::FrequencyInMHz},   // a table in MHz
        {Entry(99999, 27500000, H), 0, 0, EntryProblem::FrequencyInMHz},
        {Entry(100000, 27500000, H), 100, 27500, EntryProblem::None},
        {Entry(11362000, 27500, H), 0, 0, EntryProblem::SymbolRateInKSs},  // a table in kS/s
        {Entry(11362000, 100000, H), 11362, 100, EntryProblem::None},
        {Entry(11362000, 201500000, V), 0, 0, EntryProblem::SymbolRateDoesNotFit},
        {Entry(11362000, 0, V), 0, 0, EntryProblem::SymbolRateDoesNotFit},
        {Entry(11362000, 22000000, TablePolarisation::CircularRight), 0, 0, EntryProblem::Circular},
        {Entry(11362000, 22000000, TablePolarisation::Missing), 0, 0, EntryProblem::NoPolarisation},
        {Entry(11362000, 22000000, H, TableSystem::Other), 0, 0, EntryProblem::NotSatellite},
    };
    for (const Case& c : cases) {
        const RecordValues values = ToRecordValues(c.entry);
        SCOPED_TRACE(c.entry.frequencyKHz);
        EXPECT_EQ(values.problem, c.problem);
        if (c.problem == EntryProblem::None) {
            EXPECT_EQ(values.frequency, c.frequency);
            EXPECT_EQ(values.symbolRate, c.symbolRate);
            EXPECT_EQ(values.polarisation, c.entry.polarisation == V ? 1 : 0);
        } else {
            EXPECT_FALSE(EntryProblemText(c.problem).empty());
        }
    }
}

TEST(PlanTransponderUpdate, PairsEachTransponderWithTheNearestEntryOfItsPolarisation)
{
    LoadedImage loaded(Fixture());
    ASSERT_TRUE(loaded.loaded);
    const std::vector<TableEntry> table = Table();
    const TransponderUpdatePlan plan = PlanTransponderUpdate(*loaded.image, *loaded.db, 0, table);

    ASSERT_EQ(plan.changes.size(), 2u);
    EXPECT_EQ(plan.changes[0].tpIndex, 1u);
    EXPECT_EQ(plan.changes[0].row, 1u);
    EXPECT_EQ(plan.changes[0].entry, 1u);
    EXPECT_EQ(plan.changes[0].frequency, 11037);
    EXPECT_EQ(plan.changes[0].symbolRate, 30000);
    EXPECT_TRUE(plan.changes[0].ChangesFrequency() && plan.changes[0].ChangesSymbolRate());
    EXPECT_EQ(plan.changes[1].tpIndex, 3u);
    EXPECT_EQ(plan.changes[1].row, 2u);
    EXPECT_FALSE(plan.changes[1].ChangesFrequency());
    EXPECT_EQ(plan.changes[1].symbolRate, 27500);
    EXPECT_TRUE(plan.changes[0].refusal.empty() && plan.changes[1].refusal.empty());
    EXPECT_EQ(plan.upToDate, 1u);

    ASSERT_EQ(plan.notInTable.size(), 2u);
    EXPECT_EQ(plan.notInTable[0].tpIndex, 4u);
    EXPECT_EQ(plan.notInTable[1].tpIndex, 5u);
    EXPECT_EQ(plan.notInTable[1].row, 4u);
    EXPECT_EQ(plan.notAdded, (std::vector<std::uint32_t>{3, 4}));
    EXPECT_EQ(plan.repeats, 1u);
    ASSERT_EQ(plan.unusable.size(), 2u);
    EXPECT_EQ(plan.unusable[0].entry, 5u);
    EXPECT_EQ(plan.unusable[0].problem, EntryProblem::Circular);
    EXPECT_EQ(plan.unusable[1].problem, EntryProblem::FrequencyDoesNotFit);
    EXPECT_EQ(plan.usable, 6u);
    EXPECT_EQ(plan.refusal, "");
    EXPECT_EQ(plan.UnusableText(), "1 circular polarisation (a transponder record holds H or V), "
                                   "1 frequency outside the record's 1 to 16383 MHz");
}

TEST(PlanTransponderUpdate, ClosestPairsComeFirstAndEachEntryIsUsedOnce)
{
    // Two transponders 4 MHz apart, two entries between and beside them: the
    // greedy nearest pair (11003 with 11002) must not leave 10999 without its
    // own entry 10998.
    ImageBuilder builder;
    builder.AddSat(SatelliteRecord(1, 130, "Sat"));
    builder.AddTp(TransponderRecord(1, 1, 10999, 0, 27500))
        .AddTp(TransponderRecord(2, 1, 11003, 0, 27500))
        .AddTp(TransponderRecord(3, 1, 11003, 0, 27500));
    LoadedImage loaded(builder);
    const std::vector<TableEntry> table = {Entry(11002000, 22000000, H), Entry(10998000, 22000000, H)};

    const TransponderUpdatePlan plan = PlanTransponderUpdate(*loaded.image, *loaded.db, 0, table);
    ASSERT_EQ(plan.changes.size(), 2u);
    EXPECT_EQ(plan.changes[0].frequency, 10998);
    EXPECT_EQ(plan.changes[1].frequency, 11002);
    EXPECT_EQ(plan.changes[1].tpIndex, 1u);  // the first of the two at 11003
    ASSERT_EQ(plan.notInTable.size(), 1u);
    EXPECT_EQ(plan.notInTable[0].tpIndex, 2u);

    // The tolerance bounds the pairing in MHz, both ways.
    EXPECT_EQ(PlanTransponderUpdate(*loaded.image, *loaded.db, 0, table, 0).changes.size(), 0u);
    EXPECT_EQ(PlanTransponderUpdate(*loaded.image, *loaded.db, 0, table, 1).changes.size(), 2u);
}

// Two entries of the satellite point at one record: it is one transponder,
// paired once and given one value, as its first row.
TEST(PlanTransponderUpdate, ARecordBehindTwoEntriesIsPairedOnce)
{
    ImageBuilder builder;
    builder.AddSat(SatelliteRecord(1, 130, "Sat"));
    builder.AddTp(TransponderRecord(1, 1, 11000, 0, 27500)).AddTp(TransponderRecord(2, 1, 11000, 0, 27500));
    BuiltImage built = builder.Build();
    testing::PutEntry(built.bytes, built.EntryOffset(BlockId::Transponders, 1), 0,
                      built.RecordOffset(BlockId::Transponders, 0));
    LoadedImage loaded(built);
    ASSERT_TRUE(loaded.loaded);
    const std::vector<TableEntry> table = {Entry(10999000, 27500000, H), Entry(11001000, 27500000, H)};

    const TransponderUpdatePlan plan = PlanTransponderUpdate(*loaded.image, *loaded.db, 0, table);
    ASSERT_EQ(plan.changes.size(), 1u);
    EXPECT_EQ(plan.changes[0].row, 0u);
    EXPECT_EQ(plan.changes[0].frequency, 10999);
    ASSERT_EQ(plan.sameRecord.size(), 1u);
    EXPECT_EQ(plan.sameRecord[0].row, 1u);
    EXPECT_EQ(plan.sameRecord[0].asRow, 0u);
    EXPECT_TRUE(plan.notInTable.empty());
    EXPECT_EQ(plan.notAdded, (std::vector<std::uint32_t>{1}));
}

TEST(PlanTransponderUpdate, ASatelliteSharingItsSatIdIsNotPaired)
{
    ImageBuilder builder;
    builder.AddSat(SatelliteRecord(1, 130, "Hotbird")).AddSat(SatelliteRecord(1, 192, "Astra"));
    builder.AddTp(TransponderRecord(1, 1, 11000, 0, 27500));
    LoadedImage loaded(builder);
    const std::vector<TableEntry> table = {Entry(10999000, 27500000, H)};
    const TransponderUpdatePlan plan = PlanTransponderUpdate(*loaded.image, *loaded.db, 1, table);
    EXPECT_EQ(plan.sharesSatIdWith, std::optional<std::uint32_t>{0});
    EXPECT_TRUE(plan.changes.empty());
    EXPECT_TRUE(SharedSatIdText(1, "Astra", 0, "Hotbird", 1)
                    .starts_with("satellite 1 \"Astra\" shares satId 1 with satellite 0 \"Hotbird\":"));
}

TEST(TablePosition, AfarFromTheSatelliteByMoreThanOneDegreeTheShorterWayRound)
{
    struct Case {
        std::uint16_t longitude;
        int tablePosition;
        std::uint32_t distance;
    };
    const Case cases[] = {
        {130, 130, 0}, {130, 192, 62}, {130, 120, 10}, {3592, -8, 0}, {3595, 5, 10}, {0, 1800, 1800}, {10, -1790, 1800},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PositionDistance(c.longitude, c.tablePosition), c.distance) << c.longitude << " " << c.tablePosition;
    EXPECT_EQ(PositionMismatchText(0, "Hotbird", 130, 120), "");
    EXPECT_EQ(PositionMismatchText(0, "Hotbird", 130, 192), "the table is for 19.2E, satellite 0 \"Hotbird\" is at 13.0E");
    EXPECT_EQ(LongitudeText(3592), "0.8W");
}

TEST(PlanTransponderUpdate, AnUnknownSatelliteOrAnEmptyTablePairsNothing)
{
    LoadedImage loaded(Fixture());
    const std::vector<TableEntry> table = Table();
    const TransponderUpdatePlan none = PlanTransponderUpdate(*loaded.image, *loaded.db, 7, table);
    EXPECT_TRUE(none.changes.empty() && none.notInTable.empty());

    const TransponderUpdatePlan empty = PlanTransponderUpdate(*loaded.image, *loaded.db, 0, {});
    EXPECT_TRUE(empty.changes.empty());
    EXPECT_EQ(empty.notInTable.size(), 5u);
    EXPECT_EQ(empty.usable, 0u);
    EXPECT_EQ(empty.refusal, "holds no DVB-S or DVB-S2 transponder with horizontal or vertical polarisation that a "
                             "record can hold (0 entries)");

    const std::vector<TableEntry> circular = {table[5]};
    EXPECT_EQ(PlanTransponderUpdate(*loaded.image, *loaded.db, 0, circular).refusal,
              "holds no DVB-S or DVB-S2 transponder with horizontal or vertical polarisation that a record can hold "
              "(1 entry: 1 circular polarisation (a transponder record holds H or V))");
}

TEST(UpdateTransponders, WritesOnlyTheFrequencyWordAndSymbolRateAsOneUndoableStep)
{
    const BuiltImage built = Fixture().Build();
    LoadedImage loaded(built);
    const std::vector<TableEntry> table = Table();
    const TransponderUpdatePlan plan = PlanTransponderUpdate(*loaded.image, *loaded.db, 0, table);

    ImageHistory history;
    history.Reset(*loaded.image);
    history.Begin(*loaded.image);
    const ChangeOutcome outcome = UpdateTransponders(*loaded.image, *loaded.db, plan.changes);
    ASSERT_TRUE(outcome.done) << outcome.refusal;
    ASSERT_TRUE(history.Commit(*loaded.image, "Update transponders"));

    std::vector<std::uint8_t> expected = built.bytes;
    const std::uint32_t at1 = built.RecordOffset(BlockId::Transponders, 1);
    const std::uint32_t at3 = built.RecordOffset(BlockId::Transponders, 3);
    // 11037 * 4 + 1 (vertical), 30000; 12597 * 4 + 0 (horizontal), 27500.
    const std::uint8_t tp1[] = {0xAC, 0x75, 0x75, 0x30};
    const std::uint8_t tp3[] = {0xC4, 0xD4, 0x6B, 0x6C};
    std::ranges::copy(tp1, expected.begin() + at1 + 4);
    std::ranges::copy(tp3, expected.begin() + at3 + 4);
    EXPECT_TRUE(std::ranges::equal(std::span(loaded.image->bytes).first(expected.size()), expected));

    ASSERT_TRUE(loaded.Reload());
    EXPECT_EQ(loaded.db->Tps()[1].frequency, 11037);
    EXPECT_EQ(loaded.db->Tps()[1].opaque2, 2);
    EXPECT_EQ(PlanTransponderUpdate(*loaded.image, *loaded.db, 0, table).changes.size(), 0u);

    ASSERT_TRUE(history.Undo(*loaded.image));
    EXPECT_TRUE(std::ranges::equal(std::span(loaded.image->bytes).first(built.bytes.size()), built.bytes));
}

TEST(UpdateTransponders, ARecordTheGuardRefusesRefusesTheWholeChange)
{
    // Transponder 5's entry is made to point into transponder 3's record, so
    // that record is read-only (and transponder 5, decoded from bytes of
    // another record, no longer belongs to the satellite): the plan says why,
    // and writing refuses everything.
    BuiltImage built = Fixture().Build();
    testing::PutEntry(built.bytes, built.EntryOffset(BlockId::Transponders, 5), 0,
                      built.RecordOffset(BlockId::Transponders, 3) + 2);
    LoadedImage loaded(built);
    ASSERT_TRUE(loaded.loaded);
    const std::vector<TableEntry> table = Table();
    const TransponderUpdatePlan plan = PlanTransponderUpdate(*loaded.image, *loaded.db, 0, table);
    ASSERT_EQ(plan.changes.size(), 2u);
    EXPECT_TRUE(plan.changes[0].refusal.empty());
    EXPECT_EQ(plan.changes[1].refusal, kOverlapsRecordText);
    EXPECT_EQ(plan.Writable().size(), 1u);

    const std::vector<std::uint8_t> before(loaded.image->bytes.begin(), loaded.image->bytes.end());
    const ChangeOutcome refused = UpdateTransponders(*loaded.image, *loaded.db, plan.changes);
    EXPECT_FALSE(refused.done);
    EXPECT_EQ(refused.refusal, plan.changes[1].refusal);
    EXPECT_TRUE(std::ranges::equal(loaded.image->bytes, before));

    EXPECT_TRUE(UpdateTransponders(*loaded.image, *loaded.db, plan.Writable()).done);
}

TEST(UpdateTransponders, RefusesValuesThatDoNotFitInsteadOfWrapping)
{
    LoadedImage loaded(Fixture());
    TransponderChange change;
    change.tpIndex = 0;
    change.before = loaded.db->Tps()[0];
    change.frequency = 20000;
    change.symbolRate = 27500;
    const std::vector<std::uint8_t> before(loaded.image->bytes.begin(), loaded.image->bytes.end());
    EXPECT_EQ(UpdateTransponders(*loaded.image, *loaded.db, std::span(&change, 1)).refusal, kValueDoesNotFitText);
    change.frequency = 11000;
    change.tpIndex = 99;
    EXPECT_EQ(UpdateTransponders(*loaded.image, *loaded.db, std::span(&change, 1)).refusal, kNoSuchTransponderText);
    EXPECT_TRUE(std::ranges::equal(loaded.image->bytes, before));
}

} // namespace
} // namespace korvex
