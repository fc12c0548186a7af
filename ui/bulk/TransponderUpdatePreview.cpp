#include "ui/bulk/TransponderUpdatePreview.h"

#include "text/ShownText.h"
#include "ui/bulk/PreviewFooter.h"
#include "ui/list/RecordNames.h"

#include <QAbstractTableModel>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace korvex {
namespace {

constexpr QChar kArrow(0x2192);

QString Number(qulonglong n) { return QLocale::c().toString(n); }

QString Change(unsigned before, unsigned after)
{
    return before == after ? Number(before) : QStringLiteral("%1 %2 %3").arg(Number(before)).arg(kArrow).arg(Number(after));
}

// A read-only list of rows of text, made once: the lists below the changes
// hold one row per transponder or table entry, a few hundred at most.
class TextRowsModel final : public QAbstractTableModel {
public:
    TextRowsModel(QStringList titles, std::vector<QStringList> rows, QObject* parent)
        : QAbstractTableModel(parent), titles_(std::move(titles)), rows_(std::move(rows))
    {
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
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        const QStringList& row = rows_[static_cast<std::size_t>(index.row())];
        return index.column() < row.size() ? row[index.column()] : QString();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= titles_.size())
            return {};
        return titles_[section];
    }

private:
    QStringList titles_;
    std::vector<QStringList> rows_;
};

QTableView* NewList(QWidget* parent, QAbstractItemModel* model)
{
    auto* list = new QTableView(parent);
    list->setModel(model);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->verticalHeader()->hide();
    list->horizontalHeader()->setStretchLastSection(true);
    list->setWordWrap(false);
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
    // Each column but the last as wide as its title or a transponder's tree
    // label ("299_12345"), whichever is wider; the last takes the rest.
    const QFontMetrics metrics = list->fontMetrics();
    for (int column = 0; column + 1 < model->columnCount(); ++column)
        list->horizontalHeader()->resizeSection(
            column, std::max(metrics.horizontalAdvance(model->headerData(column, Qt::Horizontal).toString()),
                             metrics.horizontalAdvance(QStringLiteral("299_12345"))) + 24);
    return list;
}

// Entries are numbered from 1, in the table's order, as a reader of the file
// counts them.
QString EntryText(std::uint32_t entry) { return QStringLiteral("Entry %1").arg(entry + 1); }

// A transponder as the tree labels it under its satellite: its row in the
// satellite's list, from 0, and its frequency before the update.
QString TransponderText(std::uint32_t row, unsigned frequency) { return RecordNames::TransponderLabel(row, frequency); }

} // namespace

// The pairs that would change, one row each: the transponder (ticked while
// it is written), polarisation, frequency and symbol rate old -> new, and why
// a record cannot be written.
class TransponderChangesModel final : public QAbstractTableModel {
public:
    TransponderChangesModel(const TransponderUpdatePlan& plan, std::vector<bool>& ticked,
                            std::function<void(int, bool)> onTick, QObject* parent)
        : QAbstractTableModel(parent), plan_(plan), ticked_(ticked), onTick_(std::move(onTick))
    {
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(plan_.changes.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 5; }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags flags = QAbstractTableModel::flags(index);
        if (!index.isValid())
            return flags;
        if (!Change(index).refusal.empty())
            return flags & ~Qt::ItemIsEnabled;
        if (index.column() == 0)
            flags |= Qt::ItemIsUserCheckable;
        return flags;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        const TransponderChange& change = Change(index);
        if (role == Qt::CheckStateRole && index.column() == 0)
            return ticked_[static_cast<std::size_t>(index.row())] ? Qt::Checked : Qt::Unchecked;
        if (role != Qt::DisplayRole && !(role == Qt::ToolTipRole && index.column() == 4))
            return {};
        switch (index.column()) {
        case 0: return TransponderText(change.row, change.before.frequency);
        case 1: return PolarisationName(change.before.polarisation);
        case 2: return korvex::Change(change.before.frequency, change.frequency);
        case 3: return korvex::Change(change.before.symbolRate, change.symbolRate);
        case 4: return change.refusal.empty() ? QString() : QStringLiteral("Not written: ") + QString::fromStdString(change.refusal);
        default: return {};
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole ||
            !(flags(index) & Qt::ItemIsUserCheckable))
            return false;
        onTick_(index.row(), value.toInt() == Qt::Checked);
        emit dataChanged(index, index, {Qt::CheckStateRole});
        return true;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QString titles[] = {QStringLiteral("Transponder"), QStringLiteral("Polarization"),
                                         QStringLiteral("Frequency (MHz)"), QStringLiteral("Symbol rate (kS/s)"),
                                         QStringLiteral("Note")};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= 5)
            return {};
        return titles[section];
    }

