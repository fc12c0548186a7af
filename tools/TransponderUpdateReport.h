#pragma once
// What a transponder update changes and what it cannot, for people (aligned
// text) and for scripts (JSON): the changes old -> new, the pairs already up
// to date, the satellite's transponders the table lacks, the table's entries
// the image has no room for, and the entries no record can hold.

#include "codepage/NameCharset.h"
#include "db/TransponderUpdate.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <span>

namespace korvex::cli {

struct TransponderUpdateReport {
    const TransponderUpdatePlan& plan;
    const ChannelDatabase& db;  // the database the plan was made from
    std::size_t satIndex = 0;
    const NameCharset& names;
    QString tablePath;
    QString tableSatellite;  // the <sat> taken from a satellites.xml file, or empty
    std::span<const TableEntry> entries;
    std::uint32_t tolerance = kDefaultTpTolerance;
    bool dryRun = false;
    // Where the table says its satellite is, tenths of a degree east; none
    // when it does not say (a dvbv5 file whose name ends with no position).
    std::optional<int> tablePosition;
};

QByteArray TransponderUpdateText(const TransponderUpdateReport& report);
QByteArray TransponderUpdateJson(const TransponderUpdateReport& report);

} // namespace korvex::cli
