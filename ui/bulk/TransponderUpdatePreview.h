#pragma once
// The preview of a transponder update: the pairs that would change, old ->
// new frequency and symbol rate, each with a tick box (a record the write
// guard refuses is shown unticked, with the reason, and cannot be ticked);
// below them, on tabs, the satellite's transponders that the table lacks, the
// table's entries that pair with no transponder (a scan on the box adds those;
// Korvex changes only the transponders the image holds), and the entries no
// record can hold. Nothing is written while it is open; OK writes what is ticked.

#include "app/ModalDialog.h"
#include "db/TransponderUpdate.h"

#include <span>
#include <vector>

class QLabel;
class QPushButton;
class QTabWidget;
class QTableView;

namespace korvex {

class TransponderChangesModel;

class TransponderUpdatePreview final : public ModalDialog {
public:
    // heading: which satellite and which table, for people. The plan, the
    // database it was made from and the table's entries outlive the dialog.
    TransponderUpdatePreview(QWidget* owner, const QString& heading, const ChannelDatabase& db,
                             const TransponderUpdatePlan& plan, std::span<const TableEntry> entries);
    ~TransponderUpdatePreview() override;

    // The changes ticked: what OK writes.
    std::vector<TransponderChange> Ticked() const;
    void SetTicked(int row, bool ticked);

    bool OnInitDialog() override;

    QLabel* Heading() const { return heading_; }
    QTableView* Changes() const { return changes_; }
    QTabWidget* Lists() const { return lists_; }
    // The list on tab k: 0 not in the table, 1 not added, 2 not usable; and
    // the sentence above it.
    QTableView* List(int k) const;
    QString ListExplanation(int k) const;
    QLabel* Effect() const { return effect_; }
    QPushButton* OkButton() const { return ok_; }

private:
    void ShowEffect();

    const TransponderUpdatePlan& plan_;
    std::vector<bool> ticked_;
    QLabel* heading_;
    TransponderChangesModel* model_;
    QTableView* changes_;
    QTabWidget* lists_;
    QLabel* effect_;
    QPushButton* ok_;
};

} // namespace korvex
