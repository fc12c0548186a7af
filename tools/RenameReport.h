#pragma once
// What renaming programs by find and replace does, for people (one line per
// program: its name before and after, or why it is left as it was; the
// counts last) and for scripts (JSON).

#include "codepage/RenamePlan.h"

#include <QByteArray>

namespace korvex::cli {

struct RenameReport {
    const RenamePlan& plan;
    const ChannelDatabase& db;  // the database the plan was made from
    ProgTable table;            // the table whose programs the plan renames
    const RenameRule& rule;
    bool dryRun = false;
};

QByteArray RenameText(const RenameReport& report);
QByteArray RenameJson(const RenameReport& report);

} // namespace korvex::cli
