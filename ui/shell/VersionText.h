#pragma once

#include "app/Platform.h"

#include <QString>

namespace korvex {

// "V%d.%d%d%d Build %02d%02d%02d%02d": product version a.b.c.d as "Va.bcd",
// file version e.f.g.h as "Build eeffgghh", each part at least two digits.
inline QString FormatVersion(const VersionInfo& version)
{
    const auto& p = version.product;
    const auto& f = version.file;
    return QString::asprintf("V%d.%d%d%d Build %02d%02d%02d%02d", p[0], p[1], p[2], p[3], f[0], f[1], f[2], f[3]);
}

} // namespace korvex
