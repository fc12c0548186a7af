#include "editors/FieldConversions.h"

#include "codepage/Utf16Text.h"
#include "tests/support/ImageBuilder.h"

#include <gtest/gtest.h>

#include <string>

namespace korvex {
namespace {

struct NumberCase {
    const char* text;
    int maxChars;
    unsigned bits;
    std::uint32_t stored;
};

class ReadNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ReadNumberTest, ReadsTheLeadingCharactersAndKeepsTheLowBits)
{
    const NumberCase& c = GetParam();
    EXPECT_EQ(LowBits(ReadNumber(QString::fromUtf8(c.text), c.maxChars), c.bits), c.stored)
        << '"' << c.text << "\" N=" << c.maxChars << " W=" << c.bits;
}

INSTANTIATE_TEST_SUITE_P(
    AtoiRules, ReadNumberTest,
    ::testing::Values(NumberCase{"", 4, 16, 0},              // empty field
                      NumberCase{"12345", 4, 16, 1234},      // a fifth digit is ignored
                      NumberCase{"20000", 5, 14, 3616},      // 20000 mod 16384
                      NumberCase{"70000", 5, 16, 4464},      // 70000 mod 65536
                      NumberCase{"99", 2, 6, 35},            // 99 mod 64
                      NumberCase{"123", 2, 6, 12},           // a third digit is ignored
                      NumberCase{"9999", 4, 13, 1807},       // 9999 mod 8192
                      NumberCase{"  42", 4, 16, 42},         // leading blanks
                      NumberCase{"   42", 4, 16, 4},         // ... count among the characters read
                      NumberCase{"+7", 2, 6, 7},             // a sign
                      NumberCase{"-1", 2, 6, 63},            // wraps as the field's width does
                      NumberCase{"4a2", 4, 16, 4},           // digits up to the first other character
                      NumberCase{"x12", 4, 16, 0},           // nothing to parse
                      NumberCase{"\xD9\xA3", 4, 16, 0}));    // a digit of another script is not a digit

std::string Bytes(const NameBytes& name) { return std::string(name.begin(), name.end()); }

TEST(ReadName, StoresAtMostTwelveCharactersAndBytes)
{
    const NameCharset utf8("UTF-8");
    NameBytes field = testing::Name("ABCDEFGHIJ");
    EXPECT_TRUE(ReadName(QStringLiteral("xy"), QStringLiteral("ABCDEFGHIJ"), field, utf8).isEmpty());
    EXPECT_EQ(Bytes(field), std::string("xy\0DEFGHIJ\0\0", 12)) << "shortening keeps the old bytes behind the zero";

    ReadName(QStringLiteral("THIRTEEN_CHAR"), QString(), field, utf8);
    EXPECT_EQ(Bytes(field), "THIRTEEN_CHA") << "12 characters, no terminator";

    // Eleven letters and an e-acute: its two bytes do not fit, so it is left out whole.
    ReadName(QStringLiteral("ABCDEFGHIJKé"), QString(), field, utf8);
    EXPECT_EQ(Bytes(field), std::string("ABCDEFGHIJK\0", 12));
    ReadName(QStringLiteral("中文台中文"), QString(), field, utf8);
    EXPECT_EQ(Bytes(field), "\xE4\xB8\xAD\xE6\x96\x87\xE5\x8F\xB0\xE4\xB8\xAD");
    ReadName(QStringLiteral("中文台中文"), QString(), field, NameCharset("GBK"));
    EXPECT_EQ(Bytes(field), std::string("\xD6\xD0\xCE\xC4\xCC\xA8\xD6\xD0\xCE\xC4\0\xAD", 12));
}

TEST(ReadName, RefusesANameTheCharsetCannotHoldAndStoresNothing)
{
    NameBytes field = testing::Name("Old");
    const NameBytes before = field;
    EXPECT_EQ(ReadName(QStringLiteral("Ω TV ☃Ω"), QStringLiteral("Old"), field, NameCharset("GBK")),
              QStringLiteral("☃"));
    EXPECT_EQ(field, before);
    EXPECT_EQ(ReadName(QStringLiteral("中文"), QStringLiteral("Old"), field, NameCharset("WINDOWS-1251")),
              QStringLiteral("中文"));
    EXPECT_EQ(field, before);
    // U+FFFE and U+FEFF are refused as characters, not read as byte order marks.
    const QString marks = QString(QChar(0xFFFE)) + QChar(0xFEFF);
    EXPECT_EQ(ReadName(marks, QStringLiteral("Old"), field, NameCharset("GBK")), marks);
    EXPECT_EQ(field, before);
}

TEST(ReadName, LeavesAnUnchangedNameExactlyAsItWas)
{
    // 0xFF is no character of UTF-8: shown as a replacement character, it
    // must not come back as one.
    const NameCharset utf8("UTF-8");
    NameBytes field{0xFF, 'T', 'V', 0, 0x11, 0x22};
    const QString shown = ShowName(field, utf8);
    EXPECT_EQ(shown, QString::fromUtf8("\xEF\xBF\xBDTV"));
    const NameBytes before = field;
    EXPECT_TRUE(ReadName(shown, shown, field, utf8).isEmpty());
    EXPECT_EQ(field, before);
}

TEST(ShowName, ShowsAtMostTwelveCharactersInTheImagesCharset)
{
    EXPECT_EQ(ShowName(testing::Name("TWELVE_CHARS"), NameCharset("UTF-8")), QStringLiteral("TWELVE_CHARS"));
    NameBytes empty{};
    EXPECT_EQ(ShowName(empty, NameCharset("UTF-8")), QString());
    NameBytes gbk{0xD6, 0xD0, 0xD1, 0xEB};
    EXPECT_EQ(ShowName(gbk, NameCharset("GBK")), QStringLiteral("中央"));
    // A UTF-8 name may begin with U+FEFF: it is shown, not taken for a byte
    // order mark.
    NameBytes marked{0xEF, 0xBB, 0xBF, 'T', 'V'};
    EXPECT_EQ(ShowName(marked, NameCharset("UTF-8")), QString(QChar(0xFEFF)) + QStringLiteral("TV"));
}

TEST(CaseFolded, FoldsAsciiAndEveryOtherLetter)
{
    EXPECT_EQ(CaseFolded(u"TeLe 5"), u"tele 5");
    EXPECT_EQ(CaseFolded(u"ABC\u00C4\u0394"), u"abc\u00E4\u03B4");
    EXPECT_EQ(CaseFolded(u"\uFEFFTV"), u"\uFEFFtv");
}

} // namespace
} // namespace korvex