private:
    const TransponderChange& Change(const QModelIndex& index) const
    {
        return plan_.changes[static_cast<std::size_t>(index.row())];
    }

    const TransponderUpdatePlan& plan_;
    std::vector<bool>& ticked_;
    std::function<void(int, bool)> onTick_;
};

TransponderUpdatePreview::TransponderUpdatePreview(QWidget* owner, const QString& heading, const ChannelDatabase& db,
                                                   const TransponderUpdatePlan& plan,
                                                   std::span<const TableEntry> entries)
    : ModalDialog(owner), plan_(plan)
{
    setWindowTitle(QStringLiteral("Update transponders"));
    auto* layout = new QVBoxLayout(this);
    QString intro = heading;
    if (plan.upToDate)
        intro += QLatin1Char('\n') + GroupedCountText(plan.upToDate, "transponder is already as the table gives it.",
                                              "transponders are already as the table gives them.");
    heading_ = new QLabel(intro, this);
    heading_->setWordWrap(true);
    heading_->setTextFormat(Qt::PlainText);
    layout->addWidget(heading_);

    for (const TransponderChange& change : plan.changes)
        ticked_.push_back(change.refusal.empty());
    auto* changesGroup = new QGroupBox(QStringLiteral("Changes (%1)").arg(GroupedNumber(plan.changes.size())), this);
    auto* changesColumn = new QVBoxLayout(changesGroup);
    model_ = new TransponderChangesModel(plan_, ticked_, [this](int row, bool ticked) { SetTicked(row, ticked); }, this);
    changes_ = NewList(changesGroup, model_);
    changes_->horizontalHeader()->resizeSection(
        0, changes_->horizontalHeader()->sectionSize(0) + style()->pixelMetric(QStyle::PM_IndicatorWidth) + 8);
    for (const int column : {2, 3})
        changes_->horizontalHeader()->resizeSection(
            column, changes_->fontMetrics().horizontalAdvance(QStringLiteral("16383 \u2192 16383 MMM")));
    changesColumn->addWidget(changes_);
    layout->addWidget(changesGroup, 3);

    std::vector<QStringList> missing;
    for (const UnpairedTransponder& unpaired : plan.notInTable) {
        const TpRecord& tp = db.Tps()[unpaired.tpIndex];
        missing.push_back({TransponderText(unpaired.row, tp.frequency), PolarisationName(tp.polarisation), Number(tp.frequency),
                           Number(tp.symbolRate)});
    }
    std::vector<QStringList> notAdded;
    for (const std::uint32_t e : plan.notAdded) {
        const RecordValues v = ToRecordValues(entries[e]);
        notAdded.push_back({EntryText(e), PolarisationName(v.polarisation), Number(v.frequency), Number(v.symbolRate)});
    }
    std::vector<QStringList> unusable;
    for (const UnusableEntry& u : plan.unusable) {
        const std::string_view why = EntryProblemText(u.problem);
        unusable.push_back({EntryText(u.entry), Number(entries[u.entry].frequencyKHz), Number(entries[u.entry].symbolRate),
                            QString::fromUtf8(why.data(), static_cast<qsizetype>(why.size()))});
    }
    const QStringList recordColumns{QStringLiteral("Transponder"), QStringLiteral("Polarization"),
                                    QStringLiteral("Frequency (MHz)"), QStringLiteral("Symbol rate (kS/s)")};
    QStringList entryColumns = recordColumns;
    entryColumns[0] = QStringLiteral("Entry");

    lists_ = new QTabWidget(this);
    const auto addList = [this](const QString& title, const QString& explanation, QAbstractItemModel* model) {
        auto* page = new QWidget(lists_);
        auto* column = new QVBoxLayout(page);
        auto* label = new QLabel(explanation, page);
        label->setWordWrap(true);
        column->addWidget(label);
        column->addWidget(NewList(page, model));
        lists_->addTab(page, QStringLiteral("%1 (%2)").arg(title, GroupedNumber(static_cast<std::size_t>(model->rowCount()))));
    };
    addList(QStringLiteral("Not in the table"),
            QStringLiteral("Transponders of the satellite that no entry of the table pairs with; they stay as they are."),
            new TextRowsModel(recordColumns, std::move(missing), this));
    QString notAddedText = QStringLiteral(
        "Entries that pair with no transponder of the satellite. Korvex changes only the transponders the image "
        "holds; a scan on the box adds new ones.");
    if (plan.repeats)
        notAddedText += QStringLiteral(" %1 another entry's values, not listed.")
                            .arg(GroupedCountText(plan.repeats, "entry repeats", "entries repeat"));
    addList(QStringLiteral("Not added"), notAddedText, new TextRowsModel(entryColumns, std::move(notAdded), this));
    addList(QStringLiteral("Not usable"),
            QStringLiteral("Entries that no transponder record can hold: the table's own values (kHz, symbols per "
                           "second) and why."),
            new TextRowsModel({QStringLiteral("Entry"), QStringLiteral("Frequency (kHz)"),
                               QStringLiteral("Symbol rate (S/s)"), QStringLiteral("Reason")},
                              std::move(unusable), this));
    layout->addWidget(lists_, 2);
    // The first list that holds something is the one shown.
    for (int k = 0; k < lists_->count(); ++k)
        if (List(k)->model()->rowCount() > 0) {
            lists_->setCurrentIndex(k);
            break;
        }

    const PreviewFooter footer = AddPreviewFooter(this, layout);
    effect_ = footer.effect;
    ok_ = footer.ok;
    TickByKeyboard(changes_, 0);
    OfferGuidePage(this, "updating-transponders.md");
    PlacePreview(this, "transponderUpdate", {760, 620});
    ShowEffect();
}

