// move, delete, sort and flags, run as a user's script runs them: the order,
// the entries and the flag bytes they leave, that they change nothing but the
// directory, and that a refusal or a wrong argument writes nothing.

#include "tests/tools/CliFixtures.h"

#include <QFile>
#include <QJsonArray>

#include <gtest/gtest.h>

namespace korvex {
namespace {

using testing::AsByteArray;
using testing::BuiltImage;
using testing::Bytes;
using testing::CaseName;
using testing::CliTest;
using testing::DumpOf;
using testing::Finished;
using testing::ImageBuilder;
using testing::Name;
using testing::ReadFile;
using testing::RunCli;

// Two satellites; transponders 10 and 11 on the first, 20 on the second;
// five TV programs whose names, service IDs and satellites sort differently,
// and two radio programs.
ImageBuilder ArrangeImage(int layoutKind = 1)
{
    ImageBuilder builder(layoutKind);
    builder.AddSat({.satId = 1, .satName = Name("Astra")}).AddSat({.satId = 2, .satName = Name("Hotbird")});
    builder.AddTp({.tpId = 10, .satId = 1}).AddTp({.tpId = 11, .satId = 1}).AddTp({.tpId = 20, .satId = 2});
    const struct {
        const char* name;
        std::uint16_t serviceId, satId, tpId;
    } tv[] = {{"b", 30, 2, 20}, {"A", 50, 1, 11}, {"a", 10, 1, 10}, {"C", 40, 2, 20}, {"d", 20, 1, 10}};
    for (const auto& p : tv)
        builder.AddTv({.satId = p.satId, .tpId = p.tpId, .serviceId = p.serviceId, .videoPid = 100,
                       .progName = Name(p.name), .unlocked = 1, .favBits = 0x7E});
    builder.AddRadio({.satId = 1, .tpId = 11, .serviceId = 7, .progName = Name("R1"), .unlocked = 1, .favBits = 0x7E});
    builder.AddRadio({.satId = 2, .tpId = 20, .serviceId = 8, .progName = Name("R2"), .unlocked = 1, .favBits = 0x7E});
    return builder;
}

QStringList NamesOf(const QJsonObject& dump, const char* array, const char* field = "progName")
{
    QStringList names;
    for (const QJsonValue& record : dump[QLatin1StringView(array)].toArray())
        names << record[QLatin1StringView(field)].toString();
    return names;
}

// Bytes of the two files that differ, as offsets.
std::vector<std::uint32_t> ChangedBytes(const QByteArray& a, const QByteArray& b)
{
    std::vector<std::uint32_t> changed;
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            changed.push_back(static_cast<std::uint32_t>(i));
    return changed;
}

struct OrderCase {
    const char* description;
    QStringList arguments;  // after IMAGE --out FILE
    const char* array;      // in the dump
    QStringList names;      // of that table afterwards
};

void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.description; }

const OrderCase kOrderCases[] = {
    {"move two to the front", {"move", "--tv", "3", "4", "--to", "0"}, "tvProgs", {"C", "d", "b", "A", "a"}},
    {"move keeps the moved programs in table order", {"move", "--tv", "4", "1", "--to", "2"}, "tvProgs",
     {"b", "a", "A", "d", "C"}},
    {"move to the last place", {"move", "--tv", "0", "--to", "4"}, "tvProgs", {"A", "a", "C", "d", "b"}},
    {"move a radio program", {"move", "--radio", "1", "--to", "0"}, "radioProgs", {"R2", "R1"}},
    {"sort by name ignores case and keeps ties in order", {"sort", "--tv", "--by", "name"}, "tvProgs",
     {"A", "a", "b", "C", "d"}},
    {"sort by service id", {"sort", "--tv", "--by", "serviceId"}, "tvProgs", {"a", "d", "b", "C", "A"}},
    {"sort by satellite, transponder, then name", {"sort", "--tv", "--by", "satellite"}, "tvProgs",
     {"a", "d", "A", "b", "C"}},
    {"sort the radio table", {"sort", "--radio", "--by", "serviceId"}, "radioProgs", {"R1", "R2"}},
};

class OrderTest : public CliTest, public ::testing::WithParamInterface<OrderCase> {};

// The records stay where they are: only the entries of the table's block move.
TEST_P(OrderTest, RewritesOnlyTheEntriesOfTheTable)
{
    const OrderCase& c = GetParam();
    for (const int layout : {1, 2}) {
        const BuiltImage built = ArrangeImage(layout).Build();
        const QString image = Write(QStringLiteral("image.bin"), built.bytes);
        const QString out = Path(QStringLiteral("out.bin"));
        QStringList arguments = c.arguments;
        arguments.insert(1, image);
        arguments.insert(2, QStringLiteral("--out"));
        arguments.insert(3, out);
        const Finished run = RunCli(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty() && run.err.isEmpty());
        EXPECT_EQ(NamesOf(DumpOf(out), c.array), c.names) << "layout " << layout;

        const BlockId block = QLatin1StringView(c.array) == u"tvProgs" ? BlockId::TvPrograms : BlockId::RadioPrograms;
        const std::uint32_t first = built.EntryOffset(block, 0);
        const std::uint32_t end = built.EntryOffset(block, c.names.size());
        for (const std::uint32_t at : ChangedBytes(AsByteArray(built.bytes), ReadFile(out)))
            EXPECT_TRUE(at >= first && at < end) << "byte 0x" << std::hex << at;
    }
}

INSTANTIATE_TEST_SUITE_P(Arrange, OrderTest, ::testing::ValuesIn(kOrderCases),
                         [](const auto& info) { return CaseName(info.param.description); });

struct DeleteCase {
    const char* description;
    QStringList arguments;  // after IMAGE --out FILE
    QStringList sats, tps, tv, radio;
    const char* summary;
};

void PrintTo(const DeleteCase& c, std::ostream* os) { *os << c.description; }

const DeleteCase kDeleteCases[] = {
    {"TV programs", {"--tv", "4", "0"}, {"Astra", "Hotbird"}, {"10", "11", "20"}, {"A", "a", "C"}, {"R1", "R2"},
     "deleted 0 satellites, 0 transponders, 2 TV programs and 0 radio programs\n"},
    {"a radio program", {"--radio", "1"}, {"Astra", "Hotbird"}, {"10", "11", "20"}, {"b", "A", "a", "C", "d"},
     {"R1"}, "deleted 0 satellites, 0 transponders, 0 TV programs and 1 radio program\n"},
    {"a transponder with its programs", {"--tp", "0"}, {"Astra", "Hotbird"}, {"11", "20"}, {"b", "A", "C"},
     {"R1", "R2"}, "deleted 0 satellites, 1 transponder, 2 TV programs and 0 radio programs\n"},
    {"a satellite with its transponders and programs", {"--sat", "1"}, {"Astra"}, {"10", "11"}, {"A", "a", "d"},
     {"R1"}, "deleted 1 satellite, 1 transponder, 2 TV programs and 1 radio program\n"},
};

class DeleteTest : public CliTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteTest, RemovesTheEntriesAndTheirCascadeAndSaysWhat)
{
    const DeleteCase& c = GetParam();
    const QString image = Write(QStringLiteral("image.bin"), ArrangeImage().Build().bytes);
    const QString out = Path(QStringLiteral("out.bin"));
    const Finished run = RunCli(QStringList{"delete", image, "--out", out} + c.arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), c.summary);
    const QJsonObject dump = DumpOf(out);
    EXPECT_EQ(NamesOf(dump, "sats", "satName"), c.sats);
    QStringList tpIds;
    for (const QJsonValue& tp : dump["tps"].toArray())
        tpIds << QString::number(tp["tpId"].toInt());
    EXPECT_EQ(tpIds, c.tps);
    EXPECT_EQ(NamesOf(dump, "tvProgs"), c.tv);
    EXPECT_EQ(NamesOf(dump, "radioProgs"), c.radio);
}

