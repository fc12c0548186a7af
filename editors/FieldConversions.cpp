#include "editors/FieldConversions.h"

#include "codepage/CodePage.h"

#include <QComboBox>

#include <cctype>

namespace korvex {

QString ShowNumber(std::uint32_t value)
{
    return QString::number(value);
}

QString ShowName(const NameBytes& name)
{
    return QString::fromStdU16String(AnsiToUtf16(NameView(name))).left(static_cast<qsizetype>(kNameBytes));
}

int ReadNumber(const QString& text, int maxChars)
{
    const std::string bytes = Utf16ToAnsi(text.left(maxChars).toStdU16String());
    std::size_t i = 0;
    while (i < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[i])))
        ++i;
    bool negative = false;
    if (i < bytes.size() && (bytes[i] == '+' || bytes[i] == '-')) {
        negative = bytes[i] == '-';
        ++i;
    }
    long long value = 0;
    // At most five characters are ever read, so the value stays small.
    for (; i < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[i])); ++i)
        value = value * 10 + (bytes[i] - '0');
    return static_cast<int>(negative ? -value : value);
}

void ReadName(const QString& text, const QString& shownText, NameBytes& field)
{
    if (text == shownText)
        return;
    StoreNameBytes(field, Utf16ToAnsi(text.left(static_cast<qsizetype>(kNameBytes)).toStdU16String(), kNameBytes));
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
