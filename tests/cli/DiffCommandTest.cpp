// diff, run as a user's script runs it: records paired by the offset their
// entries point at, what is reported for each kind of change, the JSON form,
// and the exit status.

#include "tests/cli/CliFixtures.h"
#include "tests/support/CompareImages.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <functional>

namespace korvex {
namespace {

using testing::BuiltImage;
using testing::Bytes;
using testing::CaseName;
using testing::CliTest;
using testing::Finished;
using testing::Name;
using testing::PutBe16;
using testing::PutBe32;
using testing::PutProgRecord;
using testing::RunCli;
using testing::SampleImage;

// The lines of a text diff, each with its runs of spaces made one.
QStringList Lines(const QByteArray& out)
{
    QStringList lines = QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& line : lines)
        line = line.simplified();
    return lines;
}

struct DiffCase {
    const char* description;
    std::function<void(BuiltImage&)> change;  // made to the second image
    QStringList lines;                        // every line, the summary last
};

void PrintTo(const DiffCase& c, std::ostream* os) { *os << c.description; }

// SampleImage(1): satellites at 0x1000 and 0x1016, transponders at 0x102C and
// 0x1034, the radio program at 0x103C, TV programs at 0x1060 and 0x1084.
const DiffCase kDiffCases[] = {
    {"two entries swapped: one record moved",
     [](BuiltImage& b) {
         const std::uint32_t first = b.EntryOffset(BlockId::TvPrograms, 0);
         std::swap_ranges(b.bytes.begin() + first, b.bytes.begin() + first + 4, b.bytes.begin() + first + 4);
     },
     {"tv 0 \"Das Erste\" moved 0 → 1", "Differences: 1 moved."}},
    {"the first entry deleted: one removed, none moved",
     [](BuiltImage& b) {
         const std::uint32_t first = b.EntryOffset(BlockId::TvPrograms, 0);
         std::copy_n(b.bytes.begin() + first + 4, 4, b.bytes.begin() + first);
         PutBe32(b.bytes, first + 4, 0xFFFFFFFF);
         PutBe32(b.bytes, b.HeaderOffset(BlockId::TvPrograms) + 8, 1);
     },
     {"tv block entryCount 2 → 1", "tv 0 \"Das Erste\" removed record at 0x001060",
      "Differences: 1 header field, 1 removed."}},
    {"an entry pointing at another record: one removed, one added",
     [](BuiltImage& b) { PutBe32(b.bytes, b.EntryOffset(BlockId::Transponders, 1), 0x00002000); },
     {"tps 1 removed record at 0x001034", "tps 1 added record at 0x002000", "Differences: 1 removed, 1 added."}},
    {"decoded fields and flags of a program",
     [](BuiltImage& b) {
         ProgRecord zdf{.satId = 2, .tpId = 11, .serviceId = 4242, .videoPid = 300, .audioPid = 301,
                        .progName = Name("ZDF neo")};
         PutProgRecord(b.bytes, b.RecordOffset(BlockId::TvPrograms, 1), zdf);
         b.bytes[b.EntryOffset(BlockId::TvPrograms, 1)] = 0x7D;  // unlocked, and in Movies
     },
     {"tv 1 \"ZDF\" serviceId 101 → 4242",
      "tv 1 \"ZDF\" progName \"ZDF\" → \"ZDF neo\" (hex 5a4446000000000000000000 → 5a4446206e656f0000000000)",
      "tv 1 \"ZDF\" lock locked → unlocked", "tv 1 \"ZDF\" Movies out → in",
      "Differences: 4 field changes in 1 record."}},
    {"a name whose bytes behind its end differ",
     [](BuiltImage& b) { b.bytes[b.RecordOffset(BlockId::Satellites, 0) + 10 + 7] = 'Q'; },
     {"sats 0 \"Astra\" satName \"Astra\" → \"Astra\" (hex 41737472610058595a000000 → 41737472610058515a000000)",
      "Differences: 1 field change in 1 record."}},
    {"record bytes that no field decodes",
     [](BuiltImage& b) { PutBe16(b.bytes, b.RecordOffset(BlockId::RadioPrograms, 0) + 26, 0xBEEF); },
     {"radio 0 \"Radio 1\" bytes26..27 0000 → beef", "Differences: 1 field change in 1 record."}},
    {"bytes outside every record and block",
     [](BuiltImage& b) {
         std::fill_n(b.bytes.begin() + 0x100, 16, std::uint8_t{0xAA});
         b.bytes[0x50000] = 1;
     },
     {"outside 0x000100..0x00010F 16 bytes", "outside 0x050000..0x050000 1 byte",
      "Differences: 17 bytes outside records and directory blocks."}},
};

class DiffTest : public CliTest, public ::testing::WithParamInterface<DiffCase> {};

TEST_P(DiffTest, ReportsEachChangeOnALineAndExits3)
{
    const DiffCase& c = GetParam();
    const BuiltImage before = SampleImage(1).Build();
    BuiltImage after = before;
    c.change(after);
    const Finished run = RunCli({"diff", Write(QStringLiteral("a.bin"), before.bytes),
                                 Write(QStringLiteral("b.bin"), after.bytes)});
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    QStringList expected = c.lines;
    QStringList lines = Lines(run.out);
    // The summary is the last line; the others in any order.
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.takeLast(), expected.filter(QStringLiteral("Differences:")).value(0));
    expected.removeIf([](const QString& line) { return line.startsWith(u"Differences:"); });
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected) << run.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Diff, DiffTest, ::testing::ValuesIn(kDiffCases),
                         [](const auto& info) { return CaseName(info.param.description); });

