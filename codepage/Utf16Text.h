#pragma once

// UTF-16 text of the name conversions as a QString, unit for unit.
//
// QString::fromStdU16String and fromUtf16 read a leading U+FEFF or U+FFFE as a
// byte order mark: they drop it, and U+FFFE even swaps the bytes of every unit
// after it. A name may begin with either (UTF-8 names can hold U+FEFF, and a
// user can type both), so names and the characters refused in them go through
// this instead.

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

namespace korvex {

inline QString Utf16Text(std::u16string_view units)
{
    return QStringView(units.data(), static_cast<qsizetype>(units.size())).toString();
}

// A name case-folded, for sorting without regard to case. Most names are
// ASCII, whose folding is lower case: sorting 5000 of them that way costs a
// fraction of going through Unicode's tables.
inline std::u16string CaseFolded(std::u16string text)
{
    bool ascii = true;
    for (char16_t& unit : text) {
        if (unit >= 0x80) {
            ascii = false;
            break;
        }
        if (unit >= u'A' && unit <= u'Z')
            unit = static_cast<char16_t>(unit + (u'a' - u'A'));
    }
    if (ascii)
        return text;
    return Utf16Text(text).toCaseFolded().toStdU16String();
}

} // namespace korvex
