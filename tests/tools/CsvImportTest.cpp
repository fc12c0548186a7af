// dump --csv and import --csv, run as a user's script runs them: a file
// taken back unchanged writes the very image it came from, each editable
// value reaches the image as the editors write it, rows can be reordered and
// left out, and every error names the line and column and writes nothing.

#include "tests/tools/CliFixtures.h"
#include "tools/Csv.h"

#include <QFile>
#include <QJsonArray>

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace korvex {
namespace {

using testing::AsByteArray;
using testing::Bytes;
using testing::CaseName;
using testing::CliTest;
using testing::DumpOf;
using testing::Finished;
using testing::GbkImage;
using testing::ImageBuilder;
using testing::Name;
using testing::ReadFile;
using testing::RunCli;
using testing::TrickyImage;

using Rows = std::vector<QStringList>;  // the header first

// Columns of a program table's CSV.
enum Column { kName = 1, kServiceId, kVideoPid, kAudioPid, kPcrPid, kScramble, kTrack, kChildLock, kFavorite,
              kSatId, kTpId, kTableIndex, kRecordOffset };

Rows RowsOf(const QByteArray& csv)
{
    const cli::CsvText text = cli::ReadCsv(csv);
    EXPECT_TRUE(text.error.isEmpty()) << text.error.toStdString();
    Rows rows;
    for (const cli::CsvRecord& record : text.records)
        rows.push_back(record.fields);
    return rows;
}

QByteArray CsvOf(const Rows& rows)
{
    QByteArray csv;
    for (const QStringList& row : rows)
        csv += cli::CsvRecordText(row);
    return csv;
}

class CsvImportTest : public CliTest {
protected:
    QByteArray Dump(const QString& image, const char* table)
    {
        const Finished run = RunCli({"dump", "--csv", table, image});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return run.out;
    }

    Finished Import(const char* table, const QString& image, const QByteArray& csv, QStringList more = {})
    {
        const QString file = WriteText(QStringLiteral("table.csv"), csv);
        return RunCli(QStringList{"import", "--csv", table, image, file} + more);
    }
};

TEST_F(CsvImportTest, AnUnchangedFileWritesTheSameImage)
{
    for (const int layout : {1, 2}) {
        for (const char* table : {"tv", "radio"}) {
            const Bytes bytes = TrickyImage(layout).Build().bytes;
            const QString image = Write(QStringLiteral("image.bin"), bytes);
            const QString out = Path(QStringLiteral("out.bin"));
            const QByteArray csv = Dump(image, table);
            Finished run = Import(table, image, csv, {"--out", out});
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            EXPECT_EQ(run.out.toStdString(), "import: 0 rows moved, 0 values changed, 0 rows deleted\n");
            EXPECT_EQ(ReadFile(out), AsByteArray(bytes)) << table << " layout " << layout;

            run = Import(table, image, csv, {"--dry-run"});
            EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
            EXPECT_EQ(run.out.toStdString(), "The images are identical.\n");
        }
    }
}

TEST_F(CsvImportTest, NamesInTheImagesCharsetComeBackTheSame)
{
    const Bytes bytes = GbkImage();
    const QString image = Write(QStringLiteral("gbk.bin"), bytes);
    const QString out = Path(QStringLiteral("out.bin"));
    const Finished run = Import("tv", image, Dump(image, "tv"), {"--out", out});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ReadFile(out), AsByteArray(bytes));
}

// What a spreadsheet writes back: a byte-order mark, every field quoted,
// LF line ends, and an empty line at the end.
TEST_F(CsvImportTest, AFileAsSpreadsheetsWriteItBackIsTheSameFile)
{
    const Bytes bytes = TrickyImage(2).Build().bytes;
    const QString image = Write(QStringLiteral("image.bin"), bytes);
    QByteArray csv = "\xEF\xBB\xBF";
    for (const QStringList& row : RowsOf(Dump(image, "tv"))) {
        QStringList quoted;
        for (QString field : row)
            quoted << QLatin1Char('"') + field.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
        csv += quoted.join(QLatin1Char(',')).toUtf8() + '\n';
    }
    csv += '\n';
    const QString out = Path(QStringLiteral("out.bin"));
    const Finished run = Import("tv", image, csv, {"--out", out});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ReadFile(out), AsByteArray(bytes));
}

