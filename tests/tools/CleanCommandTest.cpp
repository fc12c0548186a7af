// clean, run as a user's script runs it: which records each choice of kinds
// deletes, the report in text and JSON, the dry run's exit status, --backup,
// and that an error writes nothing.

#include "tests/tools/CliFixtures.h"
#include "tests/support/CleanUpImages.h"
#include "tests/support/LoadedImage.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvex {
namespace {

using testing::Bytes;
using testing::CaseName;
using testing::CliTest;
using testing::Finished;
using testing::LoadedImage;
using testing::ReadFile;
using testing::RunCli;

// What an image file holds, as the box reads it.
struct Left {
    std::vector<std::string> sats;
    std::vector<std::uint16_t> tpIds;
    std::vector<std::string> tv;
    std::vector<std::string> radio;

    bool operator==(const Left&) const = default;
};

void PrintTo(const Left& left, std::ostream* os)
{
    const auto list = [os](const char* what, const auto& items) {
        *os << what << ":";
        for (const auto& item : items)
            *os << " " << item;
        *os << "; ";
    };
    list("sats", left.sats);
    list("tps", left.tpIds);
    list("tv", left.tv);
    list("radio", left.radio);
}

Left LeftIn(const QString& path)
{
    const QByteArray bytes = ReadFile(path);
    LoadedImage loaded(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                 static_cast<std::size_t>(bytes.size())));
    EXPECT_TRUE(loaded.loaded) << path.toStdString();
    Left left;
    for (const SatRecord& sat : loaded.db->Sats())
        left.sats.emplace_back(NameView(sat.satName));
    for (const TpRecord& tp : loaded.db->Tps())
        left.tpIds.push_back(tp.tpId);
    for (const ProgRecord& prog : loaded.db->TvProgs())
        left.tv.emplace_back(NameView(prog.progName));
    for (const ProgRecord& prog : loaded.db->RadioProgs())
        left.radio.emplace_back(NameView(prog.progName));
    return left;
}

class CleanTest : public CliTest {
protected:
    CleanTest() : image_(Write(QStringLiteral("box.bin"), built_.bytes)), out_(Path(QStringLiteral("out.bin"))) {}

    testing::BuiltImage built_ = testing::EveryKind();
    QString image_;
    QString out_;
};

struct KindCase {
    const char* description;
    QStringList options;
    Left left;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.description; }

const std::vector<std::string> kAllSats{"Astra", "Hotbird", "Hotbird B", "Empty", "Thor"};
const std::vector<std::uint16_t> kAllTps{10, 11, 20, 30, 40, 50};
const std::vector<std::string> kAllTv{"Das Erste", "Das Erste", "Rai 3", "Rai 3",   "Erste HD",
                                      "Sky",       "Lost",      "Orphan", "Nowhere", "Movie"};
const std::vector<std::string> kAllRadio{"Radio 1", "Radio 1", "Das Erste", "Carried"};

const KindCase kKindCases[] = {
    {"no kind: duplicates, strays and what they leave empty",
     {},
     {{"Astra", "Hotbird", "Hotbird B", "Empty"},
      {10, 20, 50},
      {"Das Erste", "Rai 3", "Rai 3", "Sky", "Movie"},
      {"Radio 1", "Das Erste"}}},
    {"duplicates only", {"--duplicates"}, {kAllSats, kAllTps, {"Das Erste", "Rai 3", "Rai 3", "Sky", "Lost", "Orphan", "Nowhere", "Movie"}, {"Radio 1", "Das Erste", "Carried"}}},
    {"strays take the programs of a stray transponder along",
     {"--strays"},
     {kAllSats, {10, 11, 20, 40, 50}, {"Das Erste", "Das Erste", "Rai 3", "Rai 3", "Erste HD", "Sky", "Movie"},
      {"Radio 1", "Radio 1", "Das Erste"}}},
    {"scrambled only", {"--scrambled"}, {kAllSats, kAllTps, {"Das Erste", "Das Erste", "Rai 3", "Rai 3", "Erste HD", "Lost", "Orphan", "Nowhere", "Movie"}, kAllRadio}},
    {"keep only the favourites",
     {"--no-favourite", "--empty"},
     {{"Astra", "Hotbird", "Hotbird B", "Empty"}, {20, 50}, {"Movie"}, {}}},
    {"left empty alone finds nothing", {"--empty"}, {kAllSats, kAllTps, kAllTv, kAllRadio}},
};

class CleanKindTest : public CleanTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(CleanKindTest, DeletesWhatTheKindsChosenName)
{
    const KindCase& c = GetParam();
    const Finished run = RunCli(QStringList{QStringLiteral("clean"), image_, QStringLiteral("--out"), out_} + c.options);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty());
    EXPECT_EQ(LeftIn(out_), c.left);
    EXPECT_EQ(ReadFile(image_), testing::AsByteArray(built_.bytes)) << "the image itself is not written";
}

INSTANTIATE_TEST_SUITE_P(Clean, CleanKindTest, ::testing::ValuesIn(kKindCases),
                         [](const auto& info) { return CaseName(info.param.description); });

