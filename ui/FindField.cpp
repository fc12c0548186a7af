#include "ui/FindField.h"

#include "app/ListState.h"

#include "ui/ListFilter.h"
#include "ui/ListSelection.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

namespace korvex {

QString NoMatchText(const QString& typed, std::uint32_t listType)
{
    const QString kind = listType == kListSatellites        ? QStringLiteral("satellite")
                         : listType == kListSatTransponders ? QStringLiteral("transponder")
                                                            : QStringLiteral("program");
    return QStringLiteral("No %1 matches %2.").arg(kind, typed);
}

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
