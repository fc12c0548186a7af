#include "codepage/CodePage.h"

#include <gtest/gtest.h>

#include <clocale>

namespace korvex {
namespace {

// Runs a test under a named locale and restores the previous one.
class LocaleGuard {
public:
    explicit LocaleGuard(const char* name) : previous_(std::setlocale(LC_CTYPE, nullptr))
    {
        ok_ = std::setlocale(LC_CTYPE, name) != nullptr;
    }
    ~LocaleGuard() { std::setlocale(LC_CTYPE, previous_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::string previous_;
    bool ok_ = false;
};

TEST(CodePage, AsciiPassesThroughInBothDirections)
{
    LocaleGuard c("C");
    EXPECT_EQ(AnsiToUtf16("Astra 19.2E"), u"Astra 19.2E");
    EXPECT_EQ(Utf16ToAnsi(u"Hot Bird"), "Hot Bird");
    EXPECT_EQ(Utf16ToAnsi(u"ABCDEFGHIJKLMN", 12), "ABCDEFGHIJKL");
}

TEST(CodePage, UnderUtf8EncodesWholeCharactersOnly)
{
    LocaleGuard utf8("C.UTF-8");
    ASSERT_TRUE(utf8.ok());
    EXPECT_EQ(AnsiToUtf16("Caf\xC3\xA9"), u"Café");
    // Eleven ASCII letters and an e-acute (2 bytes): the e-acute does not fit in 12.
    EXPECT_EQ(Utf16ToAnsi(u"ABCDEFGHIJKé", 12), "ABCDEFGHIJK");
    EXPECT_EQ(Utf16ToAnsi(u"ABCDEFGHIJé", 12), "ABCDEFGHIJ\xC3\xA9");
    EXPECT_EQ(Utf16ToAnsi(u"中文台", 12), "\xE4\xB8\xAD\xE6\x96\x87\xE5\x8F\xB0");
    EXPECT_EQ(Utf16ToAnsi(u"中文台中文", 12), "\xE4\xB8\xAD\xE6\x96\x87\xE5\x8F\xB0\xE4\xB8\xAD");
}

TEST(CodePage, UndefinedBytesAndCharactersAreMarkedNotDropped)
{
    LocaleGuard utf8("C.UTF-8");
    ASSERT_TRUE(utf8.ok());
    EXPECT_EQ(AnsiToUtf16("A\xFF" "B"), u"A\uFFFDB");
    EXPECT_EQ(AnsiToUtf16("AB\xE4\xB8"), u"AB\uFFFD\uFFFD");
    LocaleGuard c("C");
    EXPECT_EQ(Utf16ToAnsi(u"Aé"), "A?");
    EXPECT_EQ(AnsiToUtf16("A\xE9"), u"A\uFFFD");
}

} // namespace
} // namespace korvex
