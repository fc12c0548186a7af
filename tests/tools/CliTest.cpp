// korvex-cli, run as a separate process the way a user's script runs it: each
// command, each kind of error, and what an edit does to the image bytes.

#include "tests/tools/CliFixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>

namespace korvex {
namespace {

using testing::BuiltImage;
using testing::Bytes;
using testing::CaseName;
using testing::CliTest;
using testing::DumpOf;
using testing::Finished;
using testing::GbkImage;
using testing::ImageBuilder;
using testing::Name;
using testing::PutEntry;
using testing::PutHeader;
using testing::ReadFile;
using testing::RunCli;
using testing::SampleImage;

std::set<QString> KeysOf(const QJsonObject& object)
{
    const QStringList keys = object.keys();
    return {keys.begin(), keys.end()};
}

TEST_F(CliTest, InfoShowsLayoutFlashSizeDirectoryAndCounts)
{
    struct Case {
        int layoutKind;
        const char* expected;
    };
    const Case cases[] = {
        {1, "Layout kind:     1\n"
            "Flash size:      524288 bytes (0x80000)\n"
            "Directory start: 0x70000\n"
            "Satellites:      2\n"
            "Transponders:    2\n"
            "TV programs:     2\n"
            "Radio programs:  1\n"
            "Name charset:    UTF-8 (locale)\n"},
        {2, "Layout kind:     2\n"
            "Flash size:      1048576 bytes (0x100000)\n"
            "Directory start: 0xD0000\n"
            "Satellites:      2\n"
            "Transponders:    2\n"
            "TV programs:     2\n"
            "Radio programs:  1\n"
            "Name charset:    UTF-8 (locale)\n"},
    };
    for (const Case& c : cases) {
        const QString image = Write(QStringLiteral("image.bin"), SampleImage(c.layoutKind).Build().bytes);
        const Finished run = RunCli({QStringLiteral("info"), image});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out.toStdString(), c.expected);
        EXPECT_TRUE(run.err.isEmpty());
    }
}

TEST_F(CliTest, DumpWritesExactlyTheListedKeysAsIntegersAndNames)
{
    const QString image = Write(QStringLiteral("image.bin"), SampleImage().Build().bytes);
    const Finished run = RunCli({QStringLiteral("dump"), image});
    ASSERT_EQ(run.exitCode, 0);
    // Every number is written as a JSON integer.
    EXPECT_FALSE(QRegularExpression(QStringLiteral(R"(:\s*-?\d+[.eE])")).match(QString::fromUtf8(run.out)).hasMatch());
    const QJsonObject dump = QJsonDocument::fromJson(run.out).object();

    const std::set<QString> top{"charset", "layoutKind", "flashSize", "dirStart", "dirScanLength", "numSats", "numTps",
                                "numTv",      "numRadio",  "numProgs", "sats",          "tps",     "tvProgs",
                                "radioProgs"};
    const std::set<QString> sat{"satId",      "longitude", "lnbFreLow", "lnbFreHigh", "power012V", "tone22K",
                                "diseqc10",   "diseqc12En", "lnbType",  "lnbPower",   "position",  "satName",
                                "satNameHex", "entryWord", "tpCount",   "tvCount",    "radioCount"};
    const std::set<QString> tp{"tpId",       "satId",     "opaque2", "frequency", "polarisation",
                               "symbolRate", "entryWord", "tvCount", "radioCount"};
    const std::set<QString> prog{"satId",    "tpId",       "serviceId", "pcrPid",   "scramble",   "track",
                                 "opaque1",  "opaque13",   "opaque5",   "videoPid", "audioPid",   "opaque3",
                                 "progName", "progNameHex", "entryWord", "tableIndex", "unlocked", "favBits"};
    EXPECT_EQ(KeysOf(dump), top);
    EXPECT_EQ(KeysOf(dump["sats"][0].toObject()), sat);
    EXPECT_EQ(KeysOf(dump["tps"][0].toObject()), tp);
    EXPECT_EQ(KeysOf(dump["tvProgs"][0].toObject()), prog);
    EXPECT_EQ(KeysOf(dump["radioProgs"][0].toObject()), prog);

    EXPECT_EQ(dump["charset"].toString(), QStringLiteral("UTF-8"));
    EXPECT_EQ(dump["layoutKind"].toInt(), 2);
    EXPECT_EQ(dump["dirStart"].toInt(), 0xD0000);
    EXPECT_EQ(dump["dirScanLength"].toInt(), 0x10000);
    EXPECT_EQ(dump["numProgs"].toInt(), 3);

    const QJsonObject astra = dump["sats"][0].toObject();
    EXPECT_EQ(astra["satName"].toString(), QStringLiteral("Astra"));
    EXPECT_EQ(astra["satNameHex"].toString(), QStringLiteral("41737472610058595a000000"));
    EXPECT_EQ(astra["lnbFreHigh"].toInt(), 10600);
    EXPECT_EQ(astra["diseqc10"].toInt(), 2);
    EXPECT_EQ(astra["tpCount"].toInt(), 1);
    EXPECT_EQ(astra["tvCount"].toInt(), 1);
    EXPECT_EQ(astra["entryWord"].toInteger(), 0x81000);

    const QJsonObject tp0 = dump["tps"][0].toObject();
    EXPECT_EQ(tp0["frequency"].toInt(), 12000);
    EXPECT_EQ(tp0["opaque2"].toInt(), 2);

    const QJsonObject erste = dump["tvProgs"][0].toObject();
    EXPECT_EQ(erste["progName"].toString(), QStringLiteral("Das Erste"));
    EXPECT_EQ(erste["pcrPid"].toInt(), 8190);
    EXPECT_EQ(erste["opaque13"].toInt(), 77);
    EXPECT_EQ(erste["favBits"].toInt(), 0x6C);
    EXPECT_EQ(erste["unlocked"].toInt(), 1);

    const QJsonObject radio = dump["radioProgs"][0].toObject();
    EXPECT_EQ(radio["videoPid"].toInt(), 0);
    EXPECT_EQ(radio["tableIndex"].toInt(), 0);
    EXPECT_EQ(radio["serviceId"].toInt(), 400);
}

TEST_F(CliTest, NamesAreReadInTheDetectedOrGivenCharset)
{
    const QString image = Write(QStringLiteral("gbk.bin"), GbkImage());
    Finished run = RunCli({"info", image});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Name charset:    GBK (detected)\n")) << run.out.toStdString();

    const QJsonObject dump = DumpOf(image);
    EXPECT_EQ(dump["charset"].toString(), QStringLiteral("GBK"));
    EXPECT_EQ(dump["tvProgs"][0]["progName"].toString(), QStringLiteral("中央电视台"));
    EXPECT_EQ(dump["sats"][0]["satName"].toString(), QStringLiteral("中星六号"));

    run = RunCli({"dump", "--csv", "tv", image});
    EXPECT_TRUE(run.out.contains(",'湖南卫视,")) << run.out.toStdString();

    run = RunCli({"info", image, "--charset", "BIG5"});
    EXPECT_TRUE(run.out.contains("Name charset:    BIG5 (given)\n")) << run.out.toStdString();
    run = RunCli({"dump", image, "--charset", "UTF-8"});
    EXPECT_TRUE(QJsonDocument::fromJson(run.out)["tvProgs"][0]["progName"].toString().contains(QChar(0xFFFD)));
}

TEST_F(CliTest, SetWritesANameInTheImagesCharsetOrRefusesIt)
{
    const Bytes bytes = GbkImage();
    const QString image = Write(QStringLiteral("gbk.bin"), bytes);
    const QString out = Path(QStringLiteral("out.bin"));
    Finished run = RunCli({"set", image, "--out", out, "--tv", "1", "progName=东方卫视"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(DumpOf(out)["tvProgs"][1]["progNameHex"].toString(), QStringLiteral("b6abb7bdcec0cad300000000"));

    QFile::remove(out);
    run = RunCli({"set", image, "--out", out, "--tv", "1", "progName=Ω☃ TV"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("the name charset GBK cannot store ☃")) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));

    run = RunCli({"set", image, "--out", out, "--charset", "WINDOWS-1251", "--tv", "1", "progName=中"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(CliTest, DumpCsvShowsTheListColumnsTheIdentifiersAndWhereEachRecordIs)
{
    // A third satellite whose LNB type and power have no name: their cells stay empty.
    ImageBuilder builder = SampleImage();
    builder.AddSat({.satId = 3, .lnbType = 3, .lnbPower = 3, .satName = Name("Odd")});
    const QString image = Write(QStringLiteral("image.bin"), builder.Build().bytes);

    // Names start with an apostrophe, which keeps them text in a spreadsheet;
    // the last two columns are the entry's position and the record's offset
    // (0x81000 = 528384 is where the builder lays the first record).
    struct Case {
        const char* table;
        const char* expected;
    };
    const Case cases[] = {
        {"sats",
         "SatNO.,SatName,Longitude(E),LnbType,LnbPower,LnbFreLow,LnbFreHigh,22K,0/12V,DiSEqC1.0,DiSEqC1.2En,"
         "Postion,satId,tableIndex,recordOffset\r\n"
         "0,'Astra,192,Universal,13V,9750,10600,1,0,2,1,5,1,0,528384\r\n"
         "1,\"'Hot,\"\"Bird\"\"\",130,Single,18V,0,0,0,0,0,0,0,2,1,528406\r\n"
         "2,'Odd,0,,,0,0,0,0,0,0,0,3,2,528428\r\n"},
        {"tps",
         "TpNO.,Frequency,Polarization,Symbol Rate,tpId,satId,tableIndex,recordOffset\r\n"
         "0,12000,1,27500,10,1,0,528450\r\n"
         "1,11000,0,22000,11,2,1,528458\r\n"},
        {"tv",
         "ProgNO.,ProgName,ServiceID,VideoPid,AudioPid,PcrPid,Scramble,Track,ChildLock,Favorite,satId,tpId,"
         "tableIndex,recordOffset\r\n"
         "1,'Das Erste,100,200,201,8190,1,2,0,Movies/News/,1,10,0,528502\r\n"
         "2,'ZDF,101,300,301,0,0,0,1,,2,11,1,528538\r\n"},
        {"radio",
         "ProgNO.,ProgName,ServiceID,VideoPid,AudioPid,PcrPid,Scramble,Track,ChildLock,Favorite,satId,tpId,"
         "tableIndex,recordOffset\r\n"
         "1,'Radio 1,400,0,401,0,0,0,0,Movies/,2,11,0,528466\r\n"},
    };
    for (const Case& c : cases) {
        const Finished run = RunCli({QStringLiteral("dump"), QStringLiteral("--csv"), QString::fromLatin1(c.table), image});
        EXPECT_EQ(run.exitCode, 0) << c.table;
        EXPECT_EQ(run.out.toStdString(), c.expected) << c.table;
    }
}

TEST_F(CliTest, CheckFindsNothingInASoundImage)
{
    const QString image = Write(QStringLiteral("image.bin"), SampleImage().Build().bytes);
    const Finished run = RunCli({QStringLiteral("check"), image});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.isEmpty());
}

struct CheckCase {
    const char* description;
    std::function<Bytes()> image;
    const char* findings;
    friend void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.description; }
};

// One satellite, one transponder on it and one TV program on both, in layout
// 1; each case breaks one thing.
ImageBuilder CheckBase(std::function<void(SatRecord&, TpRecord&, ProgRecord&)> change = {})
{
    SatRecord sat{.satId = 1};
    TpRecord tp{.tpId = 10, .satId = 1};
    ProgRecord prog{.satId = 1, .tpId = 10, .videoPid = 100};
    if (change)
        change(sat, tp, prog);
    ImageBuilder builder(1);
    builder.AddSat(sat).AddTp(tp).AddTv(prog).AddRadio({.satId = 1, .tpId = 10});
    return builder;
}

const CheckCase kCheckCases[] = {
    {"a missing block", [] { return CheckBase().OmitBlock(BlockId::RadioPrograms).Build().bytes; },
     "radio program table: block not found, read as empty\n"},
    {"an entry outside the image",
     [] {
         // The TV block is laid last, so the slot behind its one entry is free.
         BuiltImage built = CheckBase().Build();
         PutHeader(built.bytes, built.HeaderOffset(BlockId::TvPrograms), BlockId::TvPrograms, 2);
         PutEntry(built.bytes, built.EntryOffset(BlockId::TvPrograms, 1), 0, 0xFFFFF0);
         return built.bytes;
     },
     "TV program table: 1 of 2 entries skipped: the entry or its record lies outside the image\n"},
    {"more satellites than the database holds",
     [] {
         ImageBuilder builder = CheckBase();
         for (std::uint16_t id = 100; id < 100 + kMaxSats; ++id)
             builder.AddSat({.satId = id});
         return builder.Build().bytes;
     },
     "satellite table: 1 of 151 entries dropped: more records than the database holds\n"},
    {"references that point nowhere",
     [] {
         return CheckBase([](SatRecord&, TpRecord& tp, ProgRecord& prog) {
                    tp.satId = 9;
                    prog.satId = 7;
                    prog.tpId = 8;
                }).Build().bytes;
     },
     "tps[0] (tpId 10): satId 9 matches no satellite\n"
     "tvProgs[0]: satId 7 matches no satellite\n"
     "tvProgs[0]: tpId 8 matches no transponder\n"},
    {"values with no name",
     [] {
         return CheckBase([](SatRecord& sat, TpRecord& tp, ProgRecord& prog) {
                    sat.lnbType = 3;
                    sat.lnbPower = 3;
                    sat.diseqc10 = 5;
                    tp.polarisation = 2;
                    prog.track = 3;
                }).Build().bytes;
     },
     "sats[0]: lnbType 3 has no name\n"
     "sats[0]: lnbPower 3 has no name\n"
     "sats[0]: diseqc10 5 has no name\n"
     "tps[0]: polarisation 2 has no name\n"
     "tvProgs[0]: track 3 has no name\n"},
    {"duplicated identifiers",
     [] {
         return CheckBase().AddSat({.satId = 1}).AddTp({.tpId = 10, .satId = 1}).AddTp({.tpId = 10, .satId = 1})
             .Build()
             .bytes;
     },
     "satId 1 is held by sats[0], sats[1]\n"
     "tpId 10 is held by tps[0], tps[1], tps[2]\n"},
    {"records beyond the flash size",
     [] {
         // A 512 KiB flash in a 1 MiB file, its records behind 0x80000.
         return CheckBase().ImageSize(testing::kLayout2Size).RecordsAt(testing::kLayout1Size).Build().bytes;
     },
     "sats[0]: This record lies beyond the image's flash size and cannot be saved.\n"
     "tps[0]: This record lies beyond the image's flash size and cannot be saved.\n"
     "tvProgs[0]: This record lies beyond the image's flash size and cannot be saved.\n"
     "radioProgs[0]: This record lies beyond the image's flash size and cannot be saved.\n"},
};

class CheckFindingTest : public CliTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckFindingTest, ReportsOneFindingALineAndExits3)
{
    const QString image = Write(QStringLiteral("image.bin"), GetParam().image());
    const Finished run = RunCli({QStringLiteral("check"), image});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.out.toStdString(), GetParam().findings);
}

INSTANTIATE_TEST_SUITE_P(Check, CheckFindingTest, ::testing::ValuesIn(kCheckCases),
                         [](const auto& info) { return CaseName(info.param.description); });

struct SetCase {
    const char* description;
    QStringList arguments;  // the record option and the assignments
    const char* array;      // in the dump
    int index;
    std::vector<std::pair<QString, QJsonValue>> expected;  // fields of the record after the edit
    std::optional<std::uint8_t> flagByte = std::nullopt;  // of the record's entry after the edit
    bool inPlace = false;                  // --out is the image itself
    friend void PrintTo(const SetCase& c, std::ostream* os) { *os << c.description; }
};

const SetCase kSetCases[] = {
    {"satellite numbers at the top of their width",
     {"--sat", "1", "longitude=65535", "position=63", "diseqc10=7", "lnbType=3", "power012V=1", "tone22K=1"},
     "sats", 1,
     {{"longitude", 65535}, {"position", 63}, {"diseqc10", 7}, {"lnbType", 3}, {"power012V", 1}, {"tone22K", 1}}},
    {"satellite LNB fields and switches off",
     {"--sat", "0", "lnbFreLow=5150", "lnbFreHigh=0", "lnbPower=2", "diseqc12En=0", "tone22K=0"},
     "sats", 0,
     {{"lnbFreLow", 5150}, {"lnbFreHigh", 0}, {"lnbPower", 2}, {"diseqc12En", 0}, {"tone22K", 0}}},
    {"transponder", {"--tp", "0", "frequency=16383", "symbolRate=1", "polarisation=0"}, "tps", 0,
     {{"frequency", 16383}, {"symbolRate", 1}, {"polarisation", 0}}},
    {"tv program numbers", {"--tv", "1", "videoPid=8191", "audioPid=0", "pcrPid=17", "serviceId=65535", "track=3"},
     "tvProgs", 1,
     {{"videoPid", 8191}, {"audioPid", 0}, {"pcrPid", 17}, {"serviceId", 65535}, {"track", 3}}},
    {"tv program lock and favourites", {"--tv", "0", "unlocked=0", "favBits=126"}, "tvProgs", 0,
     {{"unlocked", 0}, {"favBits", 126}}, 0x7E},
    {"radio program lock and favourites", {"--radio", "0", "unlocked=0", "favBits=0", "audioPid=8191"},
     "radioProgs", 0, {{"unlocked", 0}, {"favBits", 0}, {"audioPid", 8191}}, 0x00},
    {"a short name ends in a zero byte and keeps the bytes behind it", {"--sat", "0", "satName=Ab"}, "sats", 0,
     {{"satName", "Ab"}, {"satNameHex", "41620072610058595a000000"}}},
    {"a long name keeps its first 12 bytes", {"--tv", "1", "progName=ABCDEFGHIJKLMN"}, "tvProgs", 1,
     {{"progName", "ABCDEFGHIJKL"}, {"progNameHex", "4142434445464748494a4b4c"}}},
    {"a multibyte character that would not fit whole ends the name", {"--sat", "1", "satName=中文台中文"}, "sats", 1,
     {{"satName", "中文台中"}, {"satNameHex", "e4b8ade69687e58fb0e4b8ad"}}},
    {"a two-byte character split at byte 12 is left out", {"--tv", "0", "progName=ABCDEFGHIJKé"}, "tvProgs", 0,
     {{"progName", "ABCDEFGHIJK"}, {"progNameHex", "4142434445464748494a4b00"}}},
    {"an accented name on a radio program", {"--radio", "0", "progName=Café"}, "radioProgs", 0,
     {{"progName", "Café"}, {"progNameHex", "436166c3a900310000000000"}}},
    {"the image itself as the output", {"--tp", "1", "frequency=10714"}, "tps", 1, {{"frequency", 10714}}, std::nullopt, true},
};

class SetTest : public CliTest, public ::testing::WithParamInterface<SetCase> {};

// Each edit changes the named fields of its record and nothing else: the dump
// after it equals the dump before with those fields replaced, and only the
// record's bytes and its entry's flag byte differ in the written image.
TEST_P(SetTest, ChangesTheRecordAndNothingElse)
{
    const SetCase& c = GetParam();
    const BuiltImage built = SampleImage().Build();
    const QString image = Write(QStringLiteral("image.bin"), built.bytes);
    const QString out = c.inPlace ? image : Path(QStringLiteral("out.bin"));
    QJsonObject expected = DumpOf(image);

    const Finished run = RunCli(QStringList{QStringLiteral("set"), image, QStringLiteral("--out"), out} + c.arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());

    QJsonArray records = expected[QLatin1StringView(c.array)].toArray();
    QJsonObject record = records[c.index].toObject();
    const std::map<QString, std::pair<BlockId, std::uint32_t>> tables{
        {"sats", {BlockId::Satellites, 22}},
        {"tps", {BlockId::Transponders, 8}},
        {"tvProgs", {BlockId::TvPrograms, 36}},
        {"radioProgs", {BlockId::RadioPrograms, 36}}};
    const auto [block, recordSize] = tables.at(QString::fromLatin1(c.array));
    const std::uint32_t recordAt = built.RecordOffset(block, static_cast<std::size_t>(c.index));
    const std::uint32_t flagAt = built.EntryOffset(block, static_cast<std::uint32_t>(c.index));

    for (const auto& [field, value] : c.expected)
        record[field] = value;
    if (c.flagByte)  // the entry word carries the flag byte
        record["entryWord"] = qint64{*c.flagByte} << 24 | recordAt;
    records[c.index] = record;
    expected[QLatin1StringView(c.array)] = records;
    EXPECT_EQ(QJsonDocument(DumpOf(out)).toJson().toStdString(), QJsonDocument(expected).toJson().toStdString());

    const QByteArray written = ReadFile(out);
    ASSERT_EQ(static_cast<std::size_t>(written.size()), built.bytes.size());
    for (std::uint32_t i = 0; i < built.bytes.size(); ++i) {
        const bool inRecord = i >= recordAt && i < recordAt + recordSize;
        if (!inRecord && i != flagAt) {
            ASSERT_EQ(static_cast<std::uint8_t>(written[i]), built.bytes[i]) << "byte 0x" << std::hex << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Set, SetTest, ::testing::ValuesIn(kSetCases),
                         [](const auto& info) { return CaseName(info.param.description); });

TEST_F(CliTest, SetRefusesARecordBeyondTheFlashSize)
{
    const Bytes bytes =
        CheckBase().ImageSize(testing::kLayout2Size).RecordsAt(testing::kLayout1Size - 10).Build().bytes;
    const QString image = Write(QStringLiteral("beyond.bin"), bytes);
    const QString out = Path(QStringLiteral("out.bin"));
    for (const QStringList& record : {QStringList{"--sat", "0", "longitude=1"}, QStringList{"--tp", "0", "frequency=1"},
                                      QStringList{"--tv", "0", "unlocked=0"}, QStringList{"--radio", "0", "favBits=0"}}) {
        const Finished run = RunCli(QStringList{"set", image, "--out", out} + record);
        EXPECT_EQ(run.exitCode, 2) << record.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("lies beyond the image's flash size and cannot be saved")) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST_F(CliTest, SetWritesTheFlagByteOfTheRecordsOwnEntry)
{
    // The second TV entry is a copy of the first: both name the same record
    // with the same flag byte.
    BuiltImage built = SampleImage().Build();
    const std::uint32_t first = built.EntryOffset(BlockId::TvPrograms, 0);
    const std::uint32_t second = built.EntryOffset(BlockId::TvPrograms, 1);
    std::copy_n(built.bytes.begin() + first, 4, built.bytes.begin() + second);
    const QString image = Write(QStringLiteral("image.bin"), built.bytes);
    const QString out = Path(QStringLiteral("out.bin"));
    const Finished run = RunCli({"set", image, "--out", out, "--tv", "1", "unlocked=0", "favBits=126"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray written = ReadFile(out);
    EXPECT_EQ(static_cast<std::uint8_t>(written[first]), built.bytes[first]);
    EXPECT_EQ(static_cast<std::uint8_t>(written[second]), 0x7E);
}

TEST_F(CliTest, SetOnARadioProgramKeepsItsUndecodedVideoBits)
{
    const BuiltImage built = SampleImage().Build();
    const QString image = Write(QStringLiteral("image.bin"), built.bytes);
    const QString out = Path(QStringLiteral("out.bin"));
    const Finished run = RunCli({"set", image, "--out", out, "--radio", "0", "progName=Radio 2", "audioPid=7"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray written = ReadFile(out);
    const std::uint32_t at = built.RecordOffset(BlockId::RadioPrograms, 0);
    for (std::uint32_t i = at + 8; i < at + 12; ++i)
        EXPECT_EQ(static_cast<std::uint8_t>(written[i]), built.bytes[i]) << "record byte " << i - at;
}

// {image}, {out}, {refused}, {large}, {missing} and {dir} stand for files.
const testing::RefusedRun kRefusedRuns[] = {
    {"no command", {}, 2, "no command given"},
    {"an unknown command", {"frob", "{image}"}, 2, "'frob': unknown command"},
    {"an unknown option", {"info", "--bogus", "{image}"}, 2, "info: Unknown option 'bogus'"},
    {"an option of another command", {"check", "--csv", "tv", "{image}"}, 2, "check: Unknown option 'csv'"},
    {"no image", {"dump"}, 2, "dump: no IMAGE given"},
    {"two images", {"info", "{image}", "{image}"}, 2, "info: unexpected argument"},
    {"a file that does not exist", {"info", "{missing}"}, 2, "missing.bin: cannot read the file"},
    {"a folder as the image", {"dump", "{dir}"}, 2, ": cannot read the file"},
    {"an unknown csv table", {"dump", "--csv", "programs", "{image}"}, 2, "--csv 'programs': unknown table"},
    {"an unknown charset", {"info", "{image}", "--charset", "KLINGON-1"}, 2, "--charset 'KLINGON-1': unknown charset"},
    {"an unknown charset for set", {"set", "{image}", "--out", "{out}", "--charset", "nope", "--tp", "0", "frequency=1"},
     2, "set: --charset 'nope': unknown charset"},
    {"info on a refused image", {"info", "{refused}"}, 1, "The bin file is not right!"},
    {"dump on a refused image", {"dump", "--csv", "sats", "{refused}"}, 1, "The bin file is not right!"},
    {"check on a refused image", {"check", "{refused}"}, 1, "The bin file is not right!"},
    {"set on a refused image", {"set", "{refused}", "--out", "{out}", "--sat", "0", "longitude=1"}, 1,
     "The bin file is not right!"},
    {"a file larger than any image", {"info", "{large}"}, 1, "The bin file is not right!"},
    {"set without out", {"set", "{image}", "--sat", "0", "longitude=1"}, 2, "set: --out FILE is required"},
    {"set with out twice", {"set", "{image}", "--out", "{out}", "--out", "{out}", "--sat", "0", "longitude=1"}, 2,
     "set: --out is given more than once"},
    {"set without a record", {"set", "{image}", "--out", "{out}", "longitude=1"}, 2, "one of --sat N"},
    {"set with two records", {"set", "{image}", "--out", "{out}", "--sat", "0", "--tp", "0", "frequency=1"}, 2,
     "give only one of"},
    {"set without a value after the option", {"set", "{image}", "--out", "{out}", "longitude=1", "--sat"}, 2,
     "set: Missing value after '--sat'"},
    {"set without an assignment", {"set", "{image}", "--out", "{out}", "--sat", "0"}, 2, "no FIELD=VALUE given"},
    {"set with an index that is not a number", {"set", "{image}", "--out", "{out}", "--tv", "first", "track=1"}, 2,
     "--tv 'first': the index is not a number"},
    {"set with an index out of range", {"set", "{image}", "--out", "{out}", "--tv", "2", "track=1"}, 2,
     "--tv 2: index out of range"},
    {"set with a huge index", {"set", "{image}", "--out", "{out}", "--sat", "99999999999999999999999", "longitude=1"},
     2, "index out of range"},
    {"set with an assignment lacking its value", {"set", "{image}", "--out", "{out}", "--tp", "0", "frequency"}, 2,
     "'frequency': expected FIELD=VALUE"},
    {"set with a field of another record", {"set", "{image}", "--out", "{out}", "--sat", "0", "frequency=1"}, 2,
     "'frequency=1': a satellite has no field 'frequency'"},
    {"set with a video pid for a radio program", {"set", "{image}", "--out", "{out}", "--radio", "0", "videoPid=1"},
     2, "a radio program has no field 'videoPid'"},
    {"set with a field twice", {"set", "{image}", "--out", "{out}", "--tp", "0", "frequency=1", "frequency=2"}, 2,
     "'frequency' is given more than once"},
    {"set with a value that is not a number", {"set", "{image}", "--out", "{out}", "--tp", "0", "frequency=12a"}, 2,
     "'frequency=12a': the value is not a number"},
    {"set with a negative value", {"set", "{image}", "--out", "{out}", "--sat", "0", "longitude=-1"}, 2,
     "the value is not a number"},
    {"set with a frequency wider than its field", {"set", "{image}", "--out", "{out}", "--tp", "0", "frequency=20000"},
     2, "'frequency=20000': the value does not fit the field (0 to 16383)"},
    {"set with a value too wide, in place", {"set", "{image}", "--out", "{image}", "--tp", "0", "frequency=20000"}, 2,
     "does not fit the field"},
    {"set with a bit favBits does not hold", {"set", "{image}", "--out", "{out}", "--tv", "0", "favBits=1"}, 2,
     "'favBits=1': the value does not fit the field (bits 1 to 6 only"},
    {"set with a switch set to 2", {"set", "{image}", "--out", "{out}", "--sat", "0", "tone22K=2"}, 2,
     "the value does not fit the field (0 to 1)"},
    {"set writing into a folder that does not exist",
     {"set", "{image}", "--out", "{dir}/none/out.bin", "--sat", "0", "longitude=1"}, 2,
     "none/out.bin: cannot write the file"},
};

class ErrorTest : public CliTest, public ::testing::WithParamInterface<testing::RefusedRun> {};

// One line on standard error naming the problem, nothing on standard output,
// and no output file created or changed.
TEST_P(ErrorTest, ReportsOneLineAndWritesNothing)
{
    const Bytes sample = SampleImage().Build().bytes;
    Bytes tooLarge = sample;
    tooLarge.resize(kImageCapacity + 1);
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("folder")));
    ExpectRefused(GetParam(), {{"image", Write(QStringLiteral("image.bin"), sample)},
                               {"out", Path(QStringLiteral("out.bin"))},
                               {"refused", Write(QStringLiteral("refused.bin"), testing::NotAChannelImage(sample))},
                               {"large", Write(QStringLiteral("large.bin"), tooLarge)},
                               {"missing", Path(QStringLiteral("missing.bin"))},
                               {"dir", Path(QStringLiteral("folder"))}});
}

INSTANTIATE_TEST_SUITE_P(Errors, ErrorTest, ::testing::ValuesIn(kRefusedRuns),
                         [](const auto& info) { return CaseName(info.param.description); });

TEST_F(CliTest, HelpListsEveryCommand)
{
    const Finished run = RunCli({QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* command : {"info IMAGE", "dump IMAGE", "dump --csv", "check IMAGE", "set IMAGE --out FILE",
                                "move IMAGE --out FILE", "delete IMAGE --out FILE", "sort IMAGE --out FILE",
                                "flags IMAGE --out FILE", "diff A B", "import --csv tv|radio IMAGE CSVFILE",
                                "apply EARLIER IMAGE"})
        EXPECT_TRUE(run.out.contains(command)) << command;
    // Each command with an example.
    for (const char* example : {"korvex-cli info ", "korvex-cli dump ", "korvex-cli check ", "korvex-cli set ",
                                "korvex-cli move ", "korvex-cli delete ", "korvex-cli sort ", "korvex-cli flags ",
                                "korvex-cli diff ", "korvex-cli import ", "korvex-cli apply "})
        EXPECT_GE(run.out.count(example), 2) << example;
}

} // namespace
} // namespace korvex

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
