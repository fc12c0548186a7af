// apply, run as a user's script runs it on an arranged image and the box's
// rescan of the same channels: the image it writes, the report in text and
// JSON, the dry run's exit status, and that an error writes nothing.

#include "tests/cli/CliFixtures.h"
#include "tests/support/LoadedImage.h"
#include "tests/support/RescanImages.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace korvex {
namespace {

using testing::Bytes;
using testing::CaseName;
using testing::CliTest;
using testing::Finished;
using testing::LoadedImage;
using testing::ProgramLabel;
using testing::ReadFile;
using testing::RescanExpectation;
using testing::RescanImages;
using testing::RunCli;

constexpr ProgTable kTables[] = {ProgTable::Tv, ProgTable::Radio};

std::size_t Index(ProgTable table) { return table == ProgTable::Tv ? 0 : 1; }

struct Table {
    std::vector<std::string> labels;               // in table order
    std::map<std::string, std::uint8_t> flags;     // by label
};

// A table of an image file as the box reads it.
Table TableOf(const QString& path, ProgTable table)
{
    const QByteArray bytes = ReadFile(path);
    LoadedImage loaded(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                 static_cast<std::size_t>(bytes.size())));
    EXPECT_TRUE(loaded.loaded) << path.toStdString();
    Table result;
    for (const ProgRecord& prog : table == ProgTable::Tv ? loaded.db->TvProgs() : loaded.db->RadioProgs()) {
        const std::string label = ProgramLabel(*loaded.db, prog);
        result.labels.push_back(label);
        result.flags[label] = FlagByteOf(prog.entryWord);
    }
    return result;
}

// The report's lines that list programs, each with its runs of spaces made one.
QStringList ListedLines(const QByteArray& out, const char* kind)
{
    QStringList listed;
    for (const QString& line : QString::fromUtf8(out).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1StringView(kind)))
            listed << line.simplified();
    return listed;
}

class ApplyTest : public CliTest {
protected:
    ApplyTest()
    {
        arranged_ = Write(QStringLiteral("arranged.bin"), images_.arranged.bytes);
        rescan_ = Write(QStringLiteral("rescan.bin"), images_.rescan.bytes);
        out_ = Path(QStringLiteral("out.bin"));
    }

    const RescanExpectation& Expected(ProgTable table) const { return images_.expected[Index(table)]; }

    RescanImages images_ = testing::MakeRescanImages();
    QString arranged_, rescan_, out_;
};

TEST_F(ApplyTest, RestoresTheArrangementAndReportsWhatItCouldNotMatch)
{
    const Finished run = RunCli({QStringLiteral("apply"), arranged_, rescan_, QStringLiteral("--out"), out_});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty());
    for (const ProgTable table : kTables) {
        const Table written = TableOf(out_, table);
        EXPECT_EQ(written.labels, Expected(table).order);
        EXPECT_EQ(written.flags, Expected(table).flags);
    }
    const QStringList lines = QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("carried over: order, favourites and lock; unmatched programs kept after the "
                                       "matched ones"));
    EXPECT_EQ(lines[1].simplified(), QStringLiteral("tv 13 matched (11 by service, 2 by name), 3 unmatched, 2 not found"));
    EXPECT_EQ(lines[2].simplified(), QStringLiteral("radio 4 matched (4 by service, 0 by name), 1 unmatched, 1 not found"));
    // Position in its own image, name, satellite, frequency and polarisation.
    EXPECT_EQ(ListedLines(run.out, "unmatched"),
              (QStringList{"unmatched tv 5 \"Welt\" Astra 1 11778 V", "unmatched tv 8 \"Extra\" Astra 1 12000 H",
                           "unmatched tv 14 \"Sky C\" Eutelsat 28 11425 H",
                           "unmatched radio 2 \"Klassik\" Astra 1 11838 H"}));
    EXPECT_EQ(ListedLines(run.out, "not found"),
              (QStringList{"not found tv 6 \"Music X\" Astra 1 11778 V", "not found tv 11 \"Film 1\" Eutelsat 28 11426 H",
                           "not found radio 3 \"Rai R1\" Hotbird 10992 V"}));
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("Changed tv: new order, "))) << lines.last().toStdString();
}