// Sorting changes the order only; the sorted image's file, put back in the
// old order, gives back the image as it was before the sort.
TEST_F(CsvImportTest, ASortedTableReorderedBackIsTheImageBeforeTheSort)
{
    for (const int layout : {1, 2}) {
        for (const char* table : {"tv", "radio"}) {
            const Bytes bytes = TrickyImage(layout).Build().bytes;
            const QString image = Write(QStringLiteral("image.bin"), bytes);
            const QString sorted = Path(QStringLiteral("sorted.bin"));
            Finished run = RunCli({"sort", image, "--out", sorted, QStringLiteral("--") + table, "--by", "name"});
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            ASSERT_NE(ReadFile(sorted), AsByteArray(bytes));

            std::map<QString, qsizetype> before;  // record offset -> row before the sort
            const Rows original = RowsOf(Dump(image, table));
            for (qsizetype r = 1; r < qsizetype(original.size()); ++r)
                before[original[r][kRecordOffset]] = r;
            Rows rows = RowsOf(Dump(sorted, table));
            std::stable_sort(rows.begin() + 1, rows.end(), [&](const QStringList& a, const QStringList& b) {
                return before.at(a[kRecordOffset]) < before.at(b[kRecordOffset]);
            });
            const QString out = Path(QStringLiteral("out.bin"));
            run = Import(table, sorted, CsvOf(rows), {"--out", out});
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            EXPECT_EQ(ReadFile(out), AsByteArray(bytes)) << table << " layout " << layout;
        }
    }
}

struct EditCase {
    const char* description;
    const char* table;
    std::function<void(Rows&)> edit;
    const char* array;                                     // in the dump
    std::vector<std::pair<int, std::pair<QString, QJsonValue>>> expected;  // index, field, value afterwards
    const char* summary;
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.description; }

const EditCase kEditCases[] = {
    {"a name, with or without the apostrophe", "tv",
     [](Rows& rows) {
         rows[1][kName] = "'ARD";
         rows[2][kName] = "Café 1";
     },
     "tvProgs", {{0, {"progName", "ARD"}}, {1, {"progName", "Café 1"}}},
     "import: 0 rows moved, 2 values changed, 0 rows deleted\n"},
    {"numbers at the top of their fields", "tv",
     [](Rows& rows) {
         rows[1][kServiceId] = "65535";
         rows[1][kVideoPid] = "8191";
         rows[1][kAudioPid] = "8191";
         rows[1][kPcrPid] = "8191";
         rows[1][kTrack] = "3";
     },
     "tvProgs",
     {{0, {"serviceId", 65535}}, {0, {"videoPid", 8191}}, {0, {"audioPid", 8191}}, {0, {"pcrPid", 8191}},
      {0, {"track", 3}}},
     "import: 0 rows moved, 5 values changed, 0 rows deleted\n"},
    {"a number written otherwise but equal is no change", "tv", [](Rows& rows) { rows[1][kServiceId] = "0100"; },
     "tvProgs", {{0, {"serviceId", 100}}}, "import: 0 rows moved, 0 values changed, 0 rows deleted\n"},
    {"child lock and favourite groups", "radio",
     [](Rows& rows) {
         rows[1][kChildLock] = "0";  // program 0 was locked
         rows[1][kFavorite] = "news/Sports";
         rows[2][kChildLock] = "1";
         rows[2][kFavorite] = "";
     },
     "radioProgs",
     {{0, {"unlocked", 1}}, {0, {"favBits", 0x4E}}, {1, {"unlocked", 0}}, {1, {"favBits", 0x7E}}},
     "import: 0 rows moved, 4 values changed, 0 rows deleted\n"},
    {"the row order is the new order", "tv",
     [](Rows& rows) { std::rotate(rows.begin() + 1, rows.begin() + 2, rows.begin() + 4); },
     "tvProgs", {{0, {"progName", "1E5"}}, {1, {"progName", "+49"}}, {2, {"progName", "0012"}}},
     "import: 1 row moved, 0 values changed, 0 rows deleted\n"},
    {"rows left out are deleted with --delete-missing", "radio",
     [](Rows& rows) { rows.erase(rows.begin() + 1, rows.begin() + 3); },
     "radioProgs", {{0, {"progName", "+49"}}}, "import: 0 rows moved, 0 values changed, 2 rows deleted\n"},
};

