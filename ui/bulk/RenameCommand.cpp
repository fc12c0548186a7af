#include "ui/bulk/RenameCommand.h"

#include "app/OpenImage.h"
#include "app/ProgramState.h"
#include "codepage/RenamePlan.h"
#include "text/ShownText.h"
#include "ui/list/HistoryStep.h"
#include "ui/list/ListSelection.h"
#include "ui/bulk/RenamePreview.h"

namespace korvex {

RenameCommand::RenameCommand(ProgramState& state, OpenImage& document, HistoryStep& step, QWidget* window,
                             ListSelection& list)
    : state_(state), document_(document), step_(step), window_(window), list_(list), arranger_(state)
{
}

QString RenameCommand::Refusal() const
{
    if (!document_.IsLoaded())
        return QStringLiteral("Open an image first.");
    if (!arranger_.ListsPrograms())
        return QStringLiteral("Renaming works on programs: choose AllPrograms or a transponder.");
    if (list_.RowsOrAllShown().empty())
        return QStringLiteral("The list shows no programs.");
    return {};
}

std::vector<ProgramEntry> RenameCommand::Programs() const
{
    return arranger_.ProgramsOf(list_.RowsOrAllShown());
}

void RenameCommand::Run()
{
    if (!Refusal().isEmpty())
        return;
    const std::vector<ProgramEntry> programs = Programs();
    const NameCharset charset = state_.nameCharset().charset;
    RenamePreview preview(window_, state_.database(), [&](const RenameRule& rule) {
        return PlanRename(state_.database(), programs, rule, charset);
    });
    if (preview.DoModal() != QDialog::Accepted)
        return;
    Apply(preview.Plan());
}

void RenameCommand::Apply(const RenamePlan& plan)
{
    if (!plan.refusal.empty() || plan.renamed == 0)
        return;
    step_.Run(
        QStringLiteral("Rename"), [&] { return RenamePrograms(state_.image(), state_.database(), plan.Renames()); },
        [&](const ChangeOutcome&) {
            QString status = QStringLiteral("Renamed %1").arg(GroupedCountText(plan.renamed, "program", "programs"));
            if (plan.leftUnchanged > 0)
                status += QStringLiteral("; %1 left unchanged").arg(GroupedNumber(plan.leftUnchanged));
            return status + QLatin1Char('.');
        });
}

} // namespace korvex
