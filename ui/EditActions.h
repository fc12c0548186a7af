#pragma once
// The "Edit" menu's actions, also offered by the list's context menu: undo
// and redo, moving, deleting and sorting rows, favourites and child lock for
// the selected programs, selecting every row shown, finding a channel and
// applying an earlier list.
// Each action only signals; the window decides and runs it.

#include "db/Arrange.h"

#include <QObject>

#include <array>
#include <functional>

class QAction;
class QKeyEvent;
class QMenu;
class QWidget;

namespace korvex {

class EditActions final : public QObject {
public:
    // rowKeys: the widget whose focus the row keys (Delete, Ctrl+Up/Down,
    // Ctrl+A) need; window: where the other shortcuts live.
    EditActions(QWidget* window, QWidget* rowKeys);

    QAction* undo;
    QAction* redo;
    QAction* moveUp;
    QAction* moveDown;
    QAction* moveTo;
    QAction* remove;
    QAction* rename;  // the selected programs, or all shown, by find and replace
    std::array<QAction*, 3> sortBy{};  // by name, service ID, satellite
    std::array<QAction*, 6> joinGroup{};
    std::array<QAction*, 6> leaveGroup{};
    QAction* lock;
    QAction* unlock;
    QAction* selectAll;
    QAction* find;
    QAction* applyEarlier;  // carry an earlier list's order, favourites and locks over
    // Select: the rows of a kind, as Tools → "Clean up…" finds them (by
    // CleanUpKind), the locked programs and each favourite group's.
    std::array<QAction*, 5> selectKind{};
    QAction* selectLocked;
    std::array<QAction*, 6> selectGroup{};

    static constexpr std::array<SortKey, 3> kSortKeys{SortKey::Name, SortKey::ServiceId, SortKey::Satellite};

    // The whole menu, for the menu bar and, as it is, for the context menu.
    QMenu* Menu() const { return menu_; }

    // Enables or disables every action that changes rows, with the reason as
    // its tool tip while it is disabled.
    static void Allow(QAction* action, const QString& refusal);

    // Why the row key pressed does nothing now (the reason its action is
    // disabled), or an empty text when it is no row key or its action runs.
    QString KeyRefusal(const QKeyEvent& event) const;

private:
    QMenu* menu_;
};

} // namespace korvex
