#include "ui/bulk/RenamePreview.h"

#include "text/ShownText.h"
#include "ui/bulk/PreviewFooter.h"
#include "ui/list/RecordNames.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QCheckBox>
#include <QColor>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace korvex {

// The plan's rows, one a program: the program as the list names it ("TV 3"),
// name, new name, and what happens to it. Cells are made when drawn, so
// thousands of rows show at once.
class RenameRowsModel final : public QAbstractTableModel {
public:
    RenameRowsModel(const ChannelDatabase& db, QObject* parent)
        : QAbstractTableModel(parent), numbers_(db, NameCharset(LocaleCharset()))
    {
    }

    enum Column { kProgram, kName, kNewName, kNote, kColumns };

    void SetPlan(const RenamePlan* plan)
    {
        beginResetModel();
        plan_ = plan;
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !plan_ ? 0 : static_cast<int>(plan_->rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kColumns; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || !plan_)
            return {};
        const RenamePlan::Row& row = plan_->rows[static_cast<std::size_t>(index.row())];
        const NameRename& rename = row.rename;
        const bool left = !rename.Changes() && rename.result != RenameResult::NotMatched;
        if (role == Qt::ForegroundRole && left)
            return QBrush(QColor(0xB0, 0x00, 0x00));
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case kProgram: return numbers_.ProgramText(row.program.table, row.program.position);
        case kName: return rename.before;
        case kNewName: return rename.result == RenameResult::NotMatched ? QString() : rename.after;
        case kNote:
            if (rename.result == RenameResult::Cut)
                return QStringLiteral("cut to %1 bytes").arg(kNameBytes);
            if (left)
                return QStringLiteral("left unchanged: ") + LeftUnchangedText(rename, kNameBytes);
            return {};
        default: return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QString titles[] = {QStringLiteral("Program"), QStringLiteral("Name"), QStringLiteral("New name"),
                                         QString()};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumns)
            return {};
        return titles[section];
    }

private:
    RecordNames numbers_;
    const RenamePlan* plan_ = nullptr;
};

namespace {

QString CountsText(const RenamePlan& plan)
{
    QString text = GroupedCountText(plan.rows.size(), "program", "programs") + QStringLiteral(": ") +
                   QStringLiteral("%1 renamed").arg(GroupedNumber(plan.renamed));
    if (plan.cut > 0)
        text += QStringLiteral(" (%1 cut)").arg(GroupedNumber(plan.cut));
    return text + QStringLiteral(", %1 left unchanged, %2 not matched.")
                      .arg(GroupedNumber(plan.leftUnchanged),
                           GroupedNumber(plan.notMatched));
}

// What OK will write, in one sentence.
QString EffectText(const RenamePlan& plan, const RenameRule& rule)
{
    if (rule.find.isEmpty())
        return QStringLiteral("Type the text to find in the names.");
    if (!plan.refusal.empty())
        return QStringLiteral("Can't rename: %1.").arg(QString::fromStdString(plan.refusal));
    if (plan.renamed == 0)
        return QStringLiteral("Nothing would change.");
    return QStringLiteral("OK renames %1, as one step that Undo takes back.")
        .arg(GroupedCountText(plan.renamed, "program", "programs"));
}

} // namespace

RenamePreview::RenamePreview(QWidget* owner, const ChannelDatabase& db, Planner planner)
    : ModalDialog(owner), planner_(std::move(planner))
{
    setWindowTitle(QStringLiteral("Rename"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    find_ = new QLineEdit(this);
    replace_ = new QLineEdit(this);
    form->addRow(QStringLiteral("Find:"), find_);
    form->addRow(QStringLiteral("Replace:"), replace_);
    layout->addLayout(form);
    auto* options = new QHBoxLayout;
    regex_ = new QCheckBox(QStringLiteral("Regular expression"), this);
    regex_->setToolTip(QStringLiteral("Perl syntax; the replacement names groups as \\1, \\2, …"));
    cut_ = new QCheckBox(QStringLiteral("Cut to 12 bytes"), this);
    cut_->setToolTip(QStringLiteral("A new name too long is cut after its last whole character that fits."));
    options->addWidget(regex_);
    options->addWidget(cut_);
    options->addStretch(1);
    layout->addLayout(options);

    counts_ = new QLabel(this);
    layout->addWidget(counts_);
    rows_ = new QTableView(this);
    model_ = new RenameRowsModel(db, this);
    rows_->setModel(model_);
    rows_->setSelectionBehavior(QAbstractItemView::SelectRows);
    rows_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    rows_->verticalHeader()->hide();
    // Rows of one line, one height, as in the channel list: laid out without
    // measuring each.
    rows_->setWordWrap(false);
    rows_->verticalHeader()->setMinimumSectionSize(1);
    rows_->verticalHeader()->setDefaultSectionSize(rows_->fontMetrics().height() + 4);
    rows_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    rows_->horizontalHeader()->setStretchLastSection(true);
    rows_->setColumnWidth(RenameRowsModel::kProgram, rows_->fontMetrics().horizontalAdvance(QStringLiteral("Radio 2000")) + 16);
    rows_->setColumnWidth(RenameRowsModel::kName, 140);
    rows_->setColumnWidth(RenameRowsModel::kNewName, 140);
    layout->addWidget(rows_, 1);

    const PreviewFooter footer = AddPreviewFooter(this, layout);
    effect_ = footer.effect;
    ok_ = footer.ok;
    OfferGuidePage(this, "renaming.md");
    PlacePreview(this, "rename", {720, 480});

    PlanAgain();
    for (QLineEdit* field : {find_, replace_})
        connect(field, &QLineEdit::textChanged, this, [this] { PlanAgain(); });
    for (QCheckBox* box : {regex_, cut_})
        connect(box, &QCheckBox::toggled, this, [this] { PlanAgain(); });
}

RenamePreview::~RenamePreview() = default;

RenameRule RenamePreview::Rule() const
{
    return {find_->text(), replace_->text(), regex_->isChecked(), cut_->isChecked()};
}

void RenamePreview::SetRule(const RenameRule& rule)
{
    {
        const QSignalBlocker quiet[] = {QSignalBlocker(find_), QSignalBlocker(replace_), QSignalBlocker(regex_),
                                        QSignalBlocker(cut_)};
        find_->setText(rule.find);
        replace_->setText(rule.replace);
        regex_->setChecked(rule.regex);
        cut_->setChecked(rule.cut);
    }
    PlanAgain();
}

bool RenamePreview::OnInitDialog()
{
    find_->setFocus();
    return true;
}

void RenamePreview::PlanAgain()
{
    // The model points into the plan: it lets go of the old one first.
    model_->SetPlan(nullptr);
    const RenameRule rule = Rule();
    plan_ = planner_(rule);
    model_->SetPlan(&plan_);
    counts_->setText(CountsText(plan_));
    effect_->setText(EffectText(plan_, rule));
    ok_->setEnabled(plan_.refusal.empty() && plan_.renamed > 0);
}

} // namespace korvex
