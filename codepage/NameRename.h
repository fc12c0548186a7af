#pragma once
// Renaming names by find and replace, as text: the text is the name decoded
// in the image's name charset, the result is encoded in it again, and a name
// takes at most 12 bytes. The window and korvex-cli rename with the same
// rules and the same engine: the text found is plain (case-sensitive) or a
// QRegularExpression, whose replacement may name its groups as \1, \2, ...
//
// A new name is left as it was, and says why, when it does not fit its
// bytes (unless it may be cut: then it is cut after the last whole character
// that fits, never inside one), when the charset cannot hold one of its
// characters, or when the old name holds bytes the charset does not define
// (they read as U+FFFD and could not be written back as they were).
//
// Qt Core's regular expressions are the reason this lives beside the charset
// conversions as a library of its own: the conversions stay free of Qt.

#include "codepage/NameCharset.h"

#include <QRegularExpression>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvex {

struct RenameRule {
    QString find;
    QString replace;
    bool regex = false;
    bool cut = false;  // a name too long is cut to fit rather than left as it was
};

enum class RenameResult : std::uint8_t {
    NotMatched,  // the rule finds nothing in the name, or gives it back as it was
    Renamed,
    Cut,         // renamed, and cut to fit
    TooLong,     // left as it was: the new name does not fit
    Unstorable,  // left as it was: the charset cannot hold a character of it
    Unreadable,  // left as it was: the old name holds bytes the charset does not define
};

struct NameRename {
    RenameResult result = RenameResult::NotMatched;
    QString before;      // the name as it reads now
    QString after;       // the name the rule gives; cut when it was cut
    std::string bytes;   // what is stored when Changes(): at most maxBytes
    QString unstorable;  // the characters the charset cannot hold, once each

    bool Changes() const { return result == RenameResult::Renamed || result == RenameResult::Cut; }
};

// Why a name was left as it was, in a few words ("does not fit 12 bytes"),
// or an empty text when it was renamed or not matched.
QString LeftUnchangedText(const NameRename& rename, std::size_t maxBytes);

class NameRenamer {
public:
    NameRenamer(RenameRule rule, NameCharset charset, std::size_t maxBytes);

    // Why the rule cannot be used (nothing to find, a regular expression that
    // is not valid), or an empty text.
    const QString& Problem() const { return problem_; }
    const RenameRule& Rule() const { return rule_; }

    // The name stored as `bytes` (up to its first zero byte) renamed by the
    // rule. A rule with a problem renames nothing.
    NameRename Rename(std::string_view bytes) const;

private:
    QString Replaced(const QString& text) const;

    RenameRule rule_;
    NameCharset charset_;
    std::size_t maxBytes_;
    QRegularExpression expression_;
    QString problem_;
};

} // namespace korvex
