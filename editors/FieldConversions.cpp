#include "editors/FieldConversions.h"

#include "codepage/Utf16Text.h"

#include <QComboBox>

#include <QStringList>

#include <algorithm>

namespace korvex {

QString ShowNumber(std::uint32_t value)
{
    return QString::number(value);
}

QString ShowName(const NameBytes& name, const NameCharset& charset)
{
    return Utf16Text(charset.Decode(NameView(name))).left(static_cast<qsizetype>(kNameBytes));
}

NumberReading ReadNumber(const QString& text, const NumberField& field)
{
    const QString name = QString::fromLatin1(field.name.data(), static_cast<qsizetype>(field.name.size()));
    const QString digits = text.trimmed();
    const QString range = QStringLiteral("0 to %1").arg(field.Max());
    if (digits.isEmpty())
        return {std::nullopt, QStringLiteral("%1 is empty: type a number from %2.").arg(name, range)};
    std::uint64_t value = 0;
    for (const QChar c : digits) {
        // Digits of other scripts are not digits here: the box reads ASCII.
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {std::nullopt, QStringLiteral("%1 %2 is not a number: %3.").arg(name, digits, range)};
        // Saturates instead of overflowing: any value this large does not fit.
        value = std::min<std::uint64_t>(value * 10 + static_cast<std::uint64_t>(c.unicode() - '0'), 1ull << 40);
    }
    if (value > field.Max())
        return {std::nullopt, QStringLiteral("%1 %2 does not fit: %3.").arg(name, digits, range)};
    return {static_cast<std::uint32_t>(value), {}};
}

std::size_t NameByteCount(const QString& text, const NameCharset& charset)
{
    return charset.Encode(text.toStdU16String()).bytes.size();
}

namespace {

// Each character once, a surrogate pair as one, with blanks between.
QString SpacedCharacters(const QString& text)
{
    QStringList characters;
    for (const QChar* c = text.begin(); c != text.end(); ++c) {
        const bool pair = c->isHighSurrogate() && c + 1 != text.end();
        characters << (pair ? QString(c, 2) : QString(*c));
        c += pair ? 1 : 0;
    }
    return characters.join(QStringLiteral(" "));
}

} // namespace

QString ReadName(const QString& text, const QString& shownText, NameBytes& field, const NameCharset& charset)
{
    if (text == shownText)
        return {};
    const EncodedName name = charset.Encode(text.toStdU16String());
    const QString charsetName = QString::fromStdString(charset.Name());
    if (!name.unstorable.empty()) {
        return QStringLiteral("The image's names are in %1, which cannot store %2. Nothing was written.")
            .arg(charsetName, SpacedCharacters(Utf16Text(name.unstorable)));
    }
    if (name.bytes.size() > kNameBytes) {
        return QStringLiteral("The name %1 does not fit %2 bytes: it takes %3 in %4. Nothing was written.")
            .arg(text, QString::number(kNameBytes), QString::number(name.bytes.size()), charsetName);
    }
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
