#include "codepage/CharsetDetection.h"
#include "codepage/NameCharset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvex {
namespace {

// A name in a box charset: its text and its bytes there.
struct CharsetCase {
    const char* charset;
    std::u16string text;
    std::string bytes;
    friend void PrintTo(const CharsetCase& c, std::ostream* os) { *os << c.charset; }
};

const CharsetCase kCharsetCases[] = {
    {"GBK", u"中央电视台", "\xD6\xD0\xD1\xEB\xB5\xE7\xCA\xD3\xCC\xA8"},
    {"BIG5", u"華視新聞", "\xB5\xD8\xB5\xF8\xB7\x73\xBB\x44"},
    {"WINDOWS-1251", u"Первый", "\xCF\xE5\xF0\xE2\xFB\xE9"},
    {"ISO-8859-1", u"Télé Genève", "T\xE9l\xE9 Gen\xE8ve"},
    {"UTF-8", u"Café", "Caf\xC3\xA9"},
};

class NameCharsetTest : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(NameCharsetTest, DecodesAndEncodesNamesOfItsCharset)
{
    const CharsetCase& c = GetParam();
    const NameCharset charset(c.charset);
    ASSERT_TRUE(KnownCharset(c.charset));
    EXPECT_EQ(charset.Decode(c.bytes), c.text);
    const EncodedName encoded = charset.Encode(c.text, 12);
    EXPECT_EQ(encoded.bytes, c.bytes.substr(0, 12));
    EXPECT_TRUE(encoded.unstorable.empty());
}

INSTANTIATE_TEST_SUITE_P(BoxCharsets, NameCharsetTest, ::testing::ValuesIn(kCharsetCases),
                         [](const auto& info) {
                             std::string name;
                             for (const char ch : std::string(info.param.charset))
                                 if (std::isalnum(static_cast<unsigned char>(ch)))
                                     name += ch;
                             return name;
                         });

TEST(NameCharset, EncodesWholeCharactersOnlyIntoTwelveBytes)
{
    const NameCharset gbk("GBK");
    // Five two-byte characters take 10 bytes; a sixth and a seventh do not fit after "AB".
    EXPECT_EQ(gbk.Encode(u"AB中央电视台你", 12).bytes, "AB\xD6\xD0\xD1\xEB\xB5\xE7\xCA\xD3\xCC\xA8");
    EXPECT_EQ(gbk.Encode(u"ABCDEFGHIJK中", 12).bytes, "ABCDEFGHIJK");
    const NameCharset utf8("UTF-8");
    EXPECT_EQ(utf8.Encode(u"ABCDEFGHIJé", 12).bytes, "ABCDEFGHIJ\xC3\xA9");
    EXPECT_EQ(utf8.Encode(u"ABCDEFGHIJKé", 12).bytes, "ABCDEFGHIJK");
    EXPECT_EQ(utf8.Encode(u"ABCDEFGHIJK\U0001F600", 12).bytes, "ABCDEFGHIJK");
}

TEST(NameCharset, ReportsEachCharacterItCannotStoreOnce)
{
    const EncodedName latin = NameCharset("ISO-8859-1").Encode(u"中é中Ω", 12);
    EXPECT_EQ(latin.unstorable, u"中Ω");
    EXPECT_EQ(latin.bytes, "\xE9");
    const EncodedName ascii = NameCharset("ANSI_X3.4-1968").Encode(u"A\U0001F600B", 12);
    EXPECT_EQ(ascii.unstorable, u"\U0001F600");
    EXPECT_EQ(ascii.bytes, "AB");
}

// Which bytes stand alone as characters: the trail byte of a GBK or Big5
// character may be an ASCII letter's byte and is no letter.
TEST(NameCharset, SaysWhichBytesAreCharactersOfTheirOwn)
{
    struct Case {
        const char* charset;
        std::string bytes;
        std::vector<bool> single;  // empty: cannot be decoded
    };
    const std::vector<Case> cases{
        {"GBK", "\xC8\x41" "A", {false, false, true}},         // 華A
        {"BIG5", "\xA5\x78\xA5\x58", {false, false, false, false}},  // 台出
        {"UTF-8", "\xC3\x84x", {false, false, true}},          // Äx
        {"GBK", "A\xC8", {}},                                   // a lead byte with no trail
        {"UTF-8", "\xFF" "A", {}},
    };
    for (const Case& c : cases) {
        bool single[12]{};
        const bool decoded = NameCharset(c.charset).SingleByteCharacters(c.bytes, std::span<bool>(single, c.bytes.size()));
        EXPECT_EQ(decoded, !c.single.empty()) << c.charset << " " << c.bytes;
        if (decoded) {
            EXPECT_EQ(std::vector<bool>(single, single + c.bytes.size()), c.single) << c.charset;
        }
    }
}

TEST(NameCharset, MarksUndefinedBytesWithoutDroppingThem)
{
    EXPECT_EQ(NameCharset("UTF-8").Decode("A\xFF" "B"), u"A\uFFFDB");
    EXPECT_EQ(NameCharset("UTF-8").Decode("AB\xE4\xB8"), u"AB\uFFFD\uFFFD");
    EXPECT_EQ(NameCharset("GBK").Decode("A\xFF"), u"A\uFFFD");
    EXPECT_EQ(NameCharset("no-such-charset").Decode("A\xE9"), u"A\uFFFD");
    EXPECT_FALSE(KnownCharset("no-such-charset"));
    EXPECT_FALSE(KnownCharset(""));
}

// Names as a box stores them: each encoded in `charset` and cut to 12 bytes.
std::vector<std::string> BoxNames(const char* charset, const std::vector<std::u16string>& texts)
{
    std::vector<std::string> names;
    for (const std::u16string& text : texts)
        names.push_back(NameCharset(charset).Encode(text, 12).bytes);
    return names;
}

CharsetChoice Default(const std::vector<std::string>& names, const std::string& locale = "UTF-8")
{
    const std::vector<std::string_view> views(names.begin(), names.end());
    return DefaultNameCharset(views, locale);
}

struct DetectionCase {
    const char* description;
    const char* charset;
    std::vector<std::u16string> names;
    const char* expected;  // the charset chosen
    CharsetSource source;
    friend void PrintTo(const DetectionCase& c, std::ostream* os) { *os << c.description; }
};

const std::vector<std::u16string> kChinese{u"中央电视台", u"湖南卫视", u"浙江卫视", u"东方卫视", u"北京卫视", u"凤凰中文"};
const std::vector<std::u16string> kRussian{u"Первый канал", u"Россия 1", u"НТВ", u"Пятый канал", u"Культура",
                                           u"Радио Маяк", u"Звезда", u"Матч ТВ"};

const DetectionCase kDetectionCases[] = {
    {"a full GBK list", "GBK", kChinese, "GBK", CharsetSource::Detected},
    {"two GBK names", "GBK", {u"中央电视台", u"湖南卫视"}, "GBK", CharsetSource::Detected},
    {"a Big5 list", "BIG5", {u"中視新聞", u"華視", u"台視", u"民視新聞", u"公視", u"東森電影"}, "BIG5",
     CharsetSource::Detected},
    {"a Windows-1251 list", "WINDOWS-1251", kRussian, "WINDOWS-1251", CharsetSource::Detected},
    {"a KOI8-R list", "KOI8-R", kRussian, "KOI8-R", CharsetSource::Detected},
    {"ASCII names only", "UTF-8", {u"Das Erste", u"ZDF", u"RTL"}, "UTF-8", CharsetSource::Locale},
    {"UTF-8 names", "UTF-8", kChinese, "UTF-8", CharsetSource::Locale},
    {"one accented letter is too little to tell", "ISO-8859-1", {u"Café", u"ZDF"}, "UTF-8", CharsetSource::Locale},
};

class DetectionTest : public ::testing::TestWithParam<DetectionCase> {};

TEST_P(DetectionTest, ChoosesTheCharsetOfTheNamesUnderAUtf8Locale)
{
    const DetectionCase& c = GetParam();
    const CharsetChoice choice = Default(BoxNames(c.charset, c.names));
    EXPECT_EQ(choice.charset.Name(), c.expected);
    EXPECT_EQ(choice.source, c.source);
}

INSTANTIATE_TEST_SUITE_P(Detection, DetectionTest, ::testing::ValuesIn(kDetectionCases),
                         [](const auto& info) {
                             std::string name;
                             bool upper = true;
                             for (const char ch : std::string(info.param.description)) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) {
                                     upper = true;
                                     continue;
                                 }
                                 name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(ch))) : ch;
                                 upper = false;
                             }
                             return name;
                         });