class CsvEditTest : public CsvImportTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(CsvEditTest, WritesTheChangedValuesAsTheEditorsWould)
{
    const EditCase& c = GetParam();
    const QString image = Write(QStringLiteral("image.bin"), TrickyImage(1).Build().bytes);
    Rows rows = RowsOf(Dump(image, c.table));
    c.edit(rows);
    const QString out = Path(QStringLiteral("out.bin"));
    const Finished run = Import(c.table, image, CsvOf(rows), {"--out", out, "--delete-missing"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), c.summary);
    const QJsonArray records = DumpOf(out)[QLatin1StringView(c.array)].toArray();
    for (const auto& [index, field] : c.expected)
        EXPECT_EQ(records[index][field.first], field.second) << index << " " << field.first.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Import, CsvEditTest, ::testing::ValuesIn(kEditCases),
                         [](const auto& info) { return CaseName(info.param.description); });

TEST_F(CsvImportTest, ADryRunPrintsTheChangesAsDiffDoesAndWritesNothing)
{
    const QString image = Write(QStringLiteral("image.bin"), TrickyImage(1).Build().bytes);
    Rows rows = RowsOf(Dump(image, "tv"));
    rows[2][kServiceId] = "7";
    std::swap(rows[1], rows[2]);
    const Finished run = Import("tv", image, CsvOf(rows), {"--dry-run", "--out", Path(QStringLiteral("out.bin"))});
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    QStringList lines = QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& line : lines)
        line = line.simplified();
    EXPECT_EQ(lines, (QStringList{"tv 0 \"0012\" moved 0 → 1", "tv 1 \"1E5\" serviceId 101 → 7",
                                  "Differences: 1 moved, 1 field change in 1 record."}));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("out.bin"))));
}

// Two TV entries point at one record: rows giving it different values are
// refused, naming both lines; rows giving it the same values are taken.
TEST_F(CsvImportTest, TwoRowsOfOneRecordMustGiveItTheSameValues)
{
    testing::BuiltImage built = TrickyImage(1).Build();
    testing::PutEntry(built.bytes, built.EntryOffset(BlockId::TvPrograms, 1), 0xFF,
                      built.RecordOffset(BlockId::TvPrograms, 0));
    const QString image = Write(QStringLiteral("image.bin"), built.bytes);
    Rows rows = RowsOf(Dump(image, "tv"));
    ASSERT_EQ(rows[1][kRecordOffset], rows[2][kRecordOffset]);
    rows[1][kServiceId] = "7";
    const Finished refused = Import("tv", image, CsvOf(rows), {"--out", Path(QStringLiteral("out.bin"))});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains("line 2 and line 3 name one record")) << refused.err.toStdString();
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("out.bin"))));

    rows[2][kServiceId] = "7";
    const Finished taken = Import("tv", image, CsvOf(rows), {"--out", Path(QStringLiteral("out.bin"))});
    EXPECT_EQ(taken.exitCode, 0) << taken.err.toStdString();
}

struct ErrorCase {
    const char* description;
    const char* table;
    std::function<QByteArray(Rows&)> edit;  // the file's text from the dump's rows
    const char* message;                    // a part of the one line on standard error
    QStringList more = {};                  // options beyond --out
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.description; }

QByteArray Edited(Rows& rows, std::size_t row, int column, const char* value)
{
    rows[row][column] = QString::fromUtf8(value);
    return CsvOf(rows);
}