INSTANTIATE_TEST_SUITE_P(Arrange, DeleteTest, ::testing::ValuesIn(kDeleteCases),
                         [](const auto& info) { return CaseName(info.param.description); });

TEST_F(CliTest, DeleteKeepsWhatAnotherRecordWithTheSameIdClaims)
{
    // A second transponder 10, on the second satellite: deleting the first
    // one keeps the programs of transponder 10.
    ImageBuilder builder = ArrangeImage();
    builder.AddTp({.tpId = 10, .satId = 2});
    const QString image = Write(QStringLiteral("image.bin"), builder.Build().bytes);
    const QString out = Path(QStringLiteral("out.bin"));
    const Finished run = RunCli({"delete", image, "--out", out, "--tp", "0"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), "deleted 0 satellites, 1 transponder, 0 TV programs and 0 radio programs; kept "
                                     "0 transponders and 2 programs that a record with the same id still claims\n");
    EXPECT_EQ(NamesOf(DumpOf(out), "tvProgs"), (QStringList{"b", "A", "a", "C", "d"}));
}

struct FlagsCase {
    const char* description;
    QStringList arguments;  // after IMAGE --out FILE
    std::uint8_t before;    // flag byte of every TV entry
    std::vector<std::uint8_t> after;
};

void PrintTo(const FlagsCase& c, std::ostream* os) { *os << c.description; }

