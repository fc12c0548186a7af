// update-tps, run as a user's script runs it: the report, the bytes written,
// the dry run's exit status, choosing a <sat> of a satellites.xml file, the
// errors that write nothing, and one real table of dtv-scan-tables.

#include "tests/cli/CliFixtures.h"
#include "tests/support/LoadedImage.h"
#include "tests/support/TransponderTables.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <filesystem>

namespace korvex {
namespace {

using testing::CliTest;
using testing::Finished;
using testing::ReadFile;
using testing::RunCli;
using testing::SatelliteRecord;
using testing::TransponderRecord;

// Satellite 0 at 13.0E: one transponder up to date, one moved, one the
// tables below lack. Satellite 1 at 0.8W has one transponder.
testing::BuiltImage Fixture()
{
    testing::ImageBuilder builder;
    builder.AddSat(SatelliteRecord(1, 130, "Hotbird")).AddSat(SatelliteRecord(2, 3592, "Thor"));
    builder.AddTp(TransponderRecord(1, 1, 10992, 1, 27500))
        .AddTp(TransponderRecord(2, 1, 12597, 1, 29900))
        .AddTp(TransponderRecord(3, 1, 11500, 0, 22000))
        .AddTp(TransponderRecord(4, 2, 10778, 0, 24500));
    return builder.Build();
}

constexpr char kDvbv5Table[] =
    "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 10992000\n\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 27500000\n\n"
    "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 12596000\n\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 27500000\n\n"
    "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11000000\n\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 27500000\n\n"
    "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 20185000\n\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 27500000\n\n"
    "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 3840000\n\tPOLARIZATION = LEFT\n\tSYMBOL_RATE = 30000000\n";

class UpdateTpsTest : public CliTest {
protected:
    UpdateTpsTest()
        : image_(Write(QStringLiteral("box.bin"), built_.bytes)),
          out_(Path(QStringLiteral("out.bin"))),
          dvbv5_(WriteText(QStringLiteral("Hotbird-13.0E"), kDvbv5Table)),
          xml_(WriteText(QStringLiteral("satellites.xml"), testing::kTwoSatellitesXml))
    {
    }

    Finished Update(QStringList more) const
    {
        return RunCli(QStringList{QStringLiteral("update-tps"), image_} + more);
    }

    // The fixture with bytes 4..7 of transponder k's record replaced.
    QByteArray WithValues(std::size_t k, std::uint16_t frequency, std::uint8_t polarisation,
                          std::uint16_t symbolRate) const
    {
        testing::Bytes bytes = built_.bytes;
        const std::uint32_t at = built_.RecordOffset(BlockId::Transponders, k);
        testing::PutBe16(bytes, at + 4, static_cast<std::uint16_t>(frequency << 2 | polarisation));
        testing::PutBe16(bytes, at + 6, symbolRate);
        return testing::AsByteArray(bytes);
    }