TEST_F(CliTest, DiffOfIdenticalImagesSaysSoAndExits0)
{
    const Bytes bytes = SampleImage().Build().bytes;
    const QString a = Write(QStringLiteral("a.bin"), bytes);
    const QString b = Write(QStringLiteral("b.bin"), bytes);
    Finished run = RunCli({"diff", a, b});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.toStdString(), "The images are identical.\n");
    run = RunCli({"diff", a, b, "--json"});
    EXPECT_EQ(run.exitCode, 0);
    const QJsonObject json = QJsonDocument::fromJson(run.out).object();
    EXPECT_TRUE(json["identical"].toBool());
    EXPECT_EQ(json["summary"]["fieldChanges"].toInt(), 0);
}

TEST_F(CliTest, DiffOfTwoLayoutsReportsTheLayoutsAndStillComparesTheTables)
{
    const QString a = Write(QStringLiteral("a.bin"), SampleImage(1).Build().bytes);
    const QString b = Write(QStringLiteral("b.bin"), SampleImage(2).Build().bytes);
    // Two layouts are no versions of one image: by default their records are
    // paired by channel. Paired by offset, every record is removed and added.
    const Finished run = RunCli({"diff", a, b, "--match", "offsets"});
    EXPECT_EQ(run.exitCode, 3);
    const QStringList lines = Lines(run.out);
    for (const char* line : {"image fileSize 524288 → 1048576", "image layoutKind 1 → 2",
                             "image flashSize 524288 → 1048576", "image dirStart 458752 → 851968",
                             "image dirScanLength 32768 → 65536", "sats 0 \"Astra\" removed record at 0x001000",
                             "sats 0 \"Astra\" added record at 0x081000", "tv 1 \"ZDF\" added record at 0x081084"})
        EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line << "\n" << run.out.toStdString();
    EXPECT_TRUE(lines.last().startsWith(u"Differences: 9 header fields, 7 removed, 7 added"))
        << lines.last().toStdString();
}

TEST_F(CliTest, DiffJsonNamesEveryChangeForScripts)
{
    const BuiltImage before = SampleImage(1).Build();
    BuiltImage after = before;
    const std::uint32_t first = after.EntryOffset(BlockId::TvPrograms, 0);
    std::swap_ranges(after.bytes.begin() + first, after.bytes.begin() + first + 4, after.bytes.begin() + first + 4);
    after.bytes[after.EntryOffset(BlockId::TvPrograms, 0)] &= ~0x10;  // ZDF, now first, joins News
    after.bytes[0x200] = 7;
    const Finished run = RunCli({"diff", Write(QStringLiteral("a.bin"), before.bytes),
                                 Write(QStringLiteral("b.bin"), after.bytes), "--json"});
    EXPECT_EQ(run.exitCode, 3);
    const QJsonObject json = QJsonDocument::fromJson(run.out).object();
    EXPECT_FALSE(json["identical"].toBool());
    const QJsonObject tv = json["tables"]["tv"].toObject();
    EXPECT_EQ(tv["moved"].toArray().size(), 1);
    EXPECT_EQ(tv["moved"][0]["name"].toString(), QStringLiteral("Das Erste"));
    EXPECT_EQ(tv["moved"][0]["position"].toInt(), 0);
    EXPECT_EQ(tv["moved"][0]["newPosition"].toInt(), 1);
    EXPECT_EQ(tv["moved"][0]["offset"].toInt(), 0x1060);
    const QJsonObject changed = tv["changed"][0].toObject();
    EXPECT_EQ(changed["name"].toString(), QStringLiteral("ZDF"));
    EXPECT_EQ(changed["fields"].toArray().size(), 1);
    EXPECT_EQ(changed["fields"][0].toObject(),
              (QJsonObject{{"field", "News"}, {"old", "out"}, {"new", "in"}}));
    EXPECT_EQ(json["outside"].toObject(),
              (QJsonObject{{"bytes", 1}, {"ranges", QJsonArray{QJsonObject{{"start", 0x200}, {"length", 1}}}}}));
    EXPECT_EQ(json["summary"]["moved"].toInt(), 1);
    EXPECT_TRUE(json["tables"]["sats"]["removed"].toArray().isEmpty());
}

