#pragma once
// Edit → "Rename…": find and replace in the names of the programs chosen,
// with a preview of every name before and after. Names that would not fit
// their 12 bytes, that the charset cannot hold, or whose bytes it cannot
// read are marked and left as they were; "Cut to 12 bytes" cuts the names
// too long instead. Nothing is written while it is open; every change of the
// rule plans again, so that OK writes exactly the names shown.

#include "app/ModalDialog.h"
#include "codepage/RenamePlan.h"

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace korvex {

class RenameRowsModel;

class RenamePreview final : public ModalDialog {
public:
    using Planner = std::function<RenamePlan(const RenameRule&)>;

    // db: the database the programs are of, which numbers them as the list
    // does; it outlives the dialog.
    RenamePreview(QWidget* owner, const ChannelDatabase& db, Planner planner);
    ~RenamePreview() override;

    // The plan shown last: what OK writes.
    const RenamePlan& Plan() const { return plan_; }
    RenameRule Rule() const;
    // Sets the rule into the controls and plans again.
    void SetRule(const RenameRule& rule);

    bool OnInitDialog() override;

    QPushButton* OkButton() const { return ok_; }
    QTableView* Rows() const { return rows_; }
    QLabel* Effect() const { return effect_; }

private:
    void PlanAgain();

    Planner planner_;
    RenamePlan plan_;
    QLineEdit* find_;
    QLineEdit* replace_;
    QCheckBox* regex_;
    QCheckBox* cut_;
    QLabel* counts_;
    QTableView* rows_;
    RenameRowsModel* model_;
    QLabel* effect_;
    QPushButton* ok_;
};

} // namespace korvex
