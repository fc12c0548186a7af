#include "codepage/RenamePlan.h"

namespace korvex {

std::vector<ProgramRename> RenamePlan::Renames() const
{
    std::vector<ProgramRename> renames;
    renames.reserve(renamed);
    for (const Row& row : rows)
        if (row.rename.Changes())
            renames.push_back({row.program, row.rename.bytes});
    return renames;
}

RenamePlan PlanRename(const ChannelDatabase& db, std::span<const ProgramEntry> programs, const RenameRule& rule,
                      const NameCharset& charset)
{
    RenamePlan plan;
    const NameRenamer renamer(rule, charset, kNameBytes);
    plan.refusal = renamer.Problem().toStdString();
    plan.rows.reserve(programs.size());
    for (const ProgramEntry& program : programs) {
        const ProgRecord* prog = HeldProgram(db, program);
        if (!prog)
            continue;
        RenamePlan::Row& row = plan.rows.emplace_back(RenamePlan::Row{program, renamer.Rename(NameView(prog->progName))});
        switch (row.rename.result) {
        case RenameResult::NotMatched: ++plan.notMatched; break;
        case RenameResult::Cut: ++plan.cut; [[fallthrough]];
        case RenameResult::Renamed: ++plan.renamed; break;
        case RenameResult::TooLong:
        case RenameResult::Unstorable:
        case RenameResult::Unreadable: ++plan.leftUnchanged; break;
        }
    }
    return plan;
}

} // namespace korvex
