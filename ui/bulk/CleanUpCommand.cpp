#include "ui/bulk/CleanUpCommand.h"

#include "app/OpenImage.h"
#include "app/ProgramState.h"
#include "db/CleanUp.h"
#include "text/ShownText.h"
#include "ui/bulk/CleanUpPreview.h"
#include "ui/list/HistoryStep.h"

namespace korvex {

CleanUpCommand::CleanUpCommand(ProgramState& state, OpenImage& document, HistoryStep& step, QWidget* window)
    : state_(state), document_(document), step_(step), window_(window)
{
}

void CleanUpCommand::Run()
{
    if (!document_.IsLoaded())
        return;
    const CleanUpAnalysis analysis = AnalyseCleanUp(state_.database());
    CleanUpPreview preview(window_, state_.database(), state_.nameCharset().charset,
                           [&](const CleanUpChoices& choices) {
                               return PlanCleanUp(state_.image(), state_.database(), analysis, choices);
                           });
    if (preview.DoModal() != QDialog::Accepted)
        return;
    Apply(preview.Plan());
}

void CleanUpCommand::Apply(const CleanUpPlan& plan)
{
    step_.Run(
        QStringLiteral("Clean up"), [&] { return ApplyCleanUp(state_.image(), state_.database(), plan); },
        [](const ChangeOutcome& outcome) {
            const QString deleted = RecordCountsText(outcome.removed, GroupedCountText);
            return deleted.isEmpty() ? QStringLiteral("Clean up: nothing to delete.")
                                     : QStringLiteral("Cleaned up: deleted %1.").arg(deleted);
        });
}

} // namespace korvex
