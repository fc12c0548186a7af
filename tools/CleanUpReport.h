#pragma once
// What a clean-up deletes and why, for people (aligned text: the kinds
// chosen, the count of each kind, one line per record that goes, and what
// was deleted last) and for scripts (JSON).

#include "codepage/NameCharset.h"
#include "db/CleanUp.h"

#include <QByteArray>

namespace korvex::cli {

struct CleanUpReport {
    const CleanUpPlan& plan;
    const ChannelDatabase& db;  // the database the plan was made from
    const NameCharset& names;
    bool dryRun = false;
};

QByteArray CleanUpText(const CleanUpReport& report);
QByteArray CleanUpJson(const CleanUpReport& report);

} // namespace korvex::cli