TEST_F(ApplyTest, DeletesTheUnmatchedWhenAsked)
{
    const Finished run = RunCli({QStringLiteral("apply"), arranged_, rescan_, QStringLiteral("--out"), out_,
                                 QStringLiteral("--unmatched"), QStringLiteral("delete")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const ProgTable table : kTables) {
        const RescanExpectation& expected = Expected(table);
        const std::vector<std::string> survivors(expected.order.begin(), expected.order.end() - expected.added.size());
        EXPECT_EQ(TableOf(out_, table).labels, survivors);
    }
    EXPECT_TRUE(run.out.contains("tv: new order, 11 flag bytes, 3 programs deleted; radio: new order, 4 flag bytes, "
                                 "1 program deleted."))
        << run.out.toStdString();
}

// The choice flags: each carries what it names and nothing else.
struct ChoiceCase {
    const char* description;
    QStringList options;
    bool order;
    std::uint8_t carriedBits;
};

void PrintTo(const ChoiceCase& c, std::ostream* os) { *os << c.description; }

const ChoiceCase kChoiceCases[] = {
    {"favourites only", {"--favourites"}, false, 0x7E},
    {"lock only", {"--lock"}, false, 0x01},
    {"order and names", {"--order", "--names"}, true, 0x00},
};

class ApplyChoiceTest : public ApplyTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(ApplyChoiceTest, CarriesWhatIsChosenOnly)
{
    const ChoiceCase& c = GetParam();
    const Finished run =
        RunCli(QStringList{QStringLiteral("apply"), arranged_, rescan_, QStringLiteral("--out"), out_} + c.options);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const ProgTable table : kTables) {
        const RescanExpectation& expected = Expected(table);
        const Table written = TableOf(out_, table);
        EXPECT_EQ(written.labels, c.order ? expected.order : TableOf(rescan_, table).labels);
        for (const auto& [label, flag] : written.flags)
            EXPECT_EQ(flag, (expected.scannedFlags.at(label) & ~c.carriedBits) | (expected.flags.at(label) & c.carriedBits))
                << label;
    }
}

INSTANTIATE_TEST_SUITE_P(Apply, ApplyChoiceTest, ::testing::ValuesIn(kChoiceCases),
                         [](const auto& info) { return CaseName(info.param.description); });

TEST_F(ApplyTest, DryRunWritesNothingAndExits3WhenSomethingWouldChange)
{
    const Finished run = RunCli({QStringLiteral("apply"), arranged_, rescan_, QStringLiteral("--dry-run"),
                                 QStringLiteral("--out"), out_});
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Would change tv: new order")) << run.out.toStdString();
    EXPECT_FALSE(QFile::exists(out_));
    EXPECT_EQ(ReadFile(rescan_), testing::AsByteArray(images_.rescan.bytes));

    // Carried over once, there is nothing left to change.
    ASSERT_EQ(RunCli({QStringLiteral("apply"), arranged_, rescan_, QStringLiteral("--out"), out_}).exitCode, 0);
    const Finished again = RunCli({QStringLiteral("apply"), arranged_, out_, QStringLiteral("--dry-run")});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.endsWith("No changes.\n")) << again.out.toStdString();
}

// The rescan's radio table has an entry outside the image. A plan that
// changes only the TV table is written as the dry run says; a plan that
// changes the radio table too is refused by both, for the same reason.
TEST_F(ApplyTest, TheDryRunAndTheRealRunAgree)
{
    Bytes rescan = images_.rescan.bytes;
    const auto radioCount =
        static_cast<std::uint32_t>(images_.rescan.recordOffsets[testing::BuiltImage::Index(BlockId::RadioPrograms)].size());
    testing::PutEntry(rescan, images_.rescan.EntryOffset(BlockId::RadioPrograms, radioCount - 1), 0x7F, 0xFFFFF0);
    const QString skipped = Write(QStringLiteral("skipped.bin"), rescan);
    // The earlier list: the rescan itself with its first two TV entries swapped.
    Bytes earlierBytes = images_.rescan.bytes;
    const std::uint32_t first = images_.rescan.EntryOffset(BlockId::TvPrograms, 0);
    std::swap_ranges(earlierBytes.begin() + first, earlierBytes.begin() + first + 4, earlierBytes.begin() + first + 4);
    const QString earlier = Write(QStringLiteral("earlier.bin"), earlierBytes);

    const Finished dry = RunCli({QStringLiteral("apply"), earlier, skipped, QStringLiteral("--dry-run")});
    EXPECT_EQ(dry.exitCode, 3) << dry.err.toStdString();
    EXPECT_TRUE(dry.out.contains("Would change tv: new order")) << dry.out.toStdString();
    const Finished real = RunCli({QStringLiteral("apply"), earlier, skipped, QStringLiteral("--out"), out_});
    ASSERT_EQ(real.exitCode, 0) << real.err.toStdString();
    const Table written = TableOf(out_, ProgTable::Tv);
    EXPECT_EQ(written.labels, TableOf(earlier, ProgTable::Tv).labels);

    QFile::remove(out_);
    for (const bool isDry : {true, false}) {
        const Finished refused = RunCli({QStringLiteral("apply"), arranged_, skipped,
                                         isDry ? QStringLiteral("--dry-run") : QStringLiteral("--out"),
                                         isDry ? QStringLiteral("--json") : out_});
        EXPECT_EQ(refused.exitCode, 2) << isDry;
        EXPECT_TRUE(refused.err.contains("the radio program table has entries that could not be loaded"))
            << refused.err.toStdString();
        EXPECT_FALSE(QFile::exists(out_));
    }
}

