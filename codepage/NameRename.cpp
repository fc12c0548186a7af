#include "codepage/NameRename.h"

#include "codepage/Utf16Text.h"

#include <utility>

namespace korvex {
namespace {

// The number of UTF-16 units of the character at `at`: a surrogate pair is one.
qsizetype CharacterUnits(const QString& text, qsizetype at)
{
    return at + 1 < text.size() && text[at].isHighSurrogate() && text[at + 1].isLowSurrogate() ? 2 : 1;
}

} // namespace

QString LeftUnchangedText(const NameRename& rename, std::size_t maxBytes)
{
    switch (rename.result) {
    case RenameResult::TooLong: return QStringLiteral("does not fit %1 bytes").arg(maxBytes);
    case RenameResult::Unstorable: return QStringLiteral("the charset cannot hold %1").arg(rename.unstorable);
    case RenameResult::Unreadable: return QStringLiteral("holds bytes the charset cannot read");
    case RenameResult::NotMatched:
    case RenameResult::Renamed:
    case RenameResult::Cut: break;
    }
    return {};
}

NameRenamer::NameRenamer(RenameRule rule, NameCharset charset, std::size_t maxBytes)
    : rule_(std::move(rule)), charset_(std::move(charset)), maxBytes_(maxBytes)
{
    if (rule_.find.isEmpty()) {
        problem_ = QStringLiteral("there is nothing to find");
        return;
    }
    if (!rule_.regex)
        return;
    expression_.setPattern(rule_.find);
    if (!expression_.isValid()) {
        problem_ = QStringLiteral("the regular expression is not valid: %1 at character %2")
                       .arg(expression_.errorString())
                       .arg(expression_.patternErrorOffset() + 1);
        return;
    }
    expression_.optimize();
}

QString NameRenamer::Replaced(const QString& text) const
{
    QString replaced = text;
    if (rule_.regex)
        replaced.replace(expression_, rule_.replace);
    else
        replaced.replace(rule_.find, rule_.replace, Qt::CaseSensitive);
    return replaced;
}

NameRename NameRenamer::Rename(std::string_view bytes) const
{
    NameRename rename;
    rename.before = Utf16Text(charset_.Decode(bytes));
    if (!problem_.isEmpty())
        return rename;
    rename.after = Replaced(rename.before);
    if (rename.after == rename.before)
        return rename;

    // The parts of the old name the rule kept are written again: they must
    // come back as the bytes they were.
    if (charset_.Encode(rename.before.toStdU16String()).bytes != bytes) {
        rename.result = RenameResult::Unreadable;
        return rename;
    }
    const std::u16string after = rename.after.toStdU16String();
    EncodedName whole = charset_.Encode(after);
    rename.unstorable = Utf16Text(whole.unstorable);
    if (whole.unstorable.empty() && whole.bytes.size() <= maxBytes_) {
        rename.result = RenameResult::Renamed;
        rename.bytes = std::move(whole.bytes);
        return rename;
    }
    if (!rule_.cut) {
        rename.result = whole.unstorable.empty() ? RenameResult::TooLong : RenameResult::Unstorable;
        return rename;
    }
    // Cut: the whole characters that fit, from the start. It stands only when
    // they are exactly the name's first characters and it ends because the
    // next character did not fit, not because the charset cannot hold it.
    EncodedName cut = charset_.Encode(after, maxBytes_);
    const QString kept = Utf16Text(charset_.Decode(cut.bytes));
    const bool prefix = rename.after.startsWith(kept);
    const bool endsOnLength =
        prefix && kept.size() < rename.after.size() &&
        charset_.Encode(QStringView(rename.after).mid(kept.size(), CharacterUnits(rename.after, kept.size()))
                            .toString()
                            .toStdU16String())
            .unstorable.empty();
    if (!prefix || !endsOnLength) {
        rename.result = RenameResult::Unstorable;
        return rename;
    }
    // Cut back to the name it was, nothing changes.
    if (kept == rename.before)
        return {RenameResult::NotMatched, rename.before, kept, {}, {}};
    rename.result = RenameResult::Cut;
    rename.after = kept;
    rename.bytes = std::move(cut.bytes);
    return rename;
}

} // namespace korvex
