// Renaming by find and replace: what each name becomes, in bytes of its
// charset, and which names are left as they were and why.

#include "codepage/NameRename.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace korvex {
namespace {

constexpr RenameResult kNotMatched = RenameResult::NotMatched;
constexpr RenameResult kRenamed = RenameResult::Renamed;
constexpr RenameResult kCut = RenameResult::Cut;
constexpr RenameResult kTooLong = RenameResult::TooLong;
constexpr RenameResult kUnstorable = RenameResult::Unstorable;
constexpr RenameResult kUnreadable = RenameResult::Unreadable;

// 中央电视台 in GBK: two bytes a character.
const std::string kCctvGbk = "\xD6\xD0\xD1\xEB\xB5\xE7\xCA\xD3\xCC\xA8";

struct RenameCase {
    const char* description;
    const char* charset;
    std::string name;      // bytes as stored
    RenameRule rule;
    RenameResult result;
    std::u16string after;  // as shown in the preview
    std::string bytes;     // stored when renamed
    std::u16string unstorable = {};
};

const RenameCase kCases[] = {
    {"plain text: a provider's prefix removed", "UTF-8", "Sky Sports", {"Sky ", ""}, kRenamed, u"Sports", "Sports"},
    {"plain text is case-sensitive", "UTF-8", "sky news", {"Sky ", ""}, kNotMatched, u"sky news", ""},
    {"a regular expression can ignore case", "UTF-8", "sky news", {"(?i)^sky ", "", true}, kRenamed, u"news", "news"},
    {"a regular expression moves HD to the front", "UTF-8", "BBC One HD", {"^(.*) HD$", "HD \\1", true}, kRenamed,
     u"HD BBC One", "HD BBC One"},
    {"nothing found", "UTF-8", "BBC Two", {"^(.*) HD$", "HD \\1", true}, kNotMatched, u"BBC Two", ""},
    {"a replacement that gives the name back", "UTF-8", "ARD", {"R", "R"}, kNotMatched, u"ARD", ""},
    {"GBK: renamed in GBK", "GBK", kCctvGbk, {"电视台", "一台"}, kRenamed, u"中央一台",
     "\xD6\xD0\xD1\xEB\xD2\xBB\xCC\xA8"},
    {"GBK: too long", "GBK", kCctvGbk, {"^(.*)$", "X\\1高清", true}, kTooLong, u"X中央电视台高清", ""},
    {"GBK: cut before the character that would not fit whole", "GBK", kCctvGbk, {"^(.*)$", "X\\1高清", true, true},
     kCut, u"X中央电视台", "X" + kCctvGbk},
    {"GBK: a character GBK cannot hold", "GBK", kCctvGbk, {"台", "☃"}, kUnstorable, u"中央电视☃", "", u"☃"},
    {"GBK: cutting does not drop it", "GBK", kCctvGbk, {"台", "☃", false, true}, kUnstorable, u"中央电视☃",
     "", u"☃"},
    {"UTF-8: cut at a character boundary", "UTF-8", "X", {"X", "Xéééééé", false, true}, kCut, u"Xééééé",
     "X\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"},
    {"Latin-1: what the charset cannot hold is cut away", "ISO-8859-1", "Tele Geneve", {"$", "XY☃", true, true},
     kCut, u"Tele GeneveX", "Tele GeneveX", u"☃"},
    {"Latin-1: but not dropped when the name would fit without it", "ISO-8859-1", "Tele Geneve",
     {"$", " ☃", true, true}, kUnstorable, u"Tele Geneve ☃", "", u"☃"},
    {"cut back to the name it was", "UTF-8", "ABCDEFGHIJKL", {"$", "!", true, true}, kNotMatched, u"ABCDEFGHIJKL", ""},
    {"bytes the charset cannot read are not written over", "UTF-8", "AB\xFF", {"A", "X"}, kUnreadable, u"XB\uFFFD",
     ""},
};

class NameRenameTest : public ::testing::TestWithParam<RenameCase> {};

TEST_P(NameRenameTest, RenamesOrSaysWhyNot)
{
    const RenameCase& c = GetParam();
    const NameRenamer renamer(c.rule, NameCharset(c.charset), 12);
    ASSERT_TRUE(renamer.Problem().isEmpty()) << renamer.Problem().toStdString();
    const NameRename rename = renamer.Rename(c.name);
    EXPECT_EQ(rename.result, c.result);
    EXPECT_EQ(rename.after.toStdU16String(), c.after);
    EXPECT_EQ(rename.bytes, c.bytes);
    EXPECT_EQ(rename.Changes(), c.result == kRenamed || c.result == kCut);
    if (c.result == kUnstorable) {
        EXPECT_EQ(rename.unstorable.toStdU16String(), c.unstorable);
    }
    EXPECT_EQ(LeftUnchangedText(rename, 12).isEmpty(), c.result == kNotMatched || rename.Changes());
}

INSTANTIATE_TEST_SUITE_P(Rules, NameRenameTest, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name;
    for (const char ch : std::string(info.param.description))
        if (std::isalnum(static_cast<unsigned char>(ch)))
            name += ch;
    return name;
});

TEST(NameRenamer, SaysWhyARuleCannotBeUsedAndRenamesNothing)
{
    const NameRenamer badExpression({"(HD", "", true}, NameCharset("UTF-8"), 12);
    EXPECT_TRUE(badExpression.Problem().startsWith(QStringLiteral("the regular expression is not valid: ")))
        << badExpression.Problem().toStdString();
    EXPECT_EQ(badExpression.Rename("HD").result, kNotMatched);
    for (const bool regex : {false, true}) {
        const NameRenamer nothing({"", "X", regex}, NameCharset("UTF-8"), 12);
        EXPECT_EQ(nothing.Problem(), QStringLiteral("there is nothing to find"));
        EXPECT_EQ(nothing.Rename("Name").result, kNotMatched);
    }
}

} // namespace
} // namespace korvex
