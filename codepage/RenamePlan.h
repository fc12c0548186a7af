#pragma once
// What a find-and-replace rule does to the names of the programs chosen: every
// program's name before and after, which are renamed, and which are left as
// they were and why. The window's preview and korvex-cli's report show it, and
// what they show is what is written (RenamePrograms takes its renames).
//
// It lives beside the renaming rules because it reads the names through them;
// it takes the records from db/, so this library stands on both.

#include "codepage/NameRename.h"
#include "db/Rename.h"

#include <span>
#include <string>
#include <vector>

namespace korvex {

struct RenamePlan {
    struct Row {
        ProgramEntry program;
        NameRename rename;
    };

    std::vector<Row> rows;  // one for each program, in the order given
    std::string refusal;    // why the rule cannot be used, for people; nothing is renamed then
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