TEST_F(CleanTest, DryRunListsWhatGoesAndWhyAndWritesNothing)
{
    const Finished run = RunCli({QStringLiteral("clean"), image_, QStringLiteral("--dry-run")});
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    QStringList lines;
    for (const QString& line : QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        lines << line.simplified();
    const QStringList expected{
        "kinds: duplicates, strays and left empty",
        "duplicates 3",
        "strays 4",
        "scrambled 1 (not chosen)",
        "in no favourite group 13 (not chosen)",
        "left empty 3",
        "sat 4 \"Thor\" - - - left empty: no transponder and no program left",
        "tp 1 - Astra 11778 V left empty: no program left",
        "tp 3 - - 12000 H stray: no satellite has satId 9",
        "tp 4 - Thor 12100 H left empty: no program left",
        "tv 1 \"Das Erste\" Astra 11778 V duplicate: same satellite, transponder and service ID as TV program 0",
        "tv 4 \"Erste HD\" Astra 11778 V duplicate: same satellite, transponder and service ID as TV program 0",
        "tv 6 \"Lost\" Astra - - stray: no transponder has tpId 99",
        "tv 7 \"Orphan\" - 12100 H stray: no satellite has satId 77",
        "tv 8 \"Nowhere\" - 12000 H stray: no satellite has satId 9",
        "radio 1 \"Radio 1\" Hotbird 10992 H duplicate: same satellite, transponder and service ID as radio program 0",
        "radio 3 \"Carried\" Astra 12000 H stray: goes with transponder 3",
        "Would delete 1 satellite, 3 transponders, 5 TV programs and 2 radio programs.",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(ReadFile(image_), testing::AsByteArray(built_.bytes));

    // Cleaned once, there is nothing left to delete.
    ASSERT_EQ(RunCli({QStringLiteral("clean"), image_, QStringLiteral("--out"), out_}).exitCode, 0);
    const Finished again = RunCli({QStringLiteral("clean"), out_, QStringLiteral("--dry-run")});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.endsWith("Nothing to delete.\n")) << again.out.toStdString();
}

TEST_F(CleanTest, JsonGivesTheSameReportForScripts)
{
    const Finished run =
        RunCli({QStringLiteral("clean"), image_, QStringLiteral("--dry-run"), QStringLiteral("--json"),
                QStringLiteral("--scrambled")});
    EXPECT_EQ(run.exitCode, 3);
    QJsonParseError error;
    const QJsonObject report = QJsonDocument::fromJson(run.out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    EXPECT_EQ(report[QStringLiteral("kinds")][QStringLiteral("scrambled")].toObject(),
              (QJsonObject{{"chosen", true}, {"count", 1}}));
    EXPECT_EQ(report[QStringLiteral("kinds")][QStringLiteral("duplicates")].toObject(),
              (QJsonObject{{"chosen", false}, {"count", 3}}));
    const QJsonArray records = report[QStringLiteral("records")].toArray();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].toObject(),
              (QJsonObject{{"table", "tv"}, {"position", 5}, {"kind", "scrambled"}, {"reason", "scrambled"},
                           {"name", "Sky"}, {"nameHex", "536b79000000000000000000"}, {"satellite", "Hotbird"},
                           {"frequency", 10992}, {"polarisation", "H"}}));
    EXPECT_EQ(report[QStringLiteral("deleted")].toObject(),
              (QJsonObject{{"sat", 0}, {"tp", 0}, {"tv", 1}, {"radio", 0}}));
    EXPECT_EQ(report[QStringLiteral("changes")], true);
    EXPECT_EQ(report[QStringLiteral("dryRun")], true);
}

TEST_F(CleanTest, BackupKeepsTheImageCleanedOverItself)
{
    const Finished run =
        RunCli({QStringLiteral("clean"), image_, QStringLiteral("--out"), image_, QStringLiteral("--backup")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ReadFile(image_ + QStringLiteral(".bak")), testing::AsByteArray(built_.bytes));
    EXPECT_EQ(LeftIn(image_).tv.size(), 5u);
}

// {image}, {out}, {refused} and {broken} stand for files.
const testing::RefusedRun kRefusedRuns[] = {
    {"no out file", {"clean", "{image}"}, 2, "clean: --out FILE is required"},
    {"no image", {"clean", "--out", "{out}"}, 2, "clean: no IMAGE given"},
    {"an unknown kind", {"clean", "{image}", "--out", "{out}", "--locked"}, 2, "locked"},
    {"a file that is not a channel image", {"clean", "{refused}", "--out", "{out}"}, 1,
     "The bin file is not right!"},
    {"an image arranging refuses", {"clean", "{broken}", "--out", "{out}"}, 2,
     "broken.bin: the TV program table has entries that could not be loaded"},
    {"an image arranging refuses, dry run", {"clean", "{broken}", "--dry-run"}, 2, "entries that could not be loaded"},
};

class CleanErrorTest : public CleanTest, public ::testing::WithParamInterface<testing::RefusedRun> {};

TEST_P(CleanErrorTest, ReportsOneLineAndWritesNothing)
{
    ExpectRefused(GetParam(),
                  {{"image", image_},
                   {"out", out_},
                   {"refused", Write(QStringLiteral("refused.bin"), testing::NotAChannelImage(built_.bytes))},
                   {"broken", Write(QStringLiteral("broken.bin"), testing::WithTvEntryOutside(built_).bytes)}});
}

INSTANTIATE_TEST_SUITE_P(Clean, CleanErrorTest, ::testing::ValuesIn(kRefusedRuns),
                         [](const auto& info) { return CaseName(info.param.description); });

} // namespace
} // namespace korvex
