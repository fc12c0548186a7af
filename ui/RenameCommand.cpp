#include "ui/RenameCommand.h"

#include "app/OpenImage.h"
#include "app/ProgramState.h"
#include "codepage/RenamePlan.h"
#include "ui/ListFilter.h"
#include "ui/ListSelection.h"
#include "ui/RenamePreview.h"

#include <QLabel>
#include <QLocale>

namespace korvex {
namespace {

QString CountedPrograms(std::size_t n)
{
    return QStringLiteral("%1 %2").arg(QLocale().toString(qulonglong{n}),
                                       n == 1 ? QStringLiteral("program") : QStringLiteral("programs"));
}

} // namespace

RenameCommand::RenameCommand(ProgramState& state, OpenImage& document, QWidget* window, ListSelection& list,
                             QLabel* statusLine, std::function<void()> showImageAgain)
    : state_(state),
      document_(document),
      window_(window),
      list_(list),
      statusLine_(statusLine),
      showImageAgain_(std::move(showImageAgain)),
      arranger_(state)
{
}

QString RenameCommand::Refusal() const
{
    if (!document_.IsLoaded())
        return QStringLiteral("Open an image first.");
    if (!arranger_.ListsPrograms())
        return QStringLiteral("Renaming works on programs: choose AllPrograms or a transponder.");
    if (list_.Filter()->rowCount() == 0)
        return QStringLiteral("The list shows no programs.");
    return {};
}

std::vector<ProgramEntry> RenameCommand::Programs() const
{
    std::vector<int> rows = list_.Rows();
    if (rows.empty()) {
        // Every row the find field lets the list show, in the list's order.
        const ListFilter& filter = *list_.Filter();
        rows.reserve(static_cast<std::size_t>(filter.rowCount()));
        for (int shown = 0; shown < filter.rowCount(); ++shown)
            rows.push_back(filter.mapToSource(filter.index(shown, 0)).row());
    }
    return arranger_.ProgramsOf(rows);
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
    document_.Begin();
    const ChangeOutcome outcome = RenamePrograms(state_.image(), state_.database(), plan.Renames());
    if (!outcome.done) {
        document_.Revert();
        statusLine_->setText(NotChangedText(outcome.refusal));
        return;
    }
    document_.Commit("Rename");
    showImageAgain_();
    QString status = QStringLiteral("Renamed %1").arg(CountedPrograms(plan.renamed));
    if (plan.leftUnchanged > 0)
        status += QStringLiteral("; %1 left unchanged").arg(QLocale().toString(qulonglong{plan.leftUnchanged}));
    statusLine_->setText(status + QLatin1Char('.'));
}

} // namespace korvex
