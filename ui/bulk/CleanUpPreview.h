#pragma once
// The preview of a clean-up: each kind with its count and a tick box, and
// below them every record that would go, with its place, name, satellite,
// frequency and polarisation and the reason; a row can be unticked to keep
// its record. Nothing is written while it is open; every change of a tick
// plans again (Left empty is counted anew), so that OK deletes exactly what
// is shown.

#include "app/ModalDialog.h"
#include "codepage/NameCharset.h"
#include "db/CleanUp.h"

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;

namespace korvex {

class CleanUpListModel;

class CleanUpPreview final : public ModalDialog {
public:
    using Planner = std::function<CleanUpPlan(const CleanUpChoices&)>;

    // db: the database the plans are made from, which the rows describe.
    CleanUpPreview(QWidget* owner, const ChannelDatabase& db, const NameCharset& names, Planner planner);
    ~CleanUpPreview() override;

    // The plan shown last: what OK deletes.
    const CleanUpPlan& Plan() const { return plan_; }
    CleanUpChoices Choices() const;
    // Sets the ticks of the kinds and plans again.
    void SetKinds(const std::array<bool, kCleanUpKinds>& kinds);
    // Keeps the record of a listed row (ticked false) or lets it go again,
    // and plans again.
    void SetRowTicked(int row, bool ticked);

    bool OnInitDialog() override;

    QCheckBox* KindBox(CleanUpKind kind) const { return kinds_[KindIndex(kind)]; }
    QTableView* List() const { return list_; }
    QLabel* Effect() const { return effect_; }
    QPushButton* OkButton() const { return ok_; }

private:
    void PlanAgain();
    // The Reason column as wide as its widest text.
    void FitReasons();

    Planner planner_;
    CleanUpPlan plan_;
    std::vector<CleanUpRecord> kept_;
    std::array<QCheckBox*, kCleanUpKinds> kinds_{};
    CleanUpListModel* model_;
    QTableView* list_;
    QLabel* effect_;
    QPushButton* ok_;
};

} // namespace korvex
