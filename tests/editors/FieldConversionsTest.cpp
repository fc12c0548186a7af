#include "editors/FieldConversions.h"

#include "codepage/Utf16Text.h"
#include "tests/support/ImageBuilder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace korvex {
namespace {

struct NumberCase {
    const char* text;
    NumberField field;
    std::optional<std::uint32_t> stored;
    const char* refusal;
};

class ReadNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ReadNumberTest, TakesANumberThatFitsAndRefusesAnythingElseInWords)
{
    const NumberCase& c = GetParam();
    const NumberReading reading = ReadNumber(QString::fromUtf8(c.text), c.field);
    EXPECT_EQ(reading.value, c.stored) << '"' << c.text << "\" " << c.field.name;
    EXPECT_EQ(reading.refusal, QString::fromUtf8(c.refusal)) << '"' << c.text << "\" " << c.field.name;
}

// Every number field of the editors at its maximum and one past it, then the
// texts that are no number.
INSTANTIATE_TEST_SUITE_P(
    EveryField, ReadNumberTest,
    ::testing::Values(
        NumberCase{"65535", fields::kLongitude, 65535, ""},
        NumberCase{"65536", fields::kLongitude, std::nullopt, "Longitude 65536 does not fit: 0 to 65535."},
        NumberCase{"65535", fields::kLnbFreLow, 65535, ""},
        NumberCase{"65536", fields::kLnbFreLow, std::nullopt, "LnbFreLow 65536 does not fit: 0 to 65535."},
        NumberCase{"65535", fields::kLnbFreHigh, 65535, ""},
        NumberCase{"65536", fields::kLnbFreHigh, std::nullopt, "LnbFreHigh 65536 does not fit: 0 to 65535."},
        NumberCase{"63", fields::kPosition, 63, ""},
        NumberCase{"64", fields::kPosition, std::nullopt, "Postion 64 does not fit: 0 to 63."},
        NumberCase{"16383", fields::kFrequency, 16383, ""},
        NumberCase{"16384", fields::kFrequency, std::nullopt, "Freq 16384 does not fit: 0 to 16383."},
        NumberCase{"99999", fields::kFrequency, std::nullopt, "Freq 99999 does not fit: 0 to 16383."},
        NumberCase{"65535", fields::kSymbolRate, 65535, ""},
        NumberCase{"65536", fields::kSymbolRate, std::nullopt, "SymbolRate 65536 does not fit: 0 to 65535."},
        NumberCase{"8191", fields::kVideoPid, 8191, ""},
        NumberCase{"8192", fields::kVideoPid, std::nullopt, "VideoPID 8192 does not fit: 0 to 8191."},
        NumberCase{"8191", fields::kAudioPid, 8191, ""},
        NumberCase{"8192", fields::kAudioPid, std::nullopt, "AudioPID 8192 does not fit: 0 to 8191."},
        NumberCase{"8191", fields::kPcrPid, 8191, ""},
        NumberCase{"8192", fields::kPcrPid, std::nullopt, "PCRPID 8192 does not fit: 0 to 8191."},
        NumberCase{"65535", fields::kServiceId, 65535, ""},
        NumberCase{"65536", fields::kServiceId, std::nullopt, "ServiceID 65536 does not fit: 0 to 65535."},
        NumberCase{"0", fields::kPosition, 0, ""},
        NumberCase{" 007 ", fields::kPosition, 7, ""},  // blanks around, leading zeros
        NumberCase{"99999999999999999999999", fields::kServiceId, std::nullopt,
                   "ServiceID 99999999999999999999999 does not fit: 0 to 65535."},
        NumberCase{"", fields::kPosition, std::nullopt, "Postion is empty: type a number from 0 to 63."},
        NumberCase{"4a2", fields::kFrequency, std::nullopt, "Freq 4a2 is not a number: 0 to 16383."},
        NumberCase{"-1", fields::kPosition, std::nullopt, "Postion -1 is not a number: 0 to 63."},
        NumberCase{"+7", fields::kPosition, std::nullopt, "Postion +7 is not a number: 0 to 63."},
        NumberCase{"\xD9\xA3", fields::kPcrPid, std::nullopt,  // a digit of another script
                   "PCRPID \xD9\xA3 is not a number: 0 to 8191."}));

