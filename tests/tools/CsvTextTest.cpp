// The CSV unit over libcsv: what spreadsheets write back is read as RFC 4180
// means it, with the line each record starts on; what is not CSV is named by
// line and column; and what is written reads back the same.

#include "tools/Csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvex::cli {
namespace {

struct Expected {
    qsizetype line;
    QStringList fields;
};

struct ReadCase {
    const char* description;
    QByteArray text;
    std::vector<Expected> records;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.description; }

const ReadCase kReadCases[] = {
    {"CRLF line ends", "a,b\r\n1,2\r\n", {{1, {"a", "b"}}, {2, {"1", "2"}}}},
    {"LF line ends and no end after the last record", "a,b\n1,2", {{1, {"a", "b"}}, {2, {"1", "2"}}}},
    {"lone CR line ends", "a,b\r1,2\r", {{1, {"a", "b"}}, {2, {"1", "2"}}}},
    {"a UTF-8 byte-order mark", "\xEF\xBB\xBF" "a,b\r\n", {{1, {"a", "b"}}}},
    {"a trailing empty line and empty lines between", "a\r\n\r\nb\r\n\r\n", {{1, {"a"}}, {3, {"b"}}}},
    {"empty fields", ",x,\r\n", {{1, {"", "x", ""}}}},
    {"spaces are kept", " a , b \r\n", {{1, {" a ", " b "}}}},
    {"quoted fields with a comma, a doubled quote and an apostrophe",
     "\"'Hot,\"\"Bird\"\"\",\"2\"\r\n",
     {{1, {"'Hot,\"Bird\"", "2"}}}},
    {"a quoted line break, and the next record's line", "\"a\r\nb\",c\r\nd\r\n", {{1, {"a\r\nb", "c"}}, {3, {"d"}}}},
    {"UTF-8 text", "'中央电视台,Café\r\n", {{1, {"'中央电视台", "Café"}}}},
};

class CsvReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(CsvReadTest, ReadsRecordsAndTheLinesTheyStartOn)
{
    const CsvText csv = ReadCsv(GetParam().text);
    ASSERT_TRUE(csv.error.isEmpty()) << csv.error.toStdString();
    ASSERT_EQ(csv.records.size(), GetParam().records.size());
    for (std::size_t r = 0; r < csv.records.size(); ++r) {
        EXPECT_EQ(csv.records[r].line, GetParam().records[r].line) << "record " << r;
        EXPECT_EQ(csv.records[r].fields, GetParam().records[r].fields) << "record " << r;
    }
}

INSTANTIATE_TEST_SUITE_P(Csv, CsvReadTest, ::testing::ValuesIn(kReadCases));

struct BadCase {
    const char* description;
    QByteArray text;
    const char* error;
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.description; }

const BadCase kBadCases[] = {
    {"a quote inside an unquoted field", "a,b\r\n1,x\"y\r\n", "line 2, column 2: "},
    {"text after a closing quote", "a,b\r\n\"1\"x,2\r\n", "line 2, column 1: "},
    {"a quoted field that never ends", "a,b\r\n1,\"2\r\n3\r\n", "line 3, column 2: the text ends inside a quoted field"},
    {"a field that is not UTF-8", "a,b\r\n1,\xFF\xFE\r\n", "line 2, column 2: the field is not UTF-8 text"},
};

class CsvBadTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(CsvBadTest, NamesTheLineAndColumn)
{
    const CsvText csv = ReadCsv(GetParam().text);
    EXPECT_TRUE(csv.error.startsWith(QLatin1StringView(GetParam().error))) << csv.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Csv, CsvBadTest, ::testing::ValuesIn(kBadCases));

TEST(CsvWriteTest, QuotesOnlyWhatMustBeQuotedAndReadsBackTheSame)
{
    const QStringList fields{"plain", "", "a,b", "say \"hi\"", "two\nlines", "'=1+1", " spaced ", "中文"};
    const QByteArray text = CsvRecordText(fields);
    EXPECT_EQ(text.toStdString(),
              "plain,,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",'=1+1, spaced ,中文\r\n");
    const CsvText csv = ReadCsv(text);
    ASSERT_TRUE(csv.error.isEmpty());
    ASSERT_EQ(csv.records.size(), 1u);
    EXPECT_EQ(csv.records[0].fields, fields);
}

} // namespace
} // namespace korvex::cli
