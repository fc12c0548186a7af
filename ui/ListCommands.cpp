#include "ui/ListCommands.h"

#include "ui/AccessKeys.h"

#include "app/OpenImage.h"
#include "app/ProgramState.h"
#include "ui/CarryOverCommand.h"
#include "ui/CleanUpCommand.h"
#include "ui/EditActions.h"
#include "ui/KindSelection.h"
#include "ui/ListFilter.h"
#include "ui/ListSelection.h"
#include "ui/RenameCommand.h"
#include "ui/TransponderUpdateCommand.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QWidget>

namespace korvex {

ListCommands::ListCommands(ProgramState& state, Platform& platform, OpenImage& document, Parts parts, Show show)
    : state_(state),
      document_(document),
      parts_(parts),
      show_(std::move(show)),
      carryOver_(std::make_unique<CarryOverCommand>(
          state, platform, document, parts.window, parts.statusLine,
          [this](const std::vector<std::uint64_t>& keys) { return ShowSelecting(keys); })),
      rename_(std::make_unique<RenameCommand>(state, document, parts.window, *parts.list, parts.statusLine,
                                              [this] { show_.imageAgain(); })),
      cleanUp_(std::make_unique<CleanUpCommand>(state, document, parts.window, parts.statusLine,
                                                [this] { show_.imageAgain(); })),
      updateTransponders_(std::make_unique<TransponderUpdateCommand>(state, platform, document, parts.window,
                                                                     parts.statusLine, [this] { show_.imageAgain(); }))
{
}

ListCommands::~ListCommands() = default;

void ListCommands::Connect()
{
    EditActions& a = *parts_.actions;
    QWidget* context = parts_.window;
    QObject::connect(a.applyEarlier, &QAction::triggered, context, [this] { ApplyEarlierList(); });
    QObject::connect(a.rename, &QAction::triggered, context, [this] { rename_->Run(); });
    for (std::size_t kind = 0; kind < a.selectKind.size(); ++kind)
        QObject::connect(a.selectKind[kind], &QAction::triggered, context, [this, kind, &a] {
            SelectKind(CleanUpKindKeys(state_.image(), state_.database(), static_cast<CleanUpKind>(kind)),
                       a.selectKind[kind]->text());
        });
    QObject::connect(a.selectLocked, &QAction::triggered, context,
                     [this, &a] { SelectKind(LockedKeys(state_.database()), a.selectLocked->text()); });
    for (std::size_t group = 0; group < a.selectGroup.size(); ++group)
        QObject::connect(a.selectGroup[group], &QAction::triggered, context, [this, group, &a] {
            SelectKind(GroupKeys(state_.database(), group), a.selectGroup[group]->text());
        });
}

void ListCommands::UpdateActions()
{
    EditActions::Allow(parts_.actions->rename, rename_->Refusal());
    if (updateTranspondersAction_)
        updateTranspondersAction_->setEnabled(document_.IsLoaded() &&
                                              state_.list().ListType == kListSatTransponders);
}

void ListCommands::SetUpdateTranspondersAction(QAction* action)
{
    updateTranspondersAction_ = action;
    UpdateActions();
}

void ListCommands::ApplyEarlierList() { carryOver_->Run(); }

void ListCommands::CleanUp() { cleanUp_->Run(); }

void ListCommands::UpdateTransponders(std::uint16_t satIndex)
{
    // Only while the tree has a satellite chosen, whatever sends the command.
    if (state_.list().ListType == kListSatTransponders)
        updateTransponders_->Run(satIndex);
}

void ListCommands::SelectKind(const std::vector<std::uint64_t>& keys, const QString& kind)
{
    if (!document_.IsLoaded())
        return;
    parts_.list->SelectKeys(keys);
    const std::size_t selected = parts_.list->Rows().size();
    const int shown = parts_.list->Filter()->rowCount();
    // How many rows were selected among how many shown, what was looked for
    // and how much of it the image holds: "Selected 0 of the 11 rows shown:
    // Duplicates, none found."
    const QLocale locale;
    QString found = keys.empty() ? QStringLiteral("none found")
                                 : QStringLiteral("%1 found").arg(locale.toString(qulonglong{keys.size()}));
    if (!keys.empty() && selected < keys.size())
        found += QStringLiteral(", %1 of them not shown").arg(locale.toString(qulonglong{keys.size() - selected}));
    parts_.statusLine->setText(QStringLiteral("Selected %1 of the %2 %3 shown: %4, %5.")
                                   .arg(locale.toString(qulonglong{selected}), locale.toString(shown),
                                        shown == 1 ? QStringLiteral("row") : QStringLiteral("rows"),
                                        WithoutAccessKey(kind), found));
}

std::size_t ListCommands::ShowSelecting(const std::vector<std::uint64_t>& keys)
{
    show_.imageAgain();
    if (!document_.IsLoaded() || keys.empty())
        return 0;
    // The programs are found in the list of all programs; under the TV tab it
    // leaves out radio and programs without video, so the other tab is taken
    // when it shows more of them.
    const ListState& list = state_.list();
    const auto shownUnder = [&](std::uint32_t tab) {
        if (list.ListType != kListAllPrograms || list.radioMode != tab)
            show_.allPrograms(tab);
        parts_.list->SelectKeys(keys);
        return parts_.list->Rows().size();
    };
    const std::uint32_t tab = list.radioMode;
    std::size_t selected = shownUnder(tab);
    if (selected < keys.size()) {
        if (const std::size_t there = shownUnder(1 - tab); there > selected)
            selected = there;
        else
            shownUnder(tab);
    }
    return selected;
}

} // namespace korvex