std::string Bytes(const NameBytes& name) { return std::string(name.begin(), name.end()); }

TEST(ReadName, StoresANameOfAtMostTwelveBytesAndRefusesALongerOneWhole)
{
    const NameCharset utf8("UTF-8");
    const NameCharset gbk("GBK");
    NameBytes field = testing::Name("ABCDEFGHIJ");
    EXPECT_TRUE(ReadName(QStringLiteral("xy"), QStringLiteral("ABCDEFGHIJ"), field, utf8).isEmpty());
    EXPECT_EQ(Bytes(field), std::string("xy\0DEFGHIJ\0\0", 12)) << "shortening keeps the old bytes behind the zero";

    EXPECT_TRUE(ReadName(QStringLiteral("TWELVE_CHARS"), QString(), field, utf8).isEmpty());
    EXPECT_EQ(Bytes(field), "TWELVE_CHARS") << "12 bytes, no terminator";

    struct TooLong {
        const char* text;
        const NameCharset& charset;
        const char* refusal;
    };
    for (const TooLong& c : {
             TooLong{"THIRTEEN_CHAR", utf8, "The name THIRTEEN_CHAR does not fit 12 bytes: it takes 13 in UTF-8."},
             // Eleven letters and an e-acute, whose two bytes do not fit.
             TooLong{"ABCDEFGHIJKé", utf8, "The name ABCDEFGHIJKé does not fit 12 bytes: it takes 13 in UTF-8."},
             TooLong{"中文台中文", utf8, "The name 中文台中文 does not fit 12 bytes: it takes 15 in UTF-8."},
             TooLong{"中文台中文台中", gbk, "The name 中文台中文台中 does not fit 12 bytes: it takes 14 in GBK."},
         }) {
        const NameBytes before = field;
        EXPECT_EQ(ReadName(QString::fromUtf8(c.text), QString(), field, c.charset),
                  QString::fromUtf8(c.refusal) + QStringLiteral(" Nothing was written."));
        EXPECT_EQ(field, before) << c.text;
    }
    EXPECT_TRUE(ReadName(QStringLiteral("中文台中文台"), QString(), field, gbk).isEmpty());
    EXPECT_EQ(Bytes(field), "\xD6\xD0\xCE\xC4\xCC\xA8\xD6\xD0\xCE\xC4\xCC\xA8");
    EXPECT_TRUE(ReadName(QStringLiteral("中文台中"), QString(), field, utf8).isEmpty());
    EXPECT_EQ(Bytes(field), "\xE4\xB8\xAD\xE6\x96\x87\xE5\x8F\xB0\xE4\xB8\xAD");
}

TEST(ReadName, RefusesANameTheCharsetCannotHoldAndStoresNothing)
{
    NameBytes field = testing::Name("Old");
    const NameBytes before = field;
    EXPECT_EQ(ReadName(QStringLiteral("Ω TV ☃Ω"), QStringLiteral("Old"), field, NameCharset("GBK")),
              QStringLiteral("The image's names are in GBK, which cannot store ☃. Nothing was written."));
    EXPECT_EQ(field, before);
    EXPECT_EQ(ReadName(QStringLiteral("中文"), QStringLiteral("Old"), field, NameCharset("WINDOWS-1251")),
              QStringLiteral("The image's names are in WINDOWS-1251, which cannot store 中 文. Nothing was written."));
    EXPECT_EQ(field, before);
    // U+FFFE and U+FEFF are refused as characters, not read as byte order marks.
    const QString marks = QString(QChar(0xFFFE)) + QChar(0xFEFF);
    EXPECT_TRUE(ReadName(marks, QStringLiteral("Old"), field, NameCharset("GBK"))
                    .contains(QString(QChar(0xFFFE)) + QLatin1Char(' ') + QChar(0xFEFF)));
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
