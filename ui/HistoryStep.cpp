#include "ui/HistoryStep.h"

#include "app/OpenImage.h"
#include "app/ProgramState.h"

#include <QLabel>

namespace korvex {

QString NotChangedText(const std::string& refusal)
{
    // The guard's reasons are whole sentences; the arranging code's own are
    // not.
    QString reason = QString::fromStdString(refusal);
    if (!reason.endsWith(QLatin1Char('.')))
        reason += QLatin1Char('.');
    return QStringLiteral("Not changed: %1").arg(reason);
}

HistoryStep::HistoryStep(ProgramState& state, OpenImage& document, QLabel* statusLine,
                         std::function<void()> showImageAgain)
    : state_(state), document_(document), statusLine_(statusLine), showImageAgain_(std::move(showImageAgain))
{
}

bool HistoryStep::Run(const QString& label, const std::function<ChangeReport()>& change,
                      const std::function<QString()>& said)
{
    if (!document_.IsLoaded())
        return false;
    document_.Begin();
    const ChangeReport report = change();
    if (!report.changed) {
        // Whatever a refused change may have written is put back.
        document_.Revert();
        statusLine_->setText(report.status);
        return false;
    }
    document_.Commit(label.toStdString());
    showImageAgain_();
    statusLine_->setText(said ? said() : report.status);
    return true;
}

bool HistoryStep::Run(const QString& label, const std::function<ChangeOutcome()>& write,
                      const std::function<QString(const ChangeOutcome&)>& said)
{
    ChangeOutcome outcome;
    return Run(
        label,
        [&] {
            outcome = write();
            return outcome.done ? ChangeReport{true, {}} : ChangeReport{false, NotChangedText(outcome.refusal)};
        },
        [&] { return said(outcome); });
}

void HistoryStep::Undo()
{
    ImageHistory& history = state_.history();
    const QString label = QString::fromStdString(history.UndoLabel());
    if (!history.Undo(state_.image()))
        return;
    showImageAgain_();
    statusLine_->setText(QStringLiteral("Undid %1.").arg(label));
}

void HistoryStep::Redo()
{
    ImageHistory& history = state_.history();
    const QString label = QString::fromStdString(history.RedoLabel());
    if (!history.Redo(state_.image()))
        return;
    showImageAgain_();
    statusLine_->setText(QStringLiteral("Redid %1.").arg(label));
}

} // namespace korvex
