#include "ui/bulk/ListCommands.h"

#include "ui/shell/AccessKeys.h"

#include "app/OpenImage.h"
#include "app/ProgramState.h"
#include "res/ResourceIds.h"
#include "text/ShownText.h"
#include "ui/bulk/CarryOverCommand.h"
#include "ui/bulk/CleanUpCommand.h"
#include "ui/list/EditActions.h"
#include "ui/list/KindSelection.h"
#include "ui/list/ListSelection.h"
#include "ui/bulk/RenameCommand.h"
#include "ui/bulk/TransponderUpdateCommand.h"
#include "ui/list/ListFilter.h"

#include <QAction>
#include <QLabel>
#include <QWidget>

namespace korvex {

ListCommands::ListCommands(ProgramState& state, Platform& platform, OpenImage& document, HistoryStep& step,
                           Parts parts, std::function<void(std::uint32_t tab)> showAllPrograms)
    : state_(state),
      document_(document),
      parts_(parts),
      showAllPrograms_(std::move(showAllPrograms)),
      carryOver_(std::make_unique<CarryOverCommand>(
          state, platform, document, step, parts.window,
          [this](const std::vector<std::uint64_t>& keys) { return SelectAmongAllPrograms(keys); })),
      rename_(std::make_unique<RenameCommand>(state, document, step, parts.window, *parts.list)),
      cleanUp_(std::make_unique<CleanUpCommand>(state, document, step, parts.window)),
      updateTransponders_(std::make_unique<TransponderUpdateCommand>(state, platform, document, step, parts.window))
{
}

ListCommands::~ListCommands() = default;

void ListCommands::Connect()
{
    EditActions& a = *parts_.actions;
    QWidget* context = parts_.window;
    QObject::connect(a.applyEarlier, &QAction::triggered, context, [this] { carryOver_->Run(); });
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

void ListCommands::TakeMenuCommands(std::unordered_map<int, QAction*>& commands)
{
    QWidget* context = parts_.window;
    if (const auto cleanUp = commands.find(res::ID_TOOLS_CLEANUP); cleanUp != commands.end()) {
        QObject::connect(cleanUp->second, &QAction::triggered, context, [this] { cleanUp_->Run(); });
        commands.erase(cleanUp);
    }
    if (const auto update = commands.find(res::ID_TOOLS_UPDATE_TPS); update != commands.end()) {
        updateTranspondersAction_ = update->second;
        QObject::connect(updateTranspondersAction_, &QAction::triggered, context, [this] { UpdateTransponders(); });
        commands.erase(update);
    }
    UpdateActions();
}

void ListCommands::UpdateActions()
{
    const QString noImage = document_.IsLoaded() ? QString() : QStringLiteral("Open an image first.");
    EditActions::Allow(parts_.actions->applyEarlier, noImage);
    EditActions::Allow(parts_.actions->rename, rename_->Refusal());
    if (updateTranspondersAction_)
        updateTranspondersAction_->setEnabled(document_.IsLoaded() &&
                                              state_.list().ListType == ListType::SatTransponders);
}

void ListCommands::UpdateTransponders()
{
    // Only while the tree has a satellite chosen, whatever sends the command.
    if (state_.list().ListType == ListType::SatTransponders)
        updateTransponders_->Run(*parts_.chosenSatellite);
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
    QString found = keys.empty() ? QStringLiteral("none found")
                                 : QStringLiteral("%1 found").arg(GroupedNumber(keys.size()));
    if (!keys.empty() && selected < keys.size())
        found += QStringLiteral(", %1 of them not shown").arg(GroupedNumber(keys.size() - selected));
    parts_.statusLine->setText(QStringLiteral("Selected %1 of the %2 shown: %3, %4.")
                                   .arg(GroupedNumber(selected),
                                        GroupedCountText(static_cast<std::size_t>(shown), "row", "rows"),
                                        WithoutAccessKey(kind), found));
}

std::size_t ListCommands::SelectAmongAllPrograms(const std::vector<std::uint64_t>& keys)
{
    if (!document_.IsLoaded() || keys.empty())
        return 0;
    // The programs are found in the list of all programs; under the TV tab it
    // leaves out radio and programs without video, so the other tab is taken
    // when it shows more of them.
    const ListState& list = state_.list();
    const auto shownUnder = [&](std::uint32_t tab) {
        if (list.ListType != ListType::AllPrograms || list.radioMode != tab)
            showAllPrograms_(tab);
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
