#pragma once
// The Edit menu's and the list context menu's commands that write the image:
// undo and redo, moving rows (by one, to a number, by dragging them), deleting,
// sorting, favourites and child lock; and which of them the list allows now.
// Each runs inside the open image's history bracket; after a change the
// window is asked to show the image again.

#include "ui/ListArranger.h"

#include <QModelIndex>
#include <QPoint>
#include <QString>

#include <functional>
#include <vector>

class QEvent;
class QLabel;
class QLineEdit;
class QWidget;

namespace korvex {

class EditActions;
class ListSelection;
class OpenImage;
class Platform;

class ArrangeCommands {
public:
    struct Parts {
        QWidget* window;         // owner of the questions asked
        EditActions* actions;
        ListSelection* list;
        QLineEdit* findField;    // undo and redo while it has the focus are its own
        QLabel* statusLine;
    };

    // showImageAgain: decodes the image again and shows it, keeping the
    // selected records selected.
    ArrangeCommands(ProgramState& state, Platform& platform, OpenImage& document, Parts parts,
                    std::function<void()> showImageAgain);

    // Connects every Edit action to its command; `selectAll` and `find` are
    // the window's.
    void Connect(std::function<void()> selectAll, std::function<void()> find);
    // Enables the actions for what the list shows and selects, each disabled
    // one with the reason.
    void UpdateActions();

    void Undo();
    void Redo();
    void MoveRows(int step);
    void MoveTo();
    void Delete();
    void Sort(SortKey key);
    // done: what the status line says ("Locked %1."); label: what Undo and
    // Redo name ("Lock").
    void ChangeFlags(FlagChange change, const QString& done, const QString& label);
    // The selected rows dropped on the list before the row `beforeRow` (the
    // row count: to the end).
    void RowsDropped(int beforeRow);

    // Dragging selected rows within the list (events of the list's viewport);
    // true when the event was taken.
    bool ListDragEvent(QEvent* event);
    // The source row a drop on this shown row goes before.
    int DropTarget(const QModelIndex& shown) const;

private:
    // Runs an action that writes the image inside the history bracket and,
    // when it changed the image, shows the image as it now stands.
    void Run(const QString& label, const std::function<ArrangeReport()>& action);
    bool MayMove() const;

    ProgramState& state_;
    Platform& platform_;
    OpenImage& document_;
    Parts parts_;
    std::function<void()> showImageAgain_;
    ListArranger arranger_;
    QPoint dragStart_;
};

} // namespace korvex