TEST(Detection, FindsGbkAmongTheNamesOfAFullImage)
{
    // 5000 program names and 150 satellite names, as many as the database
    // holds, of four to six common characters each.
    const std::u16string common = u"中央电视台湖南卫视浙江东方北京凤凰音乐之声新闻体育电影少儿频道";
    std::vector<std::u16string> texts;
    for (std::size_t i = 0; i < 5150; ++i) {
        std::u16string text;
        for (std::size_t k = 0; k < 4 + i % 3; ++k)
            text += common[(i * 7 + k * 13) % common.size()];
        texts.push_back(text);
    }
    const CharsetChoice choice = Default(BoxNames("GBK", texts));
    EXPECT_EQ(choice.charset.Name(), "GBK");
    EXPECT_EQ(choice.source, CharsetSource::Detected);
}

TEST(Detection, ALegacyLocaleIsTakenAsItIs)
{
    const CharsetChoice choice = Default(BoxNames("GBK", kChinese), "BIG5");
    EXPECT_EQ(choice.charset.Name(), "BIG5");
    EXPECT_EQ(choice.source, CharsetSource::Locale);
}

TEST(Detection, ErasedFlashIsNoEvidenceAndGarbageFallsBackToTheLocale)
{
    // Names of erased flash (0xFF) are not valid UTF-8, but they are no text.
    EXPECT_EQ(Default({std::string(12, '\xFF'), std::string(12, '\xFF'), "ZDF"}).source, CharsetSource::Locale);
    // Bytes that decode cleanly in no charset the detector knows.
    std::string noise;
    for (int i = 0; i < 96; ++i)
        noise.push_back(static_cast<char>(0x80 + (i * 37) % 0x7F));
    std::vector<std::string> names;
    for (std::size_t at = 0; at < noise.size(); at += 12)
        names.push_back(noise.substr(at, 12));
    EXPECT_EQ(Default(names).charset.Name(), "UTF-8");
}

} // namespace
} // namespace korvex
