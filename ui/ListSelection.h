#pragma once
// The channel list as the window shows it: the view, the find filter between
// it and the model, and which of the model's rows (as RowMap counts them) are
// selected. Rows are always spoken of by their source row, whatever the find
// field hides. While comparing, the list also shows greyed rows of programs
// only the earlier file holds: they stand for no record of the open image, so
// no command ever gets one of them as a row to work on.

#include <cstdint>
#include <optional>
#include <vector>

class QTableView;

namespace korvex {

class ChannelListModel;
class ListFilter;

class ListSelection {
public:
    ListSelection(QTableView* view, ListFilter* filter, ChannelListModel* model)
        : view_(view), filter_(filter), model_(model) {}

    QTableView* View() const { return view_; }
    ListFilter* Filter() const { return filter_; }
    ChannelListModel* Model() const { return model_; }

    // The selected source rows, in ascending order.
    std::vector<int> Rows() const;
    // The rows a command on the list's programs works on: the selected ones,
    // or, when none is, every row the list shows, in the list's order.
    std::vector<int> RowsOrAllShown() const;
    // The source row the row shown at shownRow stands for, unless it is a
    // greyed row.
    std::optional<int> RecordRow(int shownRow) const;
    // Selects the rows with these source-row numbers (those the filter shows),
    // puts the keyboard cursor on the first and scrolls it into view.
    void Select(const std::vector<int>& rows);
    // The records of the selected rows by their places in the image, which
    // outlive a refill of the list (rows do not).
    std::vector<std::uint64_t> Keys() const;
    // Selects the rows of these records where the list now shows them.
    void SelectKeys(const std::vector<std::uint64_t>& keys);
    // True while some row is selected.
    bool Any() const;

private:
    QTableView* view_;
    ListFilter* filter_;
    ChannelListModel* model_;
};

} // namespace korvex
