#include "ui/ListSelection.h"

#include "ui/ChannelListModel.h"
#include "ui/ListFilter.h"

#include <QItemSelection>
#include <QTableView>

#include <algorithm>
#include <set>

namespace korvex {

std::optional<int> ListSelection::RecordRow(int shownRow) const
{
    // The model lists the records' rows first and the greyed rows of programs
    // gone since an earlier image after them.
    const int source = filter_->mapToSource(filter_->index(shownRow, 0)).row();
    if (source < 0 || source >= model_->ListedRows())
        return std::nullopt;
    return source;
}

std::vector<int> ListSelection::Rows() const
{
    // The view selects whole rows; its ranges are read directly, since asking
    // row by row whether a row is selected costs a walk over every range.
    // A range over the whole list also spans greyed rows.
    std::vector<int> rows;
    for (const QItemSelectionRange& range : view_->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            if (const std::optional<int> source = RecordRow(row))
                rows.push_back(*source);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::vector<int> ListSelection::RowsOrAllShown() const
{
    std::vector<int> rows = Rows();
    if (!rows.empty())
        return rows;
    for (int row = 0; row < filter_->rowCount(); ++row)
        if (const std::optional<int> source = RecordRow(row))
            rows.push_back(*source);
    return rows;
}

void ListSelection::Select(const std::vector<int>& rows)
{
    // Rows that follow each other in the view make one range.
    std::vector<int> shownRows;
    for (const int row : rows) {
        const QModelIndex shown = filter_->mapFromSource(model_->index(row, 0));
        if (shown.isValid())
            shownRows.push_back(shown.row());
    }
    std::sort(shownRows.begin(), shownRows.end());
    QItemSelection selection;
    const int lastColumn = std::max(filter_->columnCount() - 1, 0);
    for (std::size_t i = 0; i < shownRows.size();) {
        std::size_t j = i;
        while (j + 1 < shownRows.size() && shownRows[j + 1] == shownRows[j] + 1)
            ++j;
        selection.append(QItemSelectionRange(filter_->index(shownRows[i], 0),
                                             filter_->index(shownRows[j], lastColumn)));
        i = j + 1;
    }
    view_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!rows.empty()) {
        const QModelIndex first = filter_->mapFromSource(model_->index(rows.front(), 0));
        view_->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
        view_->scrollTo(first);
    }
}

std::vector<std::uint64_t> ListSelection::Keys() const
{
    std::vector<std::uint64_t> keys;
    for (const int row : Rows())
        keys.push_back(model_->RowKey(row));
    return keys;
}

void ListSelection::SelectKeys(const std::vector<std::uint64_t>& keys)
{
    std::vector<int> rows;
    const std::set<std::uint64_t> wanted(keys.begin(), keys.end());
    for (int row = 0; row < model_->rowCount(); ++row)
        if (wanted.contains(model_->RowKey(row)))
            rows.push_back(row);
    Select(rows);
}

bool ListSelection::Any() const
{
    return view_->selectionModel() && view_->selectionModel()->hasSelection();
}

} // namespace korvex
