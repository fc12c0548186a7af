#include "ui/list/FindField.h"

#include "app/ListState.h"
#include "ui/list/ListFilter.h"
#include "ui/list/ListSelection.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

#include <optional>

namespace korvex {

QString NoMatchText(const QString& typed, ListType listType)
{
    const QString kind = listType == ListType::Satellites        ? QStringLiteral("satellite")
                         : listType == ListType::SatTransponders ? QStringLiteral("transponder")
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
        if (const std::optional<int> first = list_.RecordRow(0))
            list_.Select({*first});
        return true;
    }
    default:
        return false;
    }
}

} // namespace korvex