// Flag byte: bit 0 unlocked, bits 1..6 the groups (0 = in the group), bit 7 kept.
const FlagsCase kFlagsCases[] = {
    {"add to a group clears its bit", {"--tv", "0", "2", "--add", "Movies"}, 0xFF, {0xFD, 0xFF, 0xFD, 0xFF, 0xFF}},
    {"remove from a group sets its bit", {"--tv", "1", "--remove", "adult"}, 0x01, {0x01, 0x41, 0x01, 0x01, 0x01}},
    {"Sports is the Sport group", {"--tv", "4", "--add", "SPORTS"}, 0x7F, {0x7F, 0x7F, 0x7F, 0x7F, 0x5F}},
    {"lock clears bit 0 and keeps bit 7", {"--tv", "3", "--lock"}, 0x81, {0x81, 0x81, 0x81, 0x80, 0x81}},
    {"unlock sets bit 0", {"--tv", "3", "--unlock"}, 0x00, {0x00, 0x00, 0x00, 0x01, 0x00}},
    {"several changes at once", {"--tv", "0", "--add", "News", "--add", "music", "--remove", "Cartoons", "--lock"},
     0x7F, {0x6A, 0x7F, 0x7F, 0x7F, 0x7F}},
};

class FlagsTest : public CliTest, public ::testing::WithParamInterface<FlagsCase> {};

