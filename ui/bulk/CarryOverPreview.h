#pragma once
// The preview of carrying an earlier list over to the open image: how many
// programs matched and how, which programs of the open image are not matched
// and which earlier programs are no longer received, the choices of what is
// carried over, the names that change, and what OK will write. Nothing is written while it is open;
// every change of a choice plans again, so that OK writes exactly the plan
// shown.

#include "app/ModalDialog.h"
#include "codepage/NameCharset.h"
#include "db/CarryOver.h"

#include <functional>

class QAbstractItemModel;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace korvex {

template <typename Item>
class ProgramRowsModel;

class CarryOverPreview final : public ModalDialog {
public:
    using Planner = std::function<CarryOverPlan(const CarryOverChoices&)>;

    // earlierName: the earlier file as the user knows it; current and
    // earlier: the two databases, which outlive the dialog; currentNames and
    // earlierNames: the charsets each image's names are read in.
    CarryOverPreview(QWidget* owner, const QString& earlierName, const ChannelDatabase& current,
                     const ChannelDatabase& earlier, const NameCharset& currentNames, const NameCharset& earlierNames,
                     Planner planner);
    ~CarryOverPreview() override;

    // The plan shown last: what OK writes.
    const CarryOverPlan& Plan() const { return plan_; }
    CarryOverChoices Choices() const;
    // Sets the choices and plans again.
    void SetChoices(const CarryOverChoices& choices);

    bool OnInitDialog() override;

    QPushButton* OkButton() const { return ok_; }
    // The tabs: 0 not matched, 1 no longer received, 2 the names that change
    // (shown while Names is ticked).
    QTabWidget* Lists() const { return lists_; }
    QAbstractItemModel* List(int k) const;

private:
    void PlanAgain();

    Planner planner_;
    CarryOverPlan plan_;
    QLabel* counts_;
    QCheckBox* order_;
    QCheckBox* favourites_;
    QCheckBox* lock_;
    QCheckBox* names_;
    QRadioButton* keep_;
    QRadioButton* delete_;
    QTabWidget* lists_;
    ProgramRowsModel<ProgramListing>* unmatched_;
    ProgramRowsModel<ProgramListing>* notFound_;
    ProgramRowsModel<NameCarry>* renamed_;
    QLabel* effect_;
    QPushButton* ok_;
};

} // namespace korvex
