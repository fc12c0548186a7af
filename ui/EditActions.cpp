#include "ui/EditActions.h"

#include "db/ChannelDatabase.h"
#include "db/CleanUp.h"

#include "ui/AccessKeys.h"

#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>

namespace korvex {
namespace {

QAction* Make(QWidget* owner, const QString& text, const QList<QKeySequence>& keys = {},
              Qt::ShortcutContext context = Qt::WindowShortcut)
{
    auto* action = new QAction(text, owner);
    action->setShortcuts(keys);
    action->setShortcutContext(context);
    owner->addAction(action);
    return action;
}

} // namespace

EditActions::EditActions(QWidget* window, QWidget* rowKeys) : QObject(window), menu_(new QMenu(QStringLiteral("Edit"), window))
{
    undo = Make(window, QStringLiteral("&Undo"), {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    redo = Make(window, QStringLiteral("&Redo"),
                {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    moveUp = Make(rowKeys, QStringLiteral("Move up"), {QKeySequence(Qt::CTRL | Qt::Key_Up)}, Qt::WidgetShortcut);
    moveDown = Make(rowKeys, QStringLiteral("Move down"), {QKeySequence(Qt::CTRL | Qt::Key_Down)}, Qt::WidgetShortcut);
    moveTo = Make(window, QStringLiteral("Move to…"));
    remove = Make(rowKeys, QStringLiteral("Delete"), {QKeySequence(Qt::Key_Delete)}, Qt::WidgetShortcut);
    rename = Make(window, QStringLiteral("Rename…"));
    lock = Make(window, QStringLiteral("Lock"));
    unlock = Make(window, QStringLiteral("Unlock"));
    selectAll = Make(rowKeys, QStringLiteral("Select all"), {QKeySequence(Qt::CTRL | Qt::Key_A)}, Qt::WidgetShortcut);
    find = Make(window, QStringLiteral("Find"), {QKeySequence(Qt::CTRL | Qt::Key_F)});
    applyEarlier = Make(window, QStringLiteral("Apply an earlier list…"));

    menu_->setToolTipsVisible(true);
    menu_->addAction(undo);
    menu_->addAction(redo);
    menu_->addSeparator();
    menu_->addAction(moveUp);
    menu_->addAction(moveDown);
    menu_->addAction(moveTo);
    menu_->addAction(remove);
    menu_->addAction(rename);
    QMenu* sort = menu_->addMenu(QStringLiteral("Sort"));
    sort->setToolTipsVisible(true);
    const QString sortTexts[] = {QStringLiteral("By name"), QStringLiteral("By service ID"),
                                 QStringLiteral("By satellite, transponder and name")};
    for (std::size_t k = 0; k < sortBy.size(); ++k) {
        sortBy[k] = Make(window, sortTexts[k]);
        sort->addAction(sortBy[k]);
    }
    menu_->addSeparator();
    QMenu* favourites = menu_->addMenu(QStringLiteral("Favourites"));
    for (std::size_t group = 0; group < kFavouriteGroupNames.size(); ++group) {
        const QString name = QString::fromLatin1(kFavouriteGroupNames[group].data(),
                                                 static_cast<qsizetype>(kFavouriteGroupNames[group].size()));
        QMenu* groupMenu = favourites->addMenu(name);
        groupMenu->setToolTipsVisible(true);
        joinGroup[group] = Make(window, QStringLiteral("Add"));
        leaveGroup[group] = Make(window, QStringLiteral("Remove"));
        groupMenu->addAction(joinGroup[group]);
        groupMenu->addAction(leaveGroup[group]);
    }
    menu_->addAction(lock);
    menu_->addAction(unlock);
    menu_->addSeparator();
    menu_->addAction(selectAll);
    QMenu* select = menu_->addMenu(QStringLiteral("Select"));
    for (std::size_t kind = 0; kind < selectKind.size(); ++kind) {
        const std::string_view name = CleanUpKindName(static_cast<CleanUpKind>(kind));
        selectKind[kind] = Make(window, QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
        select->addAction(selectKind[kind]);
    }
    selectLocked = Make(window, QStringLiteral("Locked"));
    select->addAction(selectLocked);
    select->addSeparator();
    for (std::size_t group = 0; group < selectGroup.size(); ++group) {
        selectGroup[group] = Make(window, QString::fromLatin1(kFavouriteGroupNames[group].data(),
                                                              static_cast<qsizetype>(kFavouriteGroupNames[group].size())));
        select->addAction(selectGroup[group]);
    }
    menu_->addAction(find);
    menu_->addSeparator();
    menu_->addAction(applyEarlier);
}

void EditActions::Allow(QAction* action, const QString& refusal)
{
    action->setEnabled(refusal.isEmpty());
    action->setToolTip(refusal.isEmpty() ? WithoutAccessKey(action->text()) : refusal);
}

QString EditActions::KeyRefusal(const QKeyEvent& event) const
{
    const QKeySequence pressed(event.keyCombination());
    for (const QAction* action : {moveUp, moveDown, remove}) {
        if (!action->isEnabled() && action->shortcuts().contains(pressed))
            return action->toolTip();
    }
    return {};
}

} // namespace korvex