TEST_P(FlagsTest, ChangesTheFlagBytesOfTheEntriesNamed)
{
    const FlagsCase& c = GetParam();
    BuiltImage built = ArrangeImage().Build();
    for (std::uint32_t k = 0; k < 5; ++k)
        built.bytes[built.EntryOffset(BlockId::TvPrograms, k)] = c.before;
    const QString image = Write(QStringLiteral("image.bin"), built.bytes);
    const QString out = Path(QStringLiteral("out.bin"));
    const Finished run = RunCli(QStringList{"flags", image, "--out", out} + c.arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray written = ReadFile(out);
    for (std::uint32_t k = 0; k < 5; ++k)
        EXPECT_EQ(static_cast<std::uint8_t>(written[built.EntryOffset(BlockId::TvPrograms, k)]), c.after[k])
            << "entry " << k;
    for (const std::uint32_t at : ChangedBytes(AsByteArray(built.bytes), written)) {
        const std::uint32_t k = (at - built.EntryOffset(BlockId::TvPrograms, 0)) / kEntrySize;
        EXPECT_EQ(at, built.EntryOffset(BlockId::TvPrograms, k)) << "byte 0x" << std::hex << at;
    }
}

INSTANTIATE_TEST_SUITE_P(Arrange, FlagsTest, ::testing::ValuesIn(kFlagsCases),
                         [](const auto& info) { return CaseName(info.param.description); });

// {image}, {out}, {skipped} and {refused} stand for files.
const testing::RefusedRun kRefusedRuns[] = {
    {"move without a table", {"move", "{image}", "--out", "{out}", "1", "--to", "0"}, 2, "one of --tv or --radio"},
    {"move with both tables", {"move", "{image}", "--out", "{out}", "--tv", "--radio", "1", "--to", "0"}, 2,
     "give only one of --tv and --radio"},
    {"move without an index", {"move", "{image}", "--out", "{out}", "--tv", "--to", "0"}, 2, "no program index N given"},
    {"move without --to", {"move", "{image}", "--out", "{out}", "--tv", "1"}, 2, "--to M is required"},
    {"move without --out", {"move", "{image}", "--tv", "1", "--to", "0"}, 2, "--out FILE is required"},
    {"move an index out of range", {"move", "{image}", "--out", "{out}", "--tv", "5", "--to", "0"}, 2,
     "5: index out of range"},
    {"move an index twice", {"move", "{image}", "--out", "{out}", "--tv", "1", "1", "--to", "0"}, 2,
     "1 is given more than once"},
    {"move an index that is not a number", {"move", "{image}", "--out", "{out}", "--tv", "x", "--to", "0"}, 2,
     "'x': the index is not a number"},
    {"move past the end", {"move", "{image}", "--out", "{out}", "--tv", "0", "1", "--to", "4"}, 2,
     "--to 4: 2 of 5 TV programs can start at 0 to 3"},
    {"move in a table with an entry outside the image", {"move", "{skipped}", "--out", "{out}", "--tv", "0", "--to", "1"}, 2,
     "move: the TV program table has entries that could not be loaded"},
    {"sort in a table with an entry outside the image", {"sort", "{skipped}", "--out", "{out}", "--tv", "--by", "name"}, 2,
     "sort: the TV program table has entries that could not be loaded"},
    {"delete in a table with an entry outside the image", {"delete", "{skipped}", "--out", "{out}", "--tv", "0"}, 2,
     "delete: the TV program table has entries that could not be loaded"},
    {"sort without a key", {"sort", "{image}", "--out", "{out}", "--tv"}, 2, "--by name|serviceId|satellite is required"},
    {"sort by an unknown key", {"sort", "{image}", "--out", "{out}", "--tv", "--by", "age"}, 2,
     "--by 'age': the keys are name, serviceId and satellite"},
    {"sort with an index", {"sort", "{image}", "--out", "{out}", "--tv", "1", "--by", "name"}, 2,
     "unexpected argument '1'"},
    {"delete nothing named", {"delete", "{image}", "--out", "{out}"}, 2, "one of --tv N..., --radio N..., --tp N"},
    {"delete two kinds", {"delete", "{image}", "--out", "{out}", "--tp", "0", "--sat", "0"}, 2, "give only one of"},
    {"delete a transponder out of range", {"delete", "{image}", "--out", "{out}", "--tp", "3"}, 2,
     "--tp 3: index out of range"},
    {"delete a satellite that is not a number", {"delete", "{image}", "--out", "{out}", "--sat", "one"}, 2,
     "--sat 'one': the index is not a number"},
    {"flags without a change", {"flags", "{image}", "--out", "{out}", "--tv", "0"}, 2, "no change given"},
    {"flags with an unknown group", {"flags", "{image}", "--out", "{out}", "--tv", "0", "--add", "Films"}, 2,
     "--add 'Films': the groups are Movies"},
    {"flags adding and removing one group",
     {"flags", "{image}", "--out", "{out}", "--tv", "0", "--add", "news", "--remove", "News"}, 2,
     "News is both added and removed"},
    {"flags locking and unlocking", {"flags", "{image}", "--out", "{out}", "--tv", "0", "--lock", "--unlock"}, 2,
     "give only one of --lock and --unlock"},
    {"flags on a radio index out of range", {"flags", "{image}", "--out", "{out}", "--radio", "2", "--lock"}, 2,
     "2: index out of range; "},
    {"move on a file that is not an image", {"move", "{refused}", "--out", "{out}", "--tv", "0", "--to", "1"}, 1,
     "The bin file is not right!"},
};

class ArrangeRefusalTest : public CliTest, public ::testing::WithParamInterface<testing::RefusedRun> {};

// One line on standard error, nothing written, the image left as it was.
TEST_P(ArrangeRefusalTest, ReportsOneLineAndWritesNothing)
{
    ExpectRefused(GetParam(),
                  {{"image", Write(QStringLiteral("image.bin"), ArrangeImage().Build().bytes)},
                   {"skipped", Write(QStringLiteral("skipped.bin"), testing::WithTvEntryOutside(ArrangeImage().Build()).bytes)},
                   {"refused", Write(QStringLiteral("refused.bin"), testing::NotAChannelImage(ArrangeImage().Build().bytes))},
                   {"out", Path(QStringLiteral("out.bin"))}});
}

INSTANTIATE_TEST_SUITE_P(Arrange, ArrangeRefusalTest, ::testing::ValuesIn(kRefusedRuns),
                         [](const auto& info) { return CaseName(info.param.description); });

} // namespace
} // namespace korvex
