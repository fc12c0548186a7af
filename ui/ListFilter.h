#pragma once
// The find field's filter over the channel list: only the rows whose name
// holds the typed text (case-insensitive), or, for a typed number, whose
// service ID, a PID, a frequency or a longitude equals it. A view concern:
// the list model and RowMap keep their rows; the view shows a subset.

#include "ui/ChannelListModel.h"

#include <QSortFilterProxyModel>

namespace korvex {

class ListFilter final : public QSortFilterProxyModel {
public:
    explicit ListFilter(ChannelListModel* source, QObject* parent = nullptr);

    void SetText(const QString& typed);
    bool Active() const { return !query_.foldedText.isEmpty(); }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    ChannelListModel* source_;
    ChannelListModel::Query query_;
};

} // namespace korvex
