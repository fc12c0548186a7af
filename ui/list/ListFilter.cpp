#include "ui/list/ListFilter.h"

namespace korvex {

ListFilter::ListFilter(ChannelListModel* source, QObject* parent) : QSortFilterProxyModel(parent), source_(source)
{
    setSourceModel(source);
    setDynamicSortFilter(true);
}

void ListFilter::SetText(const QString& typed)
{
    ChannelListModel::Query query = ChannelListModel::QueryFor(typed);
    if (query.foldedText == query_.foldedText)
        return;
    query_ = std::move(query);
    invalidateRowsFilter();
}

void ListFilter::SetChanges(unsigned kinds)
{
    if (kinds == changes_)
        return;
    changes_ = kinds;
    invalidateRowsFilter();
}

void ListFilter::FollowComparison(bool comparing)
{
    if (!comparing)
        SetChanges(0);
    // Sorting by column 0 asks lessThan, which orders by place; -1 gives the
    // model's own order back.
    sort(comparing ? 0 : -1);
}

bool ListFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    if (changes_ != 0 && (source_->RowChange(sourceRow) & changes_) == 0)
        return false;
    return source_->RowMatches(sourceRow, query_);
}

bool ListFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    return source_->RowPlace(left.row()) < source_->RowPlace(right.row());
}

} // namespace korvex
