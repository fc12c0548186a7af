#pragma once
// What a find-and-replace rule does to the names of the programs chosen in
// the window: every program's name before and after, which are renamed, and
// which are left as they were and why. The preview shows it; OK writes its
// renames, so what is shown is what is written.

#include "codepage/NameRename.h"
#include "db/Rename.h"

#include <QString>

#include <span>
#include <vector>

namespace korvex {

struct RenamePlan {
    struct Row {
        ProgramEntry program;
        NameRename rename;
    };

    std::vector<Row> rows;  // one for each program, in the order given
    QString problem;        // why the rule cannot be used; nothing is renamed then
    std::size_t renamed = 0;        // cut ones included
    std::size_t cut = 0;
    std::size_t leftUnchanged = 0;  // too long, not held by the charset, not readable
    std::size_t notMatched = 0;

    // The names to write, for RenamePrograms.
    std::vector<ProgramRename> Renames() const;
};

// The rule applied to the names of the programs, read in the charset. A
// program the database does not hold is left out.
RenamePlan PlanRename(const ChannelDatabase& db, std::span<const ProgramEntry> programs, const RenameRule& rule,
                      const NameCharset& charset);

} // namespace korvex
