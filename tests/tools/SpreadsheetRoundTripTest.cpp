// The CSV of dump --csv opened and saved again by a real spreadsheet,
// LibreOffice Calc converting headless, then taken back by import --csv:
// the image written is the image dumped, byte for byte. Skipped where
// LibreOffice is not installed; CI installs it.

#include "tests/tools/CliFixtures.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <gtest/gtest.h>

namespace korvex {
namespace {

using testing::AsByteArray;
using testing::CliTest;
using testing::Finished;
using testing::ReadFile;
using testing::RunCli;
using testing::TrickyImage;

// CSV import options, fixed here so that another default cannot change what
// the test sees: comma, double quote, UTF-8, from line 1, every column
// "Standard", English (USA), quoted fields not forced to text, then whether
// special numbers (dates, times, scientific notation) are detected, and
// formulas evaluated.
QString ImportOptions(bool detectSpecialNumbers)
{
    return QStringLiteral("CSV:44,34,76,1,,1033,false,%1,false,false,false,-1,true")
        .arg(detectSpecialNumbers ? "true" : "false");
}

// Saved as Calc saves by default: comma, double quote, UTF-8, cells as shown.
const QString kExportFilter = QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,false,true,true");

class SpreadsheetTest : public CliTest {
protected:
    void SetUp() override
    {
        soffice_ = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice_.isEmpty())
            GTEST_SKIP() << "LibreOffice (soffice) is not installed";
        ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("spreadsheet/in")));
    }

    // Opens each file in Calc and saves it again as CSV; the path of each
    // file saved, by the name of the file opened.
    QStringList OpenAndSave(const QStringList& files, bool detectSpecialNumbers)
    {
        const QString saved = Path(QStringLiteral("spreadsheet/saved"));
        QDir(saved).removeRecursively();
        QProcess process;
        process.start(soffice_, QStringList{QStringLiteral("--headless"),
                                            QStringLiteral("-env:UserInstallation=") +
                                                QUrl::fromLocalFile(Path(QStringLiteral("spreadsheet/profile")))
                                                    .toString(),
                                            QStringLiteral("--infilter=") + ImportOptions(detectSpecialNumbers),
                                            QStringLiteral("--convert-to"), kExportFilter, QStringLiteral("--outdir"),
                                            saved} +
                                    files);
        EXPECT_TRUE(process.waitForFinished(300000)) << "LibreOffice did not finish";
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        QStringList paths;
        for (const QString& file : files)
            paths << QDir(saved).filePath(QFileInfo(file).fileName());
        return paths;
    }

    QString In(const QString& name) const { return Path(QStringLiteral("spreadsheet/in/") + name); }

    QString soffice_;
};

// What Calc does to cells that are not kept as text, with the options the
// test fixes: so a name cell without its apostrophe would not survive.
TEST_F(SpreadsheetTest, CalcTurnsTextThatLooksLikeANumberOrAFormulaIntoOne)
{
    const QString control = WriteText(QStringLiteral("spreadsheet/in/control.csv"),
                                      "a,b,c,d,e\r\n0012,1E5,+49,=1+1,'0012\r\n");
    const QStringList saved = OpenAndSave({control}, false);
    EXPECT_EQ(ReadFile(saved[0]).replace("\r\n", "\n").toStdString(), "a,b,c,d,e\n12,100000,49,2,'0012\n");
}

TEST_F(SpreadsheetTest, AFileOpenedAndSavedUnchangedImportsToTheSameImage)
{
    struct Dumped {
        QString image;
        QString table;
        QByteArray bytes;
    };
    std::vector<Dumped> dumped;
    QStringList files;
    for (const int layout : {1, 2}) {
        const testing::Bytes bytes = TrickyImage(layout).Build().bytes;
        const QString image = Write(QStringLiteral("layout%1.bin").arg(layout), bytes);
        for (const QString& table : {QStringLiteral("tv"), QStringLiteral("radio")}) {
            const Finished run = RunCli({QStringLiteral("dump"), QStringLiteral("--csv"), table, image});
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            files << WriteText(QStringLiteral("spreadsheet/in/%1-%2.csv").arg(table).arg(layout), run.out);
            dumped.push_back({image, table, AsByteArray(bytes)});
        }
    }
    for (const bool detectSpecialNumbers : {false, true}) {
        const QStringList saved = OpenAndSave(files, detectSpecialNumbers);
        for (std::size_t i = 0; i < dumped.size(); ++i) {
            const QString out = Path(QStringLiteral("out.bin"));
            const Finished run = RunCli({QStringLiteral("import"), QStringLiteral("--csv"), dumped[i].table,
                                         dumped[i].image, saved[qsizetype(i)], QStringLiteral("--out"), out});
            ASSERT_EQ(run.exitCode, 0) << saved[qsizetype(i)].toStdString() << ": " << run.err.toStdString();
            EXPECT_EQ(ReadFile(out), dumped[i].bytes)
                << saved[qsizetype(i)].toStdString() << " special numbers " << detectSpecialNumbers;
        }
    }
}

} // namespace
} // namespace korvex
