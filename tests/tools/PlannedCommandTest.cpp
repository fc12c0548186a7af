// What every korvex-cli command that plans a change shares: a dry run writes
// nothing and exits 3 when the plan changes something; the real run then
// exits 0, says what the dry run said, and writes the image the plan makes.

#include "tests/tools/CliFixtures.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace korvex {
namespace {

using testing::CaseName;
using testing::CliTest;
using testing::Finished;
using testing::ReadFile;
using testing::RunCli;

struct PlannedCase {
    const char* description;
    QStringList arguments;  // {image}, {earlier} and {table} stand for files; --out or --dry-run follows
};

void PrintTo(const PlannedCase& c, std::ostream* os) { *os << c.description; }

// Each changes the sample image: the earlier order of the TV table, a
// scrambled program deleted, a transponder moved by 1 MHz, a program's name.
const PlannedCase kPlannedCases[] = {
    {"apply", {"apply", "{earlier}", "{image}", "--json"}},
    {"clean", {"clean", "{image}", "--scrambled", "--json"}},
    {"update-tps", {"update-tps", "{image}", "--sat", "0", "--table", "{table}", "--json"}},
    {"rename", {"rename", "{image}", "--tv", "--regex", "--find", "^ZDF$", "--replace", "ZDF 2", "--json"}},
};

class PlannedCommandTest : public CliTest, public ::testing::WithParamInterface<PlannedCase> {
protected:
    QStringList Arguments(const QStringList& more)
    {
        QStringList arguments = GetParam().arguments + more;
        for (QString& argument : arguments)
            argument.replace(QStringLiteral("{image}"), image_)
                .replace(QStringLiteral("{earlier}"), earlier_)
                .replace(QStringLiteral("{table}"), table_);
        return arguments;
    }

    QString earlier_ = Write(QStringLiteral("earlier.bin"), testing::SampleImage().Build().bytes);
    // The sample with its two TV programs the other way round.
    QString image_ = [this] {
        const QString path = Path(QStringLiteral("image.bin"));
        const Finished moved = RunCli({"move", earlier_, "--out", path, "--tv", "1", "--to", "0"});
        EXPECT_EQ(moved.exitCode, 0) << moved.err.toStdString();
        return path;
    }();
    QString table_ = WriteText(QStringLiteral("table"), "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 12001000\n"
                                                        "\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 27500000\n");
    QString out_ = Path(QStringLiteral("out.bin"));
};

TEST_P(PlannedCommandTest, ADryRunSaysWhatTheRealRunDoesAndWritesNothing)
{
    const QByteArray before = ReadFile(image_);
    const Finished dry = RunCli(Arguments({"--dry-run"}));
    EXPECT_EQ(dry.exitCode, 3) << dry.err.toStdString();
    EXPECT_FALSE(QFile::exists(out_));
    EXPECT_EQ(ReadFile(image_), before);

    const Finished real = RunCli(Arguments({"--out", out_}));
    ASSERT_EQ(real.exitCode, 0) << real.err.toStdString();
    QJsonObject planned = QJsonDocument::fromJson(dry.out).object();
    QJsonObject done = QJsonDocument::fromJson(real.out).object();
    EXPECT_TRUE(planned.take(QStringLiteral("dryRun")).toBool());
    EXPECT_FALSE(done.take(QStringLiteral("dryRun")).toBool());
    EXPECT_EQ(done, planned);
    EXPECT_NE(ReadFile(out_), before);

    // The image written needs nothing more.
    const QString again = image_;
    image_ = out_;
    EXPECT_EQ(RunCli(Arguments({"--dry-run"})).exitCode, 0);
    image_ = again;
}

INSTANTIATE_TEST_SUITE_P(Planned, PlannedCommandTest, ::testing::ValuesIn(kPlannedCases),
                         [](const auto& info) { return CaseName(info.param.description); });

} // namespace
} // namespace korvex