// A name is carried as rename writes it: up to its zero, the bytes behind
// stay; a name equal up to its zero is no change.
TEST_F(ApplyTest, NamesAreCarriedUpToTheirZero)
{
    Bytes earlierBytes = images_.rescan.bytes;
    const std::uint32_t name = images_.rescan.RecordOffset(BlockId::TvPrograms, 0) + 14;
    earlierBytes[name + 11] = earlierBytes[name + 11] == 0 ? 0x5A : earlierBytes[name + 11];
    ASSERT_NE(std::find(earlierBytes.begin() + name, earlierBytes.begin() + name + 11, 0),
              earlierBytes.begin() + name + 11) << "the first name must end before its last byte";
    const QString earlier = Write(QStringLiteral("earlier.bin"), earlierBytes);
    const Finished run = RunCli({QStringLiteral("apply"), earlier, rescan_, QStringLiteral("--names"),
                                 QStringLiteral("--dry-run")});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith("No changes.\n")) << run.out.toStdString();
}

// Two TV entries of the image point at one record whose earlier programs
// have different names: korvex-cli refuses, as for a record it may not
// write, saying which entries.
TEST_F(ApplyTest, ARecordWhoseEntriesWouldGiveItTwoNamesIsRefused)
{
    testing::ImageBuilder earlierBuilder(1), currentBuilder(1);
    earlierBuilder.AddSat({.satId = 1, .longitude = 130}).AddTp({.tpId = 10, .satId = 1, .frequency = 10992});
    currentBuilder.AddSat({.satId = 5, .longitude = 130}).AddTp({.tpId = 50, .satId = 5, .frequency = 10992});
    earlierBuilder.AddTv({.satId = 1, .tpId = 10, .serviceId = 7, .videoPid = 1, .progName = testing::Name("Rai 3")});
    earlierBuilder.AddTv({.satId = 1, .tpId = 10, .serviceId = 7, .videoPid = 1, .progName = testing::Name("Rai 3 TGR")});
    const ProgRecord scanned{.satId = 5, .tpId = 50, .serviceId = 7, .videoPid = 1, .progName = testing::Name("RAI")};
    currentBuilder.AddTv(scanned).AddTv(scanned);
    testing::BuiltImage built = currentBuilder.Build();
    testing::PutEntry(built.bytes, built.EntryOffset(BlockId::TvPrograms, 1), 0xFF,
                      built.RecordOffset(BlockId::TvPrograms, 0));
    const QString earlier = Write(QStringLiteral("e.bin"), earlierBuilder.Build().bytes);
    const QString current = Write(QStringLiteral("c.bin"), built.bytes);
    for (const bool isDry : {true, false}) {
        const Finished run = RunCli({QStringLiteral("apply"), earlier, current, QStringLiteral("--names"),
                                     isDry ? QStringLiteral("--dry-run") : QStringLiteral("--out"),
                                     isDry ? QStringLiteral("--json") : out_});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains("one record is behind TV program 0 and TV program 1")) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out_));
    }
}

TEST_F(ApplyTest, JsonGivesTheSameReportForScripts)
{
    const Finished run = RunCli({QStringLiteral("apply"), arranged_, rescan_, QStringLiteral("--dry-run"),
                                 QStringLiteral("--json"), QStringLiteral("--tolerance"), QStringLiteral("3")});
    EXPECT_EQ(run.exitCode, 3);
    QJsonParseError error;
    const QJsonObject report = QJsonDocument::fromJson(run.out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    EXPECT_EQ(report[QStringLiteral("choices")].toObject(),
              (QJsonObject{{"order", true}, {"favourites", true}, {"lock", true}, {"names", false},
                           {"unmatched", "keep"}, {"tolerance", 3}}));
    EXPECT_EQ(report[QStringLiteral("changes")], true);
    EXPECT_EQ(report[QStringLiteral("dryRun")], true);

    const QJsonObject tv = report[QStringLiteral("tables")][QStringLiteral("tv")].toObject();
    EXPECT_EQ(tv[QStringLiteral("matchedByService")], 11);
    EXPECT_EQ(tv[QStringLiteral("matchedByName")], 2);
    const QJsonArray unmatched = tv[QStringLiteral("unmatched")].toArray();
    ASSERT_EQ(unmatched.size(), 3);
    EXPECT_EQ(unmatched[0].toObject(),
              (QJsonObject{{"position", 5}, {"newPosition", 13}, {"name", "Welt"}, {"nameHex", "57656c740000000000000000"},
                           {"satellite", "Astra 1"}, {"longitude", 192}, {"frequency", 11778},
                           {"polarisation", "V"}}));
    QStringList notFound;
    for (const QJsonValue& listing : tv[QStringLiteral("notFound")].toArray())
        notFound << listing[QStringLiteral("name")].toString();
    EXPECT_EQ(notFound, (QStringList{"Music X", "Film 1"}));
    EXPECT_EQ(tv[QStringLiteral("changes")].toObject(),
              (QJsonObject{{"order", true}, {"flagBytes", 11}, {"names", 0}, {"deleted", 0}}));
}

// A frequency further off than the tolerance loses its transponder, and with
// it the service ids on it: only the names unique on their satellite still
// match there.
TEST_F(ApplyTest, ToleranceDecidesWhichTranspondersMatch)
{
    const Finished run = RunCli({QStringLiteral("apply"), arranged_, rescan_, QStringLiteral("--dry-run"),
                                 QStringLiteral("--tolerance"), QStringLiteral("0")});
    EXPECT_EQ(run.exitCode, 3);
    const QStringList lines = QString::fromUtf8(run.out).split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[1].simplified(), QStringLiteral("tv 13 matched (4 by service, 9 by name), 3 unmatched, 2 not found"));
}

