// rename, run as a user's script runs it: the names it writes (their bytes
// and nothing else), the line it prints for every program, the report for
// scripts, the dry run's exit status, and that an error writes nothing.

#include "db/RecordCodec.h"
#include "tests/tools/CliFixtures.h"
#include "tests/support/LoadedImage.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvex {
namespace {

using testing::AsByteArray;
using testing::BuiltImage;
using testing::Bytes;
using testing::CliTest;
using testing::Finished;
using testing::ImageBuilder;
using testing::Name;
using testing::ReadFile;
using testing::RunCli;

ProgRecord Prog(const char* name, std::uint16_t videoPid)
{
    ProgRecord prog{.satId = 1, .tpId = 10, .serviceId = 7, .videoPid = videoPid, .audioPid = 0x101};
    prog.progName = Name(name);
    prog.unlocked = 1;
    prog.favBits = 0x7E;
    return prog;
}

BuiltImage HdImage()
{
    ImageBuilder builder(1);
    builder.AddSat({.satId = 1, .satName = Name("Astra")});
    builder.AddTp({.tpId = 10, .satId = 1, .frequency = 11000});
    for (const char* name : {"Das Erste HD", "ZDF", "Arte HD", "Sky Sports", "Sky Movie HD"})
        builder.AddTv(Prog(name, 0x100));
    builder.AddRadio(Prog("Sky Radio", 0));
    return builder.Build();
}

// The bytes with the name field of TV program k (a 12-byte field) replaced.
void PutTvName(Bytes& bytes, const BuiltImage& built, std::size_t k, std::string_view name)
{
    const std::uint32_t at = built.RecordOffset(BlockId::TvPrograms, k) + kProgNameOffset;
    std::copy(name.begin(), name.end(), bytes.begin() + at);
}

QStringList Lines(const QByteArray& out) { return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

class RenameTest : public CliTest {
protected:
    BuiltImage built_ = HdImage();
    QString image_ = Write(QStringLiteral("box.bin"), built_.bytes);
    QString out_ = Path(QStringLiteral("new.bin"));
};

TEST_F(RenameTest, MovesHdToTheFrontWritingOnlyTheNameBytes)
{
    const Finished run = RunCli({"rename", image_, "--out", out_, "--tv", "--regex", "--find", "^(.*) HD$",
                                 "--replace", "HD \\1"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    Bytes expected = built_.bytes;
    // Twelve bytes: no zero; shorter: a zero, the old bytes behind it kept.
    PutTvName(expected, built_, 0, "HD Das Erste");
    PutTvName(expected, built_, 2, std::string_view("HD Arte\0", 8));
    PutTvName(expected, built_, 4, "HD Sky Movie");
    EXPECT_EQ(ReadFile(out_), AsByteArray(expected));
    EXPECT_EQ(Lines(run.out), (QStringList{
                                  R"(tv 0: "Das Erste HD" -> "HD Das Erste")",
                                  R"(tv 1: "ZDF"  unchanged: not matched)",
                                  R"(tv 2: "Arte HD" -> "HD Arte")",
                                  R"(tv 3: "Sky Sports"  unchanged: not matched)",
                                  R"(tv 4: "Sky Movie HD" -> "HD Sky Movie")",
                                  "renamed 3 of 5 TV programs; 0 left unchanged, 2 not matched",
                              }));
}

TEST_F(RenameTest, RemovesAPrefixFromTheProgramsNamedOrCutsWhenAsked)
{
    struct Case {
        QStringList arguments;
        std::vector<std::pair<std::size_t, std::string_view>> names;  // TV program, its new name field bytes
    };
    const Case cases[] = {
        {{"--tv", "3", "4", "--find", "Sky ", "--replace", ""},
         {{3, std::string_view("Sports\0rts\0\0", 12)}, {4, std::string_view("Movie HD\0 HD", 12)}}},
        {{"--tv", "4", "--find", " HD", "--replace", " UHD 4K", "--cut"}, {{4, "Sky Movie UH"}}},
        {{"--radio", "--find", "Sky ", "--replace", ""}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const Finished run = RunCli(QStringList{"rename", image_, "--out", out_} + c.arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        Bytes expected = built_.bytes;
        for (const auto& [k, name] : c.names)
            PutTvName(expected, built_, k, name);
        if (c.arguments.first() == u"--radio") {
            const std::uint32_t at = built_.RecordOffset(BlockId::RadioPrograms, 0) + kProgNameOffset;
            const std::string_view radio("Radio\0dio\0\0\0", 12);
            std::copy(radio.begin(), radio.end(), expected.begin() + at);
        }
        EXPECT_EQ(ReadFile(out_), AsByteArray(expected));
    }
}

TEST_F(RenameTest, ANameTooLongIsLeftAsItWasUnlessCutIsAsked)
{
    const Finished run =
        RunCli({"rename", image_, "--dry-run", "--tv", "4", "--find", " HD", "--replace", " UHD 4K"});
    EXPECT_EQ(run.exitCode, 0) << "nothing would change";
    EXPECT_EQ(Lines(run.out), (QStringList{
                                  R"(tv 4: "Sky Movie HD" -> "Sky Movie UHD 4K"  unchanged: does not fit 12 bytes)",
                                  "would rename 0 of 1 TV program; 1 left unchanged, 0 not matched",
                              }));
}

TEST_F(RenameTest, GbkNamesAreCutAtACharacterBoundary)
{
    const QString gbk = Write(QStringLiteral("gbk.bin"), testing::GbkImage());
    const QStringList rule{"--tv", "--charset", "GBK", "--regex", "--find", "^(.*)$", "--replace", "X\\1高清"};
    const Finished left = RunCli(QStringList{"rename", gbk, "--dry-run"} + rule);
    EXPECT_EQ(left.exitCode, 0) << left.err.toStdString();
    EXPECT_TRUE(left.out.contains("tv 0: \"中央电视台\" -> \"X中央电视台高清\"  unchanged: does not fit 12 bytes"))
        << left.out.toStdString();

    const Finished cut = RunCli(QStringList{"rename", gbk, "--out", out_, "--cut"} + rule);
    ASSERT_EQ(cut.exitCode, 0) << cut.err.toStdString();
    EXPECT_TRUE(cut.out.contains("tv 0: \"中央电视台\" -> \"X中央电视台\"  cut to 12 bytes")) << cut.out.toStdString();
    EXPECT_TRUE(cut.out.contains("tv 1: \"湖南卫视\" -> \"X湖南卫视高\"  cut to 12 bytes")) << cut.out.toStdString();
    const QByteArray written = ReadFile(out_);
    const testing::LoadedImage loaded(std::span(reinterpret_cast<const std::uint8_t*>(written.constData()),
                                                static_cast<std::size_t>(written.size())));
    ASSERT_TRUE(loaded.loaded);
    const auto field = [&](std::size_t k) {
        const NameBytes& name = loaded.db->tvProgs[k].progName;
        return QByteArray(reinterpret_cast<const char*>(name.data()), kNameBytes);
    };
    // 11 bytes each: the next character, two bytes, would not fit whole.
    EXPECT_EQ(field(0), QByteArray("X\xD6\xD0\xD1\xEB\xB5\xE7\xCA\xD3\xCC\xA8\0", 12));
    EXPECT_EQ(field(1), QByteArray("X\xBA\xFE\xC4\xCF\xCE\xC0\xCA\xD3\xB8\xDF\0", 12));
}

TEST_F(RenameTest, DryRunSaysWhetherAnythingWouldChangeAndWritesNothing)
{
    const struct {
        const char* find;
        int exitCode;
    } cases[] = {{"Sky ", 3}, {"Nowhere", 0}, {" HD$", 3}};
    for (const auto& c : cases) {
        const Finished run = RunCli({"rename", image_, "--dry-run", "--tv", "--regex", "--find", c.find, "--replace", ""});
        EXPECT_EQ(run.exitCode, c.exitCode) << c.find << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(c.exitCode == 3 ? "would rename" : "would rename 0 of 5")) << run.out.toStdString();
        EXPECT_FALSE(QFile::exists(out_));
    }
    EXPECT_EQ(ReadFile(image_), AsByteArray(built_.bytes));
}

// Each program --json lists, as "index result newName reason".
QStringList JsonPrograms(const QJsonObject& json)
{
    QStringList programs;
    for (const QJsonValue& program : json[QStringLiteral("programs")].toArray())
        programs << QStringLiteral("%1 %2 %3 %4")
                        .arg(program[QStringLiteral("index")].toInt())
                        .arg(program[QStringLiteral("result")].toString(),
                             program[QStringLiteral("newName")].isNull() ? QStringLiteral("-")
                                                                         : program[QStringLiteral("newName")].toString(),
                             program[QStringLiteral("reason")].isNull() ? QStringLiteral("-")
                                                                        : program[QStringLiteral("reason")].toString());
    return programs;
}

TEST_F(RenameTest, JsonListsEveryProgramWithWhatHappensToItsName)
{
    struct Case {
        QStringList rule;
        QStringList programs;  // as JsonPrograms gives them
        int renamed, cut, leftUnchanged, notMatched;
    };
    const Case cases[] = {
        {{"--tv", "1", "2", "4", "--regex", "--find", " HD$", "--replace", " UHD", "--cut"},
         {"1 notMatched - -", "2 renamed Arte UHD -", "4 cut Sky Movie UH -"}, 2, 1, 0, 1},
        {{"--tv", "4", "0", "--find", " HD", "--replace", " UHD"},
         {"4 tooLong Sky Movie UHD does not fit 12 bytes", "0 tooLong Das Erste UHD does not fit 12 bytes"}, 0, 0, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule.join(QLatin1Char(' ')).toStdString());
        const Finished dry = RunCli(QStringList{"rename", image_, "--dry-run", "--json"} + c.rule);
        EXPECT_EQ(dry.exitCode, c.renamed > 0 ? 3 : 0) << dry.err.toStdString();
        const QJsonObject json = QJsonDocument::fromJson(dry.out).object();
        EXPECT_EQ(json[QStringLiteral("table")].toString(), QStringLiteral("tv"));
        EXPECT_EQ(json[QStringLiteral("rule")][QStringLiteral("replace")].toString(), QStringLiteral(" UHD"));
        EXPECT_EQ(JsonPrograms(json), c.programs);
        EXPECT_EQ(json[QStringLiteral("renamed")].toInt(), c.renamed);
        EXPECT_EQ(json[QStringLiteral("cut")].toInt(), c.cut);
        EXPECT_EQ(json[QStringLiteral("leftUnchanged")].toInt(), c.leftUnchanged);
        EXPECT_EQ(json[QStringLiteral("notMatched")].toInt(), c.notMatched);
        EXPECT_EQ(json[QStringLiteral("changes")].toBool(), c.renamed > 0);
        EXPECT_TRUE(json[QStringLiteral("dryRun")].toBool());
        EXPECT_FALSE(QFile::exists(out_));

        // The real run says what the dry run said, and writes it.
        const Finished real = RunCli(QStringList{"rename", image_, "--out", out_, "--json"} + c.rule);
        ASSERT_EQ(real.exitCode, 0) << real.err.toStdString();
        QJsonObject written = QJsonDocument::fromJson(real.out).object();
        EXPECT_FALSE(written.take(QStringLiteral("dryRun")).toBool());
        QJsonObject planned = json;
        planned.remove(QStringLiteral("dryRun"));
        EXPECT_EQ(written, planned);
        EXPECT_EQ(ReadFile(out_) != AsByteArray(built_.bytes), c.renamed > 0);
        QFile::remove(out_);
    }
}

// {image} and {out} stand for files.
const testing::RefusedRun kRefusedRuns[] = {
    {"a regular expression that is not valid", {"rename", "{image}", "--out", "{out}", "--tv", "--regex", "--find", "(HD", "--replace", ""},
     2, "the regular expression is not valid"},
    {"nothing to find", {"rename", "{image}", "--out", "{out}", "--tv", "--find", "", "--replace", "X"}, 2,
     "there is nothing to find"},
    {"no find", {"rename", "{image}", "--out", "{out}", "--tv", "--replace", "X"}, 2, "--find TEXT is required"},
    {"no replace", {"rename", "{image}", "--out", "{out}", "--tv", "--find", "X"}, 2, "--replace TEXT is required"},
    {"no table", {"rename", "{image}", "--out", "{out}", "--find", "X", "--replace", "Y"}, 2,
     "one of --tv or --radio is required"},
    {"an index out of range", {"rename", "{image}", "--out", "{out}", "--tv", "9", "--find", "X", "--replace", "Y"}, 2,
     "index out of range"},
    {"an index twice", {"rename", "{image}", "--out", "{out}", "--tv", "1", "1", "--find", "X", "--replace", "Y"}, 2,
     "given more than once"},
};

class RenameErrorTest : public RenameTest, public ::testing::WithParamInterface<testing::RefusedRun> {};

TEST_P(RenameErrorTest, ExitsWithTwoAndWritesNothing)
{
    ExpectRefused(GetParam(), {{"image", image_}, {"out", out_}});
}

INSTANTIATE_TEST_SUITE_P(Rename, RenameErrorTest, ::testing::ValuesIn(kRefusedRuns),
                         [](const auto& info) { return testing::CaseName(info.param.description); });

TEST_F(RenameTest, BackupKeepsTheFileWrittenOver)
{
    const QString first = WriteText(QStringLiteral("new.bin"), "first");
    const Finished run = RunCli({"rename", image_, "--out", out_, "--backup", "--tv", "--find", "ZDF", "--replace", "ZDF HD"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ReadFile(out_ + QStringLiteral(".bak")), QByteArray("first"));
    Bytes expected = built_.bytes;
    PutTvName(expected, built_, 1, "ZDF HD");
    EXPECT_EQ(ReadFile(out_), AsByteArray(expected));
}

} // namespace
} // namespace korvex
