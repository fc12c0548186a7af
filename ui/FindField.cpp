#include "ui/FindField.h"

#include "ui/ListFilter.h"
#include "ui/ListSelection.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

namespace korvex {

void FindField::Focus()
{
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
}

bool FindField::Key(const QKeyEvent& event)
{
    QTableView* view = list_.View();
    switch (event.key()) {
    case Qt::Key_Escape:
        // Clears the text, or leaves an empty field for the list; it never
        // ends the program.
        if (!field_->text().isEmpty())
            field_->clear();
        else
            view->setFocus(Qt::OtherFocusReason);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        view->setFocus(Qt::OtherFocusReason);
        const ListFilter& filter = *list_.Filter();
        if (filter.rowCount() > 0)
            list_.Select({filter.mapToSource(filter.index(0, 0)).row()});
        return true;
    }
    default:
        return false;
    }
}

} // namespace korvex