    testing::BuiltImage built_ = Fixture();
    QString image_;
    QString out_;
    QString dvbv5_;
    QString xml_;
};

TEST_F(UpdateTpsTest, WritesTheFrequencyAndSymbolRateOfEachChangedTransponderAndReportsTheRest)
{
    const Finished run = Update({QStringLiteral("--out"), out_, QStringLiteral("--sat"), QStringLiteral("0"),
                                 QStringLiteral("--table"), dvbv5_});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ReadFile(out_), WithValues(1, 12596, 1, 27500));
    const QString text = QString::fromUtf8(run.out);
    EXPECT_TRUE(text.contains(QStringLiteral("5 entries, 3 usable"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("tp 1  row 1  V  12597 -> 12596 MHz  29900 -> 27500 kS/s")));
    EXPECT_TRUE(text.contains(QStringLiteral("up to date: 1")));
    EXPECT_TRUE(text.contains(QStringLiteral("not in the table:\n  tp 2  row 2  H  11500 MHz  22000 kS/s")));
    EXPECT_TRUE(text.contains(QStringLiteral("not added (the image has no room for new transponders):\n"
                                             "  entry 2  H  11000 MHz  27500 kS/s")));
    EXPECT_TRUE(text.contains(QStringLiteral("entry 3  20185000 kHz  27500000 S/s  frequency outside")));
    EXPECT_TRUE(text.contains(QStringLiteral("entry 4  3840000 kHz   30000000 S/s  circular")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("Updated 1 transponder.\n")));
}

TEST_F(UpdateTpsTest, ADryRunWritesNothingAndSaysWhetherAnythingWouldChange)
{
    const QStringList common{QStringLiteral("--dry-run"), QStringLiteral("--table"), dvbv5_, QStringLiteral("--json")};
    const Finished changes = Update(common + QStringList{QStringLiteral("--sat"), QStringLiteral("0")});
    EXPECT_EQ(changes.exitCode, 3) << changes.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(changes.out).object();
    EXPECT_TRUE(json[QStringLiteral("changed")].toBool());
    const QJsonObject change = json[QStringLiteral("changes")].toArray().at(0).toObject();
    EXPECT_EQ(change[QStringLiteral("tp")].toInt(), 1);
    EXPECT_EQ(change[QStringLiteral("frequency")].toObject()[QStringLiteral("after")].toInt(), 12596);
    EXPECT_EQ(json[QStringLiteral("notAdded")].toArray().size(), 1);
    EXPECT_EQ(json[QStringLiteral("unusable")].toArray().size(), 2);
    EXPECT_FALSE(QFile::exists(out_));

    // Satellite 1's only transponder is 10778 H, which this table lacks (a
    // table for 13.0E, taken for 0.8W only when told to).
    const Finished none = Update(common + QStringList{QStringLiteral("--sat"), QStringLiteral("1"),
                                                      QStringLiteral("--any-position")});
    EXPECT_EQ(none.exitCode, 0) << none.err.toStdString();
    EXPECT_FALSE(QJsonDocument::fromJson(none.out).object()[QStringLiteral("changed")].toBool());
}

TEST_F(UpdateTpsTest, TakesTheSatOfASatellitesXmlFileThatItsPositionNames)
{
    const QStringList common{QStringLiteral("--out"), out_, QStringLiteral("--sat"), QStringLiteral("1"),
                             QStringLiteral("--table"), xml_};
    const Finished unchosen = Update(common);
    EXPECT_EQ(unchosen.exitCode, 2);
    EXPECT_TRUE(unchosen.err.contains("holds 2 satellites; choose one with --xml-sat POSITION (13.0E, 0.8W)"))
        << unchosen.err.toStdString();
    const Finished absent = Update(common + QStringList{QStringLiteral("--xml-sat"), QStringLiteral("19.2E")});
    EXPECT_EQ(absent.exitCode, 2);
    EXPECT_TRUE(absent.err.contains("holds no satellite at 19.2E")) << absent.err.toStdString();
    EXPECT_FALSE(QFile::exists(out_));

    const Finished chosen = Update(common + QStringList{QStringLiteral("--xml-sat"), QStringLiteral("0.8W")});
    ASSERT_EQ(chosen.exitCode, 0) << chosen.err.toStdString();
    EXPECT_TRUE(chosen.out.contains("(0.8W Thor)"));
    EXPECT_EQ(ReadFile(out_), WithValues(3, 10779, 0, 25000));
}

TEST_F(UpdateTpsTest, ErrorsWriteNothing)
{
    const QString circular = WriteText(QStringLiteral("circular"),
                                       "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 3840000\n"
                                       "\tPOLARIZATION = RIGHT\n\tSYMBOL_RATE = 30000000\n");
    struct Case {
        const char* name;
        QStringList arguments;
        const char* message;
    };
    const QString sat0 = QStringLiteral("0");
    const Case cases[] = {
        {"no satellite", {QStringLiteral("--table"), dvbv5_}, "--sat N"},
        {"no table", {QStringLiteral("--sat"), sat0}, "--table FILE"},
        {"satellite out of range", {QStringLiteral("--sat"), QStringLiteral("2"), QStringLiteral("--table"), dvbv5_},
         "has no satellite 2 (it has 2)"},
        {"unreadable table", {QStringLiteral("--sat"), sat0, QStringLiteral("--table"), Path(QStringLiteral("none"))},
         "Cannot read"},
        {"an image as table", {QStringLiteral("--sat"), sat0, QStringLiteral("--table"), image_},
         "is not a scan table in the dvbv5 format"},
        {"nothing usable", {QStringLiteral("--sat"), sat0, QStringLiteral("--table"), circular},
         "that a record can hold (1 entry: 1 circular polarisation (a transponder record holds H or V))"},
        {"xml-sat for dvbv5",
         {QStringLiteral("--sat"), sat0, QStringLiteral("--table"), dvbv5_, QStringLiteral("--xml-sat"), QStringLiteral("13E")},
         "--xml-sat chooses a <sat>"},
        {"tolerance too large",
         {QStringLiteral("--sat"), sat0, QStringLiteral("--table"), dvbv5_, QStringLiteral("--tolerance"), QStringLiteral("1001")},
         "--tolerance '1001'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Finished run = Update(c.arguments + QStringList{QStringLiteral("--out"), out_});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out_));
    }
}

// A table for another orbital position is refused, naming both, unless
// --any-position is given; a dvbv5 file whose name gives no position is taken
// and the report says so.
TEST_F(UpdateTpsTest, ATableForAnotherPositionIsRefusedUnlessAnyPositionIsGiven)
{
    const QString astra = WriteText(QStringLiteral("Astra-19.2E"), kDvbv5Table);
    const QString unnamed = WriteText(QStringLiteral("table"), kDvbv5Table);
    const QStringList sat0{QStringLiteral("--sat"), QStringLiteral("0"), QStringLiteral("--out"), out_};
    const Finished refused = Update(sat0 + QStringList{QStringLiteral("--table"), astra});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains("the table is for 19.2E, satellite 0 \"Hotbird\" is at 13.0E; give --any-position"))
        << refused.err.toStdString();
    const Finished dry = Update({QStringLiteral("--sat"), QStringLiteral("0"), QStringLiteral("--dry-run"),
                                 QStringLiteral("--table"), astra});
    EXPECT_EQ(dry.exitCode, 2);
    const Finished xml = Update({QStringLiteral("--sat"), QStringLiteral("1"), QStringLiteral("--out"), out_,
                                 QStringLiteral("--table"), xml_, QStringLiteral("--xml-sat"), QStringLiteral("13.0E")});
    EXPECT_EQ(xml.exitCode, 2);
    EXPECT_TRUE(xml.err.contains("the table is for 13.0E, satellite 1 \"Thor\" is at 0.8W")) << xml.err.toStdString();
    EXPECT_FALSE(QFile::exists(out_));

    const Finished taken = Update(sat0 + QStringList{QStringLiteral("--table"), astra, QStringLiteral("--any-position")});
    ASSERT_EQ(taken.exitCode, 0) << taken.err.toStdString();
    EXPECT_EQ(ReadFile(out_), WithValues(1, 12596, 1, 27500));
    EXPECT_FALSE(taken.out.contains("position unknown"));

    QFile::remove(out_);
    const Finished unknown = Update(sat0 + QStringList{QStringLiteral("--table"), unnamed});
    ASSERT_EQ(unknown.exitCode, 0) << unknown.err.toStdString();
    EXPECT_TRUE(unknown.out.contains("table " + unnamed.toUtf8() + ", position unknown: 5 entries"))
        << unknown.out.toStdString();
}

TEST_F(UpdateTpsTest, APositionThatIsNoNumberIsAnError)
{
    for (const char* position : {"nanE", "NANw", "infE"}) {
        const Finished run = Update({QStringLiteral("--sat"), QStringLiteral("1"), QStringLiteral("--dry-run"),
                                     QStringLiteral("--table"), xml_, QStringLiteral("--xml-sat"),
                                     QString::fromLatin1(position)});
        EXPECT_EQ(run.exitCode, 2) << position;
        EXPECT_TRUE(run.err.contains("give a position such as 19.2E")) << run.err.toStdString();
    }
}

// The write refuses a change that takes in a read-only record: the dry run
// refuses it the same way, with the record and the reason.
TEST_F(UpdateTpsTest, ADryRunRefusesWhatTheWriteWouldRefuse)
{
    testing::Bytes bytes = built_.bytes;
    // Transponder 2's entry points 2 bytes into transponder 1's record, so
    // another record starts inside transponder 1: it is read-only.
    testing::PutEntry(bytes, built_.EntryOffset(BlockId::Transponders, 2), 0,
                      built_.RecordOffset(BlockId::Transponders, 1) + 2);
    const QString broken = Write(QStringLiteral("broken.bin"), bytes);
    for (const bool dry : {true, false}) {
        SCOPED_TRACE(dry ? "dry run" : "real run");
        const Finished run = RunCli({QStringLiteral("update-tps"), broken, QStringLiteral("--sat"), QStringLiteral("0"),
                                     QStringLiteral("--table"), dvbv5_,
                                     dry ? QStringLiteral("--dry-run") : QStringLiteral("--out"),
                                     dry ? QStringLiteral("--json") : out_});
        EXPECT_EQ(run.exitCode, 2) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains("transponder 1 (row 1) cannot change: This record")) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out_));
    }
}

