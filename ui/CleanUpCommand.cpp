#include "ui/CleanUpCommand.h"

#include "app/OpenImage.h"
#include "app/ProgramState.h"
#include "db/CleanUp.h"
#include "ui/CleanUpPreview.h"
#include "ui/RecordNames.h"
#include "ui/ListArranger.h"

#include <QLabel>

namespace korvex {

CleanUpCommand::CleanUpCommand(ProgramState& state, OpenImage& document, QWidget* window, QLabel* statusLine,
                               std::function<void()> showImageAgain)
    : state_(state), document_(document), window_(window), statusLine_(statusLine),
      showImageAgain_(std::move(showImageAgain))
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
    document_.Begin();
    const ChangeOutcome outcome = ApplyCleanUp(state_.image(), state_.database(), plan);
    if (!outcome.done) {
        document_.Revert();
        statusLine_->setText(NotChangedText(outcome.refusal));
        return;
    }
    document_.Commit("Clean up");
    showImageAgain_();
    const QString deleted = RecordCounts(outcome.removed);
    statusLine_->setText(deleted.isEmpty() ? QStringLiteral("Clean up: nothing to delete.")
                                           : QStringLiteral("Cleaned up: deleted %1.").arg(deleted));
}

} // namespace korvex
