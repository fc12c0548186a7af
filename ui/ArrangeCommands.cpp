#include "ui/ArrangeCommands.h"

#include "app/OpenImage.h"
#include "app/Platform.h"
#include "ui/ChannelListModel.h"
#include "ui/EditActions.h"
#include "ui/ListFilter.h"
#include "ui/ListSelection.h"

#include <QAction>
#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QTableView>

#include <algorithm>
#include <initializer_list>
#include <optional>

namespace korvex {
namespace {

const QString kRowsMime = QStringLiteral("application/x-korvex-list-rows");

// The first reason that is not empty, or an empty one.
QString FirstOf(std::initializer_list<QString> reasons)
{
    for (const QString& reason : reasons)
        if (!reason.isEmpty())
            return reason;
    return QString();
}

} // namespace

ArrangeCommands::ArrangeCommands(ProgramState& state, Platform& platform, OpenImage& document, Parts parts,
                                 std::function<void()> showImageAgain)
    : state_(state),
      platform_(platform),
      document_(document),
      parts_(parts),
      showImageAgain_(std::move(showImageAgain)),
      arranger_(state)
{
}

void ArrangeCommands::Connect(std::function<void()> selectAll, std::function<void()> find)
{
    EditActions& a = *parts_.actions;
    QWidget* context = parts_.window;
    QObject::connect(a.undo, &QAction::triggered, context, [this] { Undo(); });
    QObject::connect(a.redo, &QAction::triggered, context, [this] { Redo(); });
    QObject::connect(a.moveUp, &QAction::triggered, context, [this] { MoveRows(-1); });
    QObject::connect(a.moveDown, &QAction::triggered, context, [this] { MoveRows(+1); });
    QObject::connect(a.moveTo, &QAction::triggered, context, [this] { MoveTo(); });
    QObject::connect(a.remove, &QAction::triggered, context, [this] { Delete(); });
    for (std::size_t k = 0; k < a.sortBy.size(); ++k)
        QObject::connect(a.sortBy[k], &QAction::triggered, context, [this, k] { Sort(EditActions::kSortKeys[k]); });
    for (std::size_t group = 0; group < a.joinGroup.size(); ++group) {
        const QString name = QString::fromLatin1(kFavouriteGroupNames[group].data(),
                                                 static_cast<qsizetype>(kFavouriteGroupNames[group].size()));
        QObject::connect(a.joinGroup[group], &QAction::triggered, context, [this, group, name] {
            ChangeFlags(JoinGroup(group), QStringLiteral("Added %1 to ") + name + QLatin1Char('.'),
                        QStringLiteral("Add to ") + name);
        });
        QObject::connect(a.leaveGroup[group], &QAction::triggered, context, [this, group, name] {
            ChangeFlags(LeaveGroup(group), QStringLiteral("Removed %1 from ") + name + QLatin1Char('.'),
                        QStringLiteral("Remove from ") + name);
        });
    }
    QObject::connect(a.lock, &QAction::triggered, context,
                     [this] { ChangeFlags(Lock(), QStringLiteral("Locked %1."), QStringLiteral("Lock")); });
    QObject::connect(a.unlock, &QAction::triggered, context,
                     [this] { ChangeFlags(Unlock(), QStringLiteral("Unlocked %1."), QStringLiteral("Unlock")); });
    QObject::connect(a.selectAll, &QAction::triggered, context, std::move(selectAll));
    QObject::connect(a.find, &QAction::triggered, context, std::move(find));
    UpdateActions();
}

bool ArrangeCommands::MayMove() const
{
    return arranger_.MoveRefusal(parts_.list->Filter()->Active()).isEmpty();
}

void ArrangeCommands::UpdateActions()
{
    EditActions& a = *parts_.actions;
    ImageHistory& history = state_.history();
    a.undo->setEnabled(history.CanUndo());
    a.undo->setText(history.CanUndo() ? QStringLiteral("&Undo ") + QString::fromStdString(history.UndoLabel())
                                      : QStringLiteral("&Undo"));
    a.redo->setEnabled(history.CanRedo());
    a.redo->setText(history.CanRedo() ? QStringLiteral("&Redo ") + QString::fromStdString(history.RedoLabel())
                                      : QStringLiteral("&Redo"));

    const bool loaded = document_.IsLoaded();
    const QString noImage = loaded ? QString() : QStringLiteral("Open an image first.");
    const QString noSelection = parts_.list->Any() ? QString() : QStringLiteral("Select rows first.");
    const QString moveRefusal = loaded ? arranger_.MoveRefusal(parts_.list->Filter()->Active()) : noImage;
    for (QAction* move : {a.moveUp, a.moveDown, a.moveTo})
        EditActions::Allow(move, FirstOf({moveRefusal, noSelection}));
    for (QAction* sort : a.sortBy)
        EditActions::Allow(sort, moveRefusal);
    const bool deletable = state_.list().ListType <= kListTpPrograms && state_.list().ListType != 3;
    EditActions::Allow(a.remove, FirstOf({noImage, noSelection,
                                          deletable ? QString() : QStringLiteral("Nothing to delete here.")}));
    const QString programsOnly =
        arranger_.ListsPrograms() ? QString() : QStringLiteral("Favourites and child lock are set on programs.");
    for (std::size_t group = 0; group < a.joinGroup.size(); ++group) {
        EditActions::Allow(a.joinGroup[group], FirstOf({noImage, programsOnly, noSelection}));
        EditActions::Allow(a.leaveGroup[group], FirstOf({noImage, programsOnly, noSelection}));
    }
    EditActions::Allow(a.applyEarlier, noImage);
    EditActions::Allow(a.lock, FirstOf({noImage, programsOnly, noSelection}));
    EditActions::Allow(a.unlock, FirstOf({noImage, programsOnly, noSelection}));
}

void ArrangeCommands::Run(const QString& label, const std::function<ArrangeReport()>& action)
{
    if (!document_.IsLoaded())
        return;
    document_.Begin();
    const ArrangeReport report = action();
    if (!report.changed) {
        // Whatever a refused action may have written is put back.
        document_.Revert();
        parts_.statusLine->setText(report.status);
        UpdateActions();
        return;
    }
    document_.Commit(label.toStdString());
    showImageAgain_();
    parts_.statusLine->setText(report.status);
}

void ArrangeCommands::Undo()
{
    if (parts_.findField->hasFocus()) {
        parts_.findField->undo();
        return;
    }
    ImageHistory& history = state_.history();
    const QString label = QString::fromStdString(history.UndoLabel());
    if (!history.Undo(state_.image()))
        return;
    showImageAgain_();
    parts_.statusLine->setText(QStringLiteral("Undid %1.").arg(label));
}

void ArrangeCommands::Redo()
{
    if (parts_.findField->hasFocus()) {
        parts_.findField->redo();
        return;
    }
    ImageHistory& history = state_.history();
    const QString label = QString::fromStdString(history.RedoLabel());
    if (!history.Redo(state_.image()))
        return;
    showImageAgain_();
    parts_.statusLine->setText(QStringLiteral("Redid %1.").arg(label));
}

void ArrangeCommands::MoveRows(int step)
{
    const std::vector<int> rows = parts_.list->Rows();
    if (rows.empty())
        return;
    Run(QStringLiteral("Move"), [&] { return arranger_.MoveByOne(rows, step); });
}

void ArrangeCommands::MoveTo()
{
    const std::vector<int> rows = parts_.list->Rows();
    if (rows.empty() || !MayMove())
        return;
    const int count = parts_.list->Model()->ListedRows();
    const std::optional<int> number = platform_.AskNumber(
        parts_.window, QStringLiteral("Move the selected programs so that the first stands at number:"),
        QStringLiteral("Move to"), rows.front() + 1, 1, std::max(count, 1));
    if (!number)
        return;
    Run(QStringLiteral("Move"), [&] { return arranger_.MoveTo(rows, *number); });
}

void ArrangeCommands::Delete()
{
    const std::vector<int> rows = parts_.list->Rows();
    if (rows.empty())
        return;
    Run(QStringLiteral("Delete"), [&] { return arranger_.Delete(rows); });
}

void ArrangeCommands::Sort(SortKey key)
{
    Run(QStringLiteral("Sort"), [&] { return arranger_.Sort(key); });
}

void ArrangeCommands::ChangeFlags(FlagChange change, const QString& done, const QString& label)
{
    const std::vector<int> rows = parts_.list->Rows();
    if (rows.empty() || !arranger_.ListsPrograms())
        return;
    Run(label, [&] { return arranger_.ChangeFlags(rows, change, done); });
}

void ArrangeCommands::RowsDropped(int beforeRow)
{
    const std::vector<int> rows = parts_.list->Rows();
    if (rows.empty())
        return;
    Run(QStringLiteral("Move"), [&] { return arranger_.MoveBefore(rows, beforeRow); });
}

int ArrangeCommands::DropTarget(const QModelIndex& shown) const
{
    // The source row of the first row at or below the drop that stands for a
    // record: a greyed row of a program gone since an earlier image does not.
    const ListFilter* filter = parts_.list->Filter();
    const int listed = parts_.list->Model()->ListedRows();
    for (int row = shown.isValid() ? shown.row() : filter->rowCount(); row < filter->rowCount(); ++row)
        if (const int source = filter->mapToSource(filter->index(row, 0)).row(); source < listed)
            return source;
    return listed;
}

bool ArrangeCommands::ListDragEvent(QEvent* event)
{
    QTableView* view = parts_.list->View();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton)
            dragStart_ = press->position().toPoint();
        return false;
    }
    case QEvent::MouseMove: {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (!(move->buttons() & Qt::LeftButton) ||
            (move->position().toPoint() - dragStart_).manhattanLength() < QApplication::startDragDistance() ||
            !view->selectionModel()->isRowSelected(view->indexAt(dragStart_).row()) || !MayMove())
            return false;
        auto* drag = new QDrag(view);
        auto* mime = new QMimeData;
        mime->setData(kRowsMime, QByteArray());
        drag->setMimeData(mime);
        drag->exec(Qt::MoveAction);
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (drag->mimeData()->hasFormat(kRowsMime) && drag->source() == view)
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()->hasFormat(kRowsMime) || drop->source() != view)
            return false;
        drop->acceptProposedAction();
        // The rows go before the row they are dropped on, or to the end
        // below the last row. The list is the table in entry order here.
        const QModelIndex at = view->indexAt(drop->position().toPoint());
        RowsDropped(DropTarget(at));
        return true;
    }
    default:
        return false;
    }
}

} // namespace korvex
