#include "ui/bulk/CarryOverPreview.h"

#include "text/ShownText.h"
#include "ui/list/ChannelListModel.h"
#include "ui/bulk/PreviewFooter.h"
#include "ui/list/RecordNames.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <vector>

namespace korvex {

// Programs the preview lists, one row each: the program as the list names it
// ("TV 3"), then the columns `cells` gives of the item the row shows. Cells
// are made when drawn, so a list of thousands opens at once.
template <typename Item>
class ProgramRowsModel final : public QAbstractTableModel {
public:
    struct Row {
        ProgTable table;
        const Item* item;
    };
    // The columns after the program: `column` counts from 1.
    using Cells = QString (*)(const Item& item, int column, const NameCharset& names);

    // db: the database the items are of, which numbers them; titles: every
    // column's, the program's first.
    ProgramRowsModel(const ChannelDatabase& db, const NameCharset& names, QStringList titles, Cells cells,
                     QObject* parent)
        : QAbstractTableModel(parent), names_(names), numbers_(db, names), titles_(std::move(titles)), cells_(cells)
    {
    }

    void SetRows(std::vector<Row> rows)
    {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(titles_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const Row& row = rows_[static_cast<std::size_t>(index.row())];
        if (index.column() == 0)
            return numbers_.ProgramText(row.table, row.item->position);
        return cells_(*row.item, index.column(), names_);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= titles_.size())
            return {};
        return titles_[section];
    }

private:
    NameCharset names_;
    RecordNames numbers_;
    QStringList titles_;
    Cells cells_;
    std::vector<Row> rows_;
};

namespace {

// A program not matched or no longer received: name, satellite, frequency
// and polarisation.
ProgramRowsModel<ProgramListing>* NewListingModel(const ChannelDatabase& db, const NameCharset& names, QObject* parent)
{
    const auto cells = [](const ProgramListing& listing, int column, const NameCharset& names) -> QString {
        switch (column) {
        case 1: return NameText(listing.name, names);
        case 2: return listing.satellite ? NameText(listing.satellite->satName, names) : QStringLiteral("-");
        case 3: return listing.transponder ? QString::number(listing.transponder->frequency) : QStringLiteral("-");
        case 4: return listing.transponder ? PolarisationName(listing.transponder->polarisation) : QStringLiteral("-");
        default: return {};
        }
    };
    return new ProgramRowsModel<ProgramListing>(db, names,
                                                {QStringLiteral("Program"), QStringLiteral("Name"),
                                                 QStringLiteral("Satellite"), QStringLiteral("Frequency"),
                                                 QStringLiteral("Polarization")},
                                                cells, parent);
}

// A name carrying over would change: the name now and the earlier name the
// program receives. The earlier name's bytes go into the record as they are,
// and the list then reads them in this image's charset.
ProgramRowsModel<NameCarry>* NewNameChangesModel(const ChannelDatabase& db, const NameCharset& names, QObject* parent)
{
    const auto cells = [](const NameCarry& name, int column, const NameCharset& names) -> QString {
        return NameText(column == 1 ? name.before : name.after, names);
    };
    return new ProgramRowsModel<NameCarry>(
        db, names, {QStringLiteral("Program"), QStringLiteral("Name"), QStringLiteral("New name")}, cells, parent);
}

std::vector<ProgramRowsModel<ProgramListing>::Row> RowsOf(const CarryOverPlan& plan,
                                             const std::vector<ProgramListing> TableCarryOver::*listings)
{
    std::vector<ProgramRowsModel<ProgramListing>::Row> rows;
    for (const TableCarryOver& table : plan.tables)
        for (const ProgramListing& listing : table.*listings)
            rows.push_back({table.table, &listing});
    return rows;
}

QTableView* ListView(QAbstractItemModel* model, QWidget* parent)
{
    auto* view = new QTableView(parent);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    // Rows of one height are laid out without measuring each.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    return view;
}

// What OK will write, in one sentence.
QString EffectText(const CarryOverPlan& plan)
{
    if (!plan.refusal.empty())
        return QStringLiteral("Can't apply it: %1").arg(QString::fromStdString(plan.refusal));
    if (!plan.Changes())
        return QStringLiteral("Nothing would change: the list already stands as the earlier one.");
    QStringList parts;
    std::size_t flags = 0, names = 0, deleted = 0;
    bool reorders = false;
    for (const TableCarryOver& table : plan.tables) {
        reorders = reorders || table.Reorders();
        flags += table.flags.size();
        names += table.names.size();
        deleted += table.deleted.size();
    }
    if (reorders)
        parts << QStringLiteral("puts the matched programs into the earlier order");
    if (flags > 0)
        parts << QStringLiteral("gives %1 their favourites and lock").arg(GroupedCountText(flags, "program", "programs"));
    if (names > 0)
        parts << QStringLiteral("renames %1").arg(GroupedCountText(names, "program", "programs"));
    if (deleted > 0)
        parts << QStringLiteral("deletes %1 not matched").arg(GroupedCountText(deleted, "program", "programs"));
    return QStringLiteral("OK %1, as one step that Undo takes back.").arg(parts.join(QStringLiteral(", ")));
}

} // namespace

CarryOverPreview::CarryOverPreview(QWidget* owner, const QString& earlierName, const ChannelDatabase& current,
                                   const ChannelDatabase& earlier, const NameCharset& currentNames,
                                   const NameCharset& earlierNames, Planner planner)
    : ModalDialog(owner), planner_(std::move(planner))
{
    setWindowTitle(QStringLiteral("Apply an earlier list"));
    auto* layout = new QVBoxLayout(this);
    auto* source = new QLabel(QStringLiteral("Order, favourites and locks from \"%1\".").arg(earlierName), this);
    source->setTextFormat(Qt::PlainText);
    layout->addWidget(source);
    counts_ = new QLabel(this);
    counts_->setWordWrap(true);
    layout->addWidget(counts_);

    auto* choices = new QGroupBox(QStringLiteral("Carry over"), this);
    auto* choiceRow = new QHBoxLayout(choices);
    order_ = new QCheckBox(QStringLiteral("Order"), choices);
    favourites_ = new QCheckBox(QStringLiteral("Favourites"), choices);
    lock_ = new QCheckBox(QStringLiteral("Child lock"), choices);
    names_ = new QCheckBox(QStringLiteral("Names"), choices);
    names_->setToolTip(QStringLiteral("The earlier names replace the names the scan gave."));
    for (QCheckBox* box : {order_, favourites_, lock_, names_})
        choiceRow->addWidget(box);
    layout->addWidget(choices);

    auto* unmatchedGroup = new QGroupBox(QStringLiteral("Programs not matched"), this);
    auto* unmatchedRow = new QHBoxLayout(unmatchedGroup);
    keep_ = new QRadioButton(QStringLiteral("Keep them, after the matched ones"), unmatchedGroup);
    delete_ = new QRadioButton(QStringLiteral("Delete them"), unmatchedGroup);
    unmatchedRow->addWidget(keep_);
    unmatchedRow->addWidget(delete_);
    layout->addWidget(unmatchedGroup);

    lists_ = new QTabWidget(this);
    unmatched_ = NewListingModel(current, currentNames, this);
    notFound_ = NewListingModel(earlier, earlierNames, this);
    renamed_ = NewNameChangesModel(current, currentNames, this);
    lists_->addTab(ListView(unmatched_, lists_), QString());
    lists_->addTab(ListView(notFound_, lists_), QString());
    lists_->addTab(ListView(renamed_, lists_), QString());
    layout->addWidget(lists_, 1);

    const PreviewFooter footer = AddPreviewFooter(this, layout);
    effect_ = footer.effect;
    ok_ = footer.ok;
    OfferGuidePage(this, "after-a-new-scan.md");
    PlacePreview(this, "carryOver", {680, 500});

    SetChoices(CarryOverChoices{});
    for (QCheckBox* box : {order_, favourites_, lock_, names_})
        connect(box, &QCheckBox::toggled, this, [this] { PlanAgain(); });
    connect(delete_, &QRadioButton::toggled, this, [this] { PlanAgain(); });
}

CarryOverPreview::~CarryOverPreview() = default;

QAbstractItemModel* CarryOverPreview::List(int k) const
{
    const auto* view = qobject_cast<QTableView*>(lists_->widget(k));
    return view ? view->model() : nullptr;
}

CarryOverChoices CarryOverPreview::Choices() const
{
    CarryOverChoices choices;
    choices.order = order_->isChecked();
    choices.favourites = favourites_->isChecked();
    choices.lock = lock_->isChecked();
    choices.names = names_->isChecked();
    choices.deleteUnmatched = delete_->isChecked();
    return choices;
}

void CarryOverPreview::SetChoices(const CarryOverChoices& choices)
{
    {
        const QSignalBlocker quiet[] = {QSignalBlocker(order_), QSignalBlocker(favourites_), QSignalBlocker(lock_),
                                        QSignalBlocker(names_), QSignalBlocker(keep_), QSignalBlocker(delete_)};
        order_->setChecked(choices.order);
        favourites_->setChecked(choices.favourites);
        lock_->setChecked(choices.lock);
        names_->setChecked(choices.names);
        keep_->setChecked(!choices.deleteUnmatched);
        delete_->setChecked(choices.deleteUnmatched);
    }
    PlanAgain();
}

bool CarryOverPreview::OnInitDialog()
{
    ok_->setFocus();
    return true;
}

void CarryOverPreview::PlanAgain()
{
    plan_ = planner_(Choices());
    std::size_t byService = 0, byName = 0, unmatched = 0, notFound = 0;
    for (const TableCarryOver& table : plan_.tables) {
        byService += table.matchedByService;
        byName += table.matchedByName;
        unmatched += table.unmatched.size();
        notFound += table.notFound.size();
    }
    counts_->setText(QStringLiteral("%1 match by service and %2 by name. %3 of this list not matched; %4 of the "
                                    "earlier list no longer received.")
                         .arg(GroupedCountText(byService, "program", "programs"), GroupedNumber(byName),
                              GroupedCountText(unmatched, "program", "programs"), GroupedCountText(notFound, "program", "programs")));
    keep_->setText(plan_.choices.order ? QStringLiteral("Keep them, after the matched ones")
                                       : QStringLiteral("Keep them where they are"));
    // The listings live in the plan: the models point into it.
    unmatched_->SetRows(RowsOf(plan_, &TableCarryOver::unmatched));
    notFound_->SetRows(RowsOf(plan_, &TableCarryOver::notFound));
    std::vector<ProgramRowsModel<NameCarry>::Row> names;
    for (const TableCarryOver& table : plan_.tables)
        for (const NameCarry& name : table.names)
            names.push_back({table.table, &name});
    const std::size_t renamed = names.size();
    renamed_->SetRows(std::move(names));
    lists_->setTabText(0, QStringLiteral("Not matched (%1)").arg(GroupedNumber(unmatched)));
    lists_->setTabText(1, QStringLiteral("No longer received (%1)").arg(GroupedNumber(notFound)));
    lists_->setTabText(2, QStringLiteral("Names (%1)").arg(GroupedNumber(renamed)));
    lists_->setTabVisible(2, plan_.choices.names);
    effect_->setText(EffectText(plan_));
    ok_->setEnabled(plan_.refusal.empty() && plan_.Changes());
}

} // namespace korvex