TransponderUpdatePreview::~TransponderUpdatePreview() = default;

std::vector<TransponderChange> TransponderUpdatePreview::Ticked() const
{
    std::vector<TransponderChange> ticked;
    for (std::size_t k = 0; k < plan_.changes.size(); ++k)
        if (ticked_[k])
            ticked.push_back(plan_.changes[k]);
    return ticked;
}

void TransponderUpdatePreview::SetTicked(int row, bool ticked)
{
    if (row < 0 || static_cast<std::size_t>(row) >= ticked_.size() ||
        !plan_.changes[static_cast<std::size_t>(row)].refusal.empty())
        return;
    ticked_[static_cast<std::size_t>(row)] = ticked;
    ShowEffect();
}

QTableView* TransponderUpdatePreview::List(int k) const
{
    QWidget* page = lists_->widget(k);
    return page ? page->findChild<QTableView*>() : nullptr;
}

QString TransponderUpdatePreview::ListExplanation(int k) const
{
    QWidget* page = lists_->widget(k);
    const QLabel* label = page ? page->findChild<QLabel*>() : nullptr;
    return label ? label->text() : QString();
}

bool TransponderUpdatePreview::OnInitDialog()
{
    ok_->setFocus();
    return true;
}

void TransponderUpdatePreview::ShowEffect()
{
    const std::size_t n = static_cast<std::size_t>(std::ranges::count(ticked_, true));
    if (plan_.changes.empty())
        effect_->setText(QStringLiteral("Nothing to change: every transponder the table pairs with is up to date."));
    else if (n == 0)
        effect_->setText(QStringLiteral("Nothing is ticked."));
    else
        effect_->setText(QStringLiteral("OK writes the frequency and symbol rate of %1, as one step that Undo takes back.")
                             .arg(GroupedCountText(n, "transponder", "transponders")));
    ok_->setEnabled(n > 0);
}

} // namespace korvex