struct ErrorCase {
    const char* description;
    QStringList arguments;  // {earlier}, {image}, {out}, {refused}, {broken} are replaced
    int exitCode;
    const char* message;
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.description; }

const ErrorCase kErrorCases[] = {
    {"no out file", {"apply", "{earlier}", "{image}"}, 2, "apply: --out FILE is required"},
    {"one image only", {"apply", "{image}", "--out", "{out}"}, 2, "apply: EARLIER and IMAGE are needed"},
    {"three images", {"apply", "{earlier}", "{image}", "{image}", "--out", "{out}"}, 2, "unexpected argument"},
    {"an unknown place for unmatched programs", {"apply", "{earlier}", "{image}", "--out", "{out}", "--unmatched", "end"},
     2, "--unmatched 'end': give keep or delete"},
    {"a tolerance that is not a number", {"apply", "{earlier}", "{image}", "--out", "{out}", "--tolerance", "-1"}, 2,
     "--tolerance '-1': give a number from 0 to 1000"},
    {"a tolerance too wide", {"apply", "{earlier}", "{image}", "--out", "{out}", "--tolerance", "1001"}, 2,
     "--tolerance '1001'"},
    {"an earlier file that is not a channel image", {"apply", "{refused}", "{image}", "--out", "{out}"}, 1,
     "refused.bin: The bin file is not right!"},
    {"an image arranging refuses", {"apply", "{earlier}", "{broken}", "--out", "{out}"}, 2,
     "broken.bin: the TV program table has entries that could not be loaded"},
    {"an image arranging refuses, dry run", {"apply", "{earlier}", "{broken}", "--dry-run"}, 2,
     "entries that could not be loaded"},
};

class ApplyErrorTest : public ApplyTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ApplyErrorTest, ReportsOneLineAndWritesNothing)
{
    const ErrorCase& c = GetParam();
    Bytes notAnImage = images_.arranged.bytes;
    std::fill_n(notAnImage.begin(), 8, std::uint8_t{0});  // no signature
    // One more TV entry, pointing past the end of any image: it cannot be loaded.
    testing::BuiltImage broken = images_.rescan;
    const auto count = static_cast<std::uint32_t>(broken.recordOffsets[2].size());
    testing::PutHeader(broken.bytes, broken.HeaderOffset(BlockId::TvPrograms), BlockId::TvPrograms, count + 1);
    testing::PutEntry(broken.bytes, broken.EntryOffset(BlockId::TvPrograms, count), 0x7F, 0xFFFFF0);
    const QString brokenPath = Write(QStringLiteral("broken.bin"), broken.bytes);
    QStringList arguments = c.arguments;
    for (QString& argument : arguments)
        argument.replace(QStringLiteral("{earlier}"), arranged_)
            .replace(QStringLiteral("{image}"), rescan_)
            .replace(QStringLiteral("{out}"), out_)
            .replace(QStringLiteral("{refused}"), Write(QStringLiteral("refused.bin"), notAnImage))
            .replace(QStringLiteral("{broken}"), brokenPath);
    const Finished run = RunCli(arguments);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_TRUE(run.err.endsWith('\n') && run.err.count('\n') == 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(out_));
    EXPECT_EQ(ReadFile(rescan_), testing::AsByteArray(images_.rescan.bytes));
}

INSTANTIATE_TEST_SUITE_P(Apply, ApplyErrorTest, ::testing::ValuesIn(kErrorCases),
                         [](const auto& info) { return CaseName(info.param.description); });

} // namespace
} // namespace korvex