TEST_F(CliTest, DiffNamesTheImageThatIsNotAChannelImage)
{
    Bytes notAnImage = SampleImage().Build().bytes;
    std::fill_n(notAnImage.begin(), 8, std::uint8_t{0});
    const QString a = Write(QStringLiteral("a.bin"), SampleImage().Build().bytes);
    const QString b = Write(QStringLiteral("b.bin"), notAnImage);
    Finished run = RunCli({"diff", a, b});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.toStdString(), (b + QStringLiteral(": The bin file is not right!\n")).toStdString());
    run = RunCli({"diff", a});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("diff: two images A and B are needed")) << run.err.toStdString();
}

// The programs the JSON names under one table's key, "name" or, for a change,
// "name: field field".
QStringList JsonNames(const QJsonObject& table, const char* key)
{
    QStringList names;
    for (const QJsonValue& record : table[QLatin1StringView(key)].toArray()) {
        QString name = record["name"].toString();
        if (record["fields"].isArray()) {
            name += QLatin1Char(':');
            for (const QJsonValue& field : record["fields"].toArray())
                name += QLatin1Char(' ') + field["field"].toString();
        }
        names << name;
    }
    return names;
}

TEST_F(CliTest, DiffPairsAnEditedCopyByOffsetAndARescanByChannel)
{
    struct Case {
        testing::ComparePair pair;
        QStringList arguments;
        QString match;  // "" when paired by offset
        QStringList removed, added, moved, changed;  // of the TV table
    };
    const Case cases[] = {
        {testing::MakeEditedCopy(), {}, {}, {"C"}, {}, {"F"}, {"B: audioPid progName", "D: lock"}},
        {testing::MakeRescanPair(), {}, "channels", {"Old"}, {"Welt"}, {"Das Erste", "ZDF"}, {"Rai 2: progName"}},
        {testing::MakeEditedCopy(), {"--match", "auto"}, {}, {"C"}, {}, {"F"}, {"B: audioPid progName", "D: lock"}},
        {testing::MakeEditedCopy(), {"--match", "channels"}, "channels", {"C"}, {}, {"F"},
         {"B: audioPid progName", "D: lock"}},
        {testing::MakeRescanPair(), {"--match", "offsets"}, {}, {}, {}, {},
         {"Das Erste: satId tpId serviceId videoPid audioPid progName", "ZDF: satId tpId serviceId videoPid audioPid progName",
          "Rai 1: satId tpId serviceId videoPid audioPid progName", "Rai 2: satId tpId serviceId videoPid audioPid progName",
          "Old: satId tpId serviceId videoPid audioPid progName"}},
    };
    for (const Case& c : cases) {
        const QStringList arguments = QStringList{QStringLiteral("diff"),
                                                  Write(QStringLiteral("a.bin"), c.pair.earlier.bytes),
                                                  Write(QStringLiteral("b.bin"), c.pair.later.bytes),
                                                  QStringLiteral("--json")} +
                                      c.arguments;
        const Finished run = RunCli(arguments);
        const QString label = c.match + QLatin1Char(' ') + c.arguments.join(QLatin1Char(' '));
        EXPECT_EQ(run.exitCode, 3) << label.toStdString() << run.err.toStdString();
        const QJsonObject json = QJsonDocument::fromJson(run.out).object();
        EXPECT_EQ(json["match"].toString(), c.match) << label.toStdString();
        const QJsonObject tv = json["tables"]["tv"].toObject();
        EXPECT_EQ(JsonNames(tv, "removed"), c.removed) << label.toStdString();
        EXPECT_EQ(JsonNames(tv, "added"), c.added) << label.toStdString();
        EXPECT_EQ(JsonNames(tv, "moved"), c.moved) << label.toStdString();
        EXPECT_EQ(JsonNames(tv, "changed"), c.changed) << label.toStdString();
    }
}

