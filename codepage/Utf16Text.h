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

#include <string_view>

namespace korvex {

inline QString Utf16Text(std::u16string_view units)
{
    return QStringView(units.data(), static_cast<qsizetype>(units.size())).toString();
}

} // namespace korvex
