#pragma once
// The find field's filter over the channel list: only the rows whose name
// holds the typed text (case-insensitive), or, for a typed number, whose
// service ID, a PID, a frequency or a longitude equals it. A view concern:
// the list model and RowMap keep their rows; the view shows a subset.

#include "ui/list/ChannelListModel.h"

#include <QSortFilterProxyModel>

namespace korvex {

class ListFilter final : public QSortFilterProxyModel {
public:
    explicit ListFilter(ChannelListModel* source, QObject* parent = nullptr);

    void SetText(const QString& typed);
    // True while the view shows only some of the rows: by the find field, or
    // by a kind of change while comparing.
    bool Active() const { return !query_.foldedText.isEmpty() || changes_ != 0; }

    // While comparing: only the rows with one of these kinds of change
    // (ChangeKind bits; 0 shows every row), and each row in its place, the
    // rows of gone programs among the others. Not comparing: the model's order.
    void SetChanges(unsigned kinds);
    void FollowComparison(bool comparing);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    ChannelListModel* source_;
    ChannelListModel::Query query_;
    unsigned changes_ = 0;
};

} // namespace korvex