// Three programs in reverse order: the one in the middle stands where it
// stood and is not said to have moved; the other two moved, each with its
// real positions. A name's control characters reach the terminal escaped,
// and stay as they are in JSON.
TEST_F(CliTest, DiffMovesTheFewestAndNeverOneThatStoodStillAndEscapesControls)
{
    const auto image = [](std::initializer_list<const char*> names) {
        testing::ImageBuilder builder(1);
        builder.AddSat({.satId = 1, .longitude = 130, .satName = Name("Sat")})
            .AddTp({.tpId = 10, .satId = 1, .frequency = 10992});
        std::uint16_t service = 1;
        for (const char* name : names)
            builder.AddTv({.satId = 1, .tpId = 10, .serviceId = service++, .videoPid = 1, .progName = Name(name)});
        return builder.Build();
    };
    const BuiltImage before = image({"A\x1b]0;x\x07", "B", "C"});
    BuiltImage after = before;
    const std::uint32_t first = after.EntryOffset(BlockId::TvPrograms, 0);
    std::swap_ranges(after.bytes.begin() + first, after.bytes.begin() + first + 4, after.bytes.begin() + first + 8);
    const QString a = Write(QStringLiteral("a.bin"), before.bytes);
    const QString b = Write(QStringLiteral("b.bin"), after.bytes);
    for (const QString& match : {QStringLiteral("offsets"), QStringLiteral("channels")}) {
        const Finished run = RunCli({"diff", a, b, "--match", match});
        EXPECT_EQ(run.exitCode, 3);
        const QStringList lines = Lines(run.out);
        EXPECT_TRUE(lines.contains(QStringLiteral("tv 0 \"A\\x1b]0;x\\x07\" moved 0 → 2"))) << run.out.toStdString();
        EXPECT_TRUE(lines.contains(QStringLiteral("tv 2 \"C\" moved 2 → 0"))) << run.out.toStdString();
        EXPECT_FALSE(run.out.contains("\"B\"")) << run.out.toStdString();
        EXPECT_FALSE(run.out.contains('\x1b'));
        const Finished json = RunCli({"diff", a, b, "--match", match, "--json"});
        const QJsonObject tv = QJsonDocument::fromJson(json.out).object()["tables"].toObject()["tv"].toObject();
        ASSERT_EQ(tv["moved"].toArray().size(), 2) << json.out.toStdString();
        EXPECT_EQ(tv["moved"].toArray()[0].toObject()["name"].toString(), QStringLiteral("A\x1b]0;x\x07"));
    }
}

// GBK 華視 (C8 41 CA D3) and 萢視 (C8 61 CA D3) differ in a trail byte that
// is no letter: paired by channel, they are two programs, not one renamed.
TEST_F(CliTest, DiffByChannelReadsNamesInTheirCharset)
{
    const auto image = [](std::uint16_t service, const char* name) {
        testing::ImageBuilder builder(1);
        builder.AddSat({.satId = 1, .longitude = 130, .satName = Name("Sat")})
            .AddTp({.tpId = 10, .satId = 1, .frequency = 10992})
            .AddTv({.satId = 1, .tpId = 10, .serviceId = service, .videoPid = 1, .progName = Name(name)});
        return builder.Build();
    };
    const QString a = Write(QStringLiteral("a.bin"), image(1, "\xC8\x41\xCA\xD3").bytes);
    const QString b = Write(QStringLiteral("b.bin"), image(2, "\xC8\x61\xCA\xD3").bytes);
    const Finished run = RunCli({"diff", a, b, "--match", "channels", "--charset", "GBK", "--json"});
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    const QJsonObject tv = QJsonDocument::fromJson(run.out).object()["tables"].toObject()["tv"].toObject();
    EXPECT_EQ(tv["removed"].toArray().size(), 1) << run.out.toStdString();
    EXPECT_EQ(tv["added"].toArray().size(), 1);
    EXPECT_EQ(tv["changed"].toArray().size(), 0);
}

TEST_F(CliTest, DiffTextSaysFirstThatItPairedByChannel)
{
    const testing::ComparePair rescan = testing::MakeRescanPair();
    const QString a = Write(QStringLiteral("a.bin"), rescan.earlier.bytes);
    const QString b = Write(QStringLiteral("b.bin"), rescan.later.bytes);
    Finished run = RunCli({"diff", a, b});
    EXPECT_EQ(run.exitCode, 3);
    const QStringList lines = Lines(run.out);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), QStringLiteral("Records paired by channel, as another scan of the box."));
    EXPECT_TRUE(lines.contains(QStringLiteral("tps 1 frequency 10992 \u2192 10995"))) << run.out.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("tv 4 \"Old\" removed record at 0x0810F0"))) << run.out.toStdString();
    run = RunCli({"diff", a, b, "--match", "nearest"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("diff: --match 'nearest': give offsets, channels or auto")) << run.err.toStdString();
}

} // namespace
} // namespace korvex
