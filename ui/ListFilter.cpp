#include "ui/ListFilter.h"

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

bool ListFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    return source_->RowMatches(sourceRow, query_);
}

} // namespace korvex
