// Read-only records as korvex-cli meets them: every writer refuses with the
// reason (exit 2) and writes nothing; check lists each one.

#include "tests/tools/CliFixtures.h"
#include "tests/support/OverlapImages.h"
#include "db/WriteGuard.h"
#include "tools/Csv.h"

#include <QFile>

#include <gtest/gtest.h>

namespace korvex {
namespace {

using testing::AsByteArray;
using testing::CaseName;
using testing::CliTest;
using testing::Finished;
using testing::OverlapImage;
using testing::ReadFile;
using testing::RunCli;

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

class OverlapCliTest : public CliTest, public ::testing::WithParamInterface<OverlapImage> {
protected:
    // The image's CSV with the last TV program's name changed.
    QString RenamedLastProgramCsv(const QString& image)
    {
        const Finished dump = RunCli({"dump", "--csv", "tv", image});
        EXPECT_EQ(dump.exitCode, 0) << dump.err.toStdString();
        cli::CsvText text = cli::ReadCsv(dump.out);
        QByteArray csv;
        for (std::size_t r = 0; r < text.records.size(); ++r) {
            QStringList fields = text.records[r].fields;
            if (r + 1 == text.records.size())
                fields[1] = QStringLiteral("Renamed");
            csv += cli::CsvRecordText(fields);
        }
        return WriteText(QStringLiteral("tv.csv"), csv);
    }
};

TEST_P(OverlapCliTest, EveryWriterRefusesTheReadOnlyRecordAndCheckListsIt)
{
    const OverlapImage& c = GetParam();
    const QString image = Write(QStringLiteral("image.bin"), c.built.bytes);
    const QString out = Path(QStringLiteral("out.bin"));
    const QString last = QString::number(c.built.recordOffsets[2].size() - 1);
    const QString csv = RenamedLastProgramCsv(image);
    const std::vector<QStringList> writers{
        {"set", image, "--out", out, "--tv", last, "serviceId=5"},
        {"flags", image, "--out", out, "--tv", last, "--lock"},
        {"move", image, "--out", out, "--tv", last, "--to", "0"},
        {"delete", image, "--out", out, "--tv", last},
        {"sort", image, "--out", out, "--tv", "--by", "name"},
        {"import", "--csv", "tv", image, csv, "--out", out},
        // Every name of the table renamed; in Latin-1 every byte reads and is
        // written back as it was, whatever the record's bytes are.
        {"rename", image, "--out", out, "--tv", "--charset", "ISO-8859-1", "--regex", "--find", "^", "--replace", "X",
         "--cut"},
        // A dry run refuses what the real one would.
        {"rename", image, "--dry-run", "--tv", last, "--charset", "ISO-8859-1", "--regex", "--find", "^", "--replace",
         "X", "--cut"},
    };
    for (const QStringList& arguments : writers) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        testing::ExpectRefused(RunCli(arguments), 2, c.reason);
        EXPECT_FALSE(QFile::exists(out));
    }
    EXPECT_EQ(ReadFile(image), AsByteArray(c.built.bytes));

    const Finished check = RunCli({"check", image});
    EXPECT_EQ(check.exitCode, 3);
    EXPECT_TRUE(check.out.contains((QStringLiteral("tvProgs[%1]: ").arg(last) + Text(c.reason)).toUtf8()))
        << check.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Guard, OverlapCliTest, ::testing::ValuesIn(testing::OverlapImages()),
                         [](const auto& info) { return CaseName(info.param.description); });

// A radio table whose entryCount runs into the TV header: radio program 15's
// flag byte is the first byte of the TV table's entryCount.
TEST_F(CliTest, AFlagByteOverTheTvHeaderIsNeverWritten)
{
    const testing::BuiltImage built = testing::RadioTableRunningIntoTvHeader();
    const QString image = Write(QStringLiteral("image.bin"), built.bytes);
    const QString out = Path(QStringLiteral("new.bin"));
    for (const QStringList& arguments : std::vector<QStringList>{
             {"flags", image, "--out", out, "--radio", "15", "--remove", "Sport"},
             {"set", image, "--out", out, "--radio", "15", "favBits=16"},
         }) {
        SCOPED_TRACE(arguments.first().toStdString());
        testing::ExpectRefused(RunCli(arguments), 2, kEntryOverlapsDirectoryText);
        EXPECT_FALSE(QFile::exists(out));
    }
    EXPECT_EQ(ReadFile(image), AsByteArray(built.bytes));
    const Finished check = RunCli({"check", image});
    EXPECT_EQ(check.exitCode, 3);
    EXPECT_TRUE(check.out.contains(("radioProgs[15]: " + Text(kEntryOverlapsDirectoryText)).toUtf8()));
}

// --backup keeps the file --out names, once; later runs leave that backup be.
TEST_F(CliTest, BackupKeepsTheFirstOriginalOnce)
{
    const QString image = Write(QStringLiteral("image.bin"), testing::SampleImage().Build().bytes);
    const QString out = Path(QStringLiteral("out.bin"));
    const QString backup = out + QStringLiteral(".bak");
    const QByteArray original = "the first original";
    WriteText(QStringLiteral("out.bin"), original);

    Finished run = RunCli({"set", image, "--out", out, "--tv", "0", "serviceId=7"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(backup));

    WriteText(QStringLiteral("out.bin"), original);
    run = RunCli({"set", image, "--out", out, "--backup", "--tv", "0", "serviceId=8"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ReadFile(backup), original);
    run = RunCli({"flags", image, "--out", out, "--backup", "--tv", "0", "--lock"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ReadFile(backup), original);
    run = RunCli({"apply", image, image, "--out", out, "--backup"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ReadFile(backup), original);
    EXPECT_NE(ReadFile(out), original);
}

} // namespace
} // namespace korvex
