#include "ui/RenameCommand.h"

#include "app/OpenImage.h"
#include "app/ProgramState.h"
#include "codepage/RenamePlan.h"
#include "ui/HistoryStep.h"
#include "ui/ListSelection.h"
#include "ui/RenamePreview.h"

#include <QLocale>

namespace korvex {
namespace {

QString CountedPrograms(std::size_t n)
{
    return QStringLiteral("%1 %2").arg(QLocale().toString(qulonglong{n}),
                                       n == 1 ? QStringLiteral("program") : QStringLiteral("programs"));
}

} // namespace

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
    RenamePreview preview(window_, [&](const RenameRule& rule) {
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
            QString status = QStringLiteral("Renamed %1").arg(CountedPrograms(plan.renamed));
            if (plan.leftUnchanged > 0)
                status += QStringLiteral("; %1 left unchanged").arg(QLocale().toString(qulonglong{plan.leftUnchanged}));
            return status + QLatin1Char('.');
        });
}

} // namespace korvex
