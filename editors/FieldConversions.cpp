#include "editors/FieldConversions.h"

#include "codepage/Utf16Text.h"

#include <QComboBox>

#include <cctype>

namespace korvex {

QString ShowNumber(std::uint32_t value)
{
    return QString::number(value);
}

QString ShowName(const NameBytes& name, const NameCharset& charset)
{
    return Utf16Text(charset.Decode(NameView(name))).left(static_cast<qsizetype>(kNameBytes));
}

int ReadNumber(const QString& text, int maxChars)
{
    const QString read = text.left(maxChars);
    const auto isAscii = [&](qsizetype at, auto test) {
        return at < read.size() && read[at].unicode() < 0x80 && test(static_cast<unsigned char>(read[at].unicode()));
    };
    qsizetype i = 0;
    while (isAscii(i, [](unsigned char c) { return std::isspace(c) != 0; }))
        ++i;
    bool negative = false;
    if (isAscii(i, [](unsigned char c) { return c == '+' || c == '-'; })) {
        negative = read[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    // At most five characters are ever read, so the value stays small.
    for (; isAscii(i, [](unsigned char c) { return std::isdigit(c) != 0; }); ++i)
        value = value * 10 + (read[i].unicode() - '0');
    return static_cast<int>(negative ? -value : value);
}

QString ReadName(const QString& text, const QString& shownText, NameBytes& field, const NameCharset& charset)
{
    if (text == shownText)
        return {};
    const EncodedName name = charset.Encode(text.left(static_cast<qsizetype>(kNameBytes)).toStdU16String(), kNameBytes);
    if (!name.unstorable.empty())
        return Utf16Text(name.unstorable);
    StoreNameBytes(field, name.bytes);
    return {};
}

void FillCombo(QComboBox* combo, std::span<const std::string_view> names, unsigned value)
{
    const QSignalBlocker quiet(combo);
    combo->clear();
    for (std::size_t position = 0; position < names.size(); ++position) {
        combo->insertItem(static_cast<int>(position),
                          QString::fromLatin1(names[position].data(), static_cast<qsizetype>(names[position].size())));
    }
    combo->setCurrentIndex(value < names.size() ? static_cast<int>(value) : -1);
}

} // namespace korvex