const ErrorCase kErrorCases[] = {
    {"a changed Scramble", "tv", [](Rows& r) { return Edited(r, 3, kScramble, "1"); },
     "table.csv line 4, column 7 (Scramble): the editors do not change this value"},
    {"a changed satId", "tv", [](Rows& r) { return Edited(r, 1, kSatId, "2"); },
     "line 2, column 11 (satId): the editors do not change this value"},
    {"a changed tpId", "radio", [](Rows& r) { return Edited(r, 1, kTpId, "11"); },
     "line 2, column 12 (tpId): the editors do not change this value"},
    {"a video PID in the radio table", "radio", [](Rows& r) { return Edited(r, 2, kVideoPid, "5"); },
     "line 3, column 4 (VideoPid): the radio table keeps no video PID"},
    {"a value that does not fit", "tv", [](Rows& r) { return Edited(r, 1, kPcrPid, "8192"); },
     "line 2, column 6 (PcrPid): 8192 does not fit the field (0 to 8191)"},
    {"a value that is not a number", "tv", [](Rows& r) { return Edited(r, 1, kServiceId, "1.5"); },
     "line 2, column 3 (ServiceID): '1.5' is not a whole number"},
    {"a track with no room", "tv", [](Rows& r) { return Edited(r, 1, kTrack, "4"); },
     "column 8 (Track): 4 does not fit the field (0 to 3)"},
    {"a child lock that is neither 0 nor 1", "tv", [](Rows& r) { return Edited(r, 1, kChildLock, "yes"); },
     "column 9 (ChildLock): 'yes': the child lock is 1 (locked) or 0 (not locked)"},
    {"an unknown favourite group", "tv", [](Rows& r) { return Edited(r, 1, kFavorite, "Movies/Films/"); },
     "column 10 (Favorite): 'Films' is no favourite group"},
    {"a name over 12 bytes", "tv", [](Rows& r) { return Edited(r, 4, kName, "'Thirteen chars"); },
     "line 5, column 2 (ProgName): the name takes 14 bytes in UTF-8; a name holds at most 12"},
    {"a name the charset cannot store", "tv", [](Rows& r) { return Edited(r, 1, kName, "'Ω☃"); },
     "line 2, column 2 (ProgName): the name charset ISO-8859-1 cannot store Ω☃", {"--charset", "ISO-8859-1"}},
    {"a row of the image missing", "tv", [](Rows& r) {
         r.erase(r.begin() + 2);
         return CsvOf(r);
     },
     "table.csv: no row for TV program 1 \"1E5\" (tableIndex 1, recordOffset 4702); give --delete-missing"},
    {"a repeated row", "radio", [](Rows& r) {
         r.push_back(r[3]);
         return CsvOf(r);
     },
     "line 17: repeats the row of line 4 (radio program 2)"},
    {"a row the image does not have", "tv", [](Rows& r) { return Edited(r, 2, kRecordOffset, "4146"); },
     "line 3: no entry of the TV table at position 1 points at a record at offset 4146"},
    {"a row with a cell too few", "tv", [](Rows& r) {
         r[5].removeLast();
         return CsvOf(r);
     },
     "line 6: 13 cells; a row has 14"},
    {"a position that is not a number", "tv", [](Rows& r) { return Edited(r, 1, kTableIndex, "first"); },
     "line 2, column 13 (tableIndex): 'first' is not a whole number"},
    {"a header that is not dump's", "tv", [](Rows& r) { return Edited(r, 0, kServiceId, "SID"); },
     "line 1, column 3: 'SID' where the header has 'ServiceID'"},
    {"an empty file", "tv", [](Rows&) { return QByteArray(); }, "table.csv: the file is empty"},
    {"quoting that is not CSV", "tv", [](Rows& r) { return CsvOf(r) + "1,\"'x\"y,2\r\n"; },
     "table.csv line 18, column 2: "},
    {"a table that is not imported", "sats", [](Rows& r) { return CsvOf(r); },
     "--csv 'sats': only the tv and radio tables are imported"},
};

class CsvImportErrorTest : public CsvImportTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(CsvImportErrorTest, NamesWhereAndWritesNothing)
{
    const ErrorCase& c = GetParam();
    const QString image = Write(QStringLiteral("image.bin"), TrickyImage(1).Build().bytes);
    const QByteArray before = ReadFile(image);
    const char* dumped = QLatin1StringView(c.table) == u"sats" ? "tv" : c.table;
    Rows rows = RowsOf(Dump(image, dumped));
    const QString out = Path(QStringLiteral("out.bin"));
    testing::ExpectRefused(Import(c.table, image, c.edit(rows), QStringList{"--out", out} + c.more), 2, c.message);
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_EQ(ReadFile(image), before);
}

INSTANTIATE_TEST_SUITE_P(Import, CsvImportErrorTest, ::testing::ValuesIn(kErrorCases),
                         [](const auto& info) { return CaseName(info.param.description); });

} // namespace
} // namespace korvex