TEST_F(UpdateTpsTest, SatellitesSharingASatIdAreRefusedNamingBoth)
{
    testing::ImageBuilder builder;
    builder.AddSat(SatelliteRecord(1, 130, "Hotbird")).AddSat(SatelliteRecord(1, 192, "Astra"));
    builder.AddTp(TransponderRecord(1, 1, 12597, 1, 29900));
    const QString shared = Write(QStringLiteral("shared.bin"), builder.Build().bytes);
    const Finished run = RunCli({QStringLiteral("update-tps"), shared, QStringLiteral("--sat"), QStringLiteral("0"),
                                 QStringLiteral("--table"), dvbv5_, QStringLiteral("--dry-run")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("satellite 0 \"Hotbird\" shares satId 1 with satellite 1 \"Astra\""))
        << run.err.toStdString();
}

// Two entries of satellite 0 point at one record: it is written once, with
// one value, and the report says which row is the same record.
TEST_F(UpdateTpsTest, ARecordBehindTwoEntriesIsUpdatedOnce)
{
    testing::Bytes bytes = built_.bytes;
    testing::PutEntry(bytes, built_.EntryOffset(BlockId::Transponders, 2), 0,
                      built_.RecordOffset(BlockId::Transponders, 1));
    const QString twice = Write(QStringLiteral("twice.bin"), bytes);
    const Finished run = RunCli({QStringLiteral("update-tps"), twice, QStringLiteral("--sat"), QStringLiteral("0"),
                                 QStringLiteral("--table"), dvbv5_, QStringLiteral("--out"), out_});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString text = QString::fromUtf8(run.out);
    EXPECT_EQ(text.count(QStringLiteral(" -> ")), 2) << text.toStdString();  // one line: frequency and symbol rate
    EXPECT_TRUE(text.contains(QStringLiteral("the record of an earlier row (updated with it):\n  tp 2  row 2  is row 1")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("Updated 1 transponder.\n")));
}

// The README's example: Debian's table of Hot Bird 13E moves one transponder.
TEST_F(UpdateTpsTest, UpdatesFromARealDvbv5Table)
{
    const QString real = QStringLiteral("/usr/share/dvb/dvb-s/Hotbird-13.0E");
    if (!QFile::exists(real))
        GTEST_SKIP() << "dtv-scan-tables is not installed";
    const Finished run = Update({QStringLiteral("--out"), out_, QStringLiteral("--sat"), QStringLiteral("0"),
                                 QStringLiteral("--table"), real});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ReadFile(out_), WithValues(1, 12596, 1, 27500));
    EXPECT_TRUE(run.out.contains("95 entries, 95 usable")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("up to date: 1"));
    EXPECT_TRUE(run.out.contains("not in the table:\n  tp 2  row 2  H  11500 MHz  22000 kS/s"));
}

} // namespace
} // namespace korvex
