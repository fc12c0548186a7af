#pragma once
// What carrying an earlier list over to an image does, for people (aligned
// text: the choices, the counts per table, one line per unmatched or no
// longer received program, and the changes last) and for scripts (JSON).

#include "codepage/NameCharset.h"
#include "db/CarryOver.h"

#include <QByteArray>

#include <cstdint>

namespace korvex::cli {

struct CarryOverReport {
    const CarryOverPlan& plan;
    const NameCharset& earlierNames;   // the earlier image's name charset
    const NameCharset& currentNames;   // the image's
    std::uint16_t tolerance = 0;
    bool dryRun = false;
};

QByteArray CarryOverText(const CarryOverReport& report);
QByteArray CarryOverJson(const CarryOverReport& report);

} // namespace korvex::cli
