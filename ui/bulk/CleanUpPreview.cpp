#include "ui/bulk/CleanUpPreview.h"

#include "db/ChannelMatch.h"
#include "text/ShownText.h"
#include "ui/list/ChannelListModel.h"
#include "ui/bulk/PreviewFooter.h"
#include "ui/list/RecordNames.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace korvex {

// The records a clean-up would delete, one row each: the record (ticked
// while it goes), name, satellite, frequency, polarisation and reason.
// Cells are made when drawn, so a list of thousands opens at once.
class CleanUpListModel final : public QAbstractTableModel {
public:
    CleanUpListModel(const ChannelDatabase& db, const NameCharset& names, std::function<void(int, bool)> ticked,
                     QObject* parent)
        : QAbstractTableModel(parent),
          db_(db),
          ids_(db),
          names_(names),
          recordNames_(db, names),
          tpByPosition_(IndexByPosition(db.Tps())),
          ticked_(std::move(ticked))
    {
    }

    // Why a record goes, in the list's and the tree's names of the records
    // it names, starting with a capital.
    QString ReasonText(const CleanUpCandidate& candidate) const
    {
        QString reason;
        const BlockId table = candidate.record.table;
        if (candidate.reason == CleanUpReason::SameService && IsProgramTable(table))
            reason = QStringLiteral("same satellite, transponder and service ID as %1")
                         .arg(recordNames_.ProgramText(ProgTableOf(table), candidate.other));
        else if (candidate.reason == CleanUpReason::WithTransponder)
            reason = QStringLiteral("goes with transponder %1").arg(TransponderAt(candidate.other));
        else
            reason = QString::fromStdString(CleanUpReasonText(candidate, 1));
        if (!reason.isEmpty())
            reason[0] = reason[0].toUpper();
        return reason;
    }

    // The widest text the Reason column shows, for its width.
    QString WidestReason() const
    {
        QString widest;
        if (items_)
            for (const CleanUpItem& item : *items_) {
                const QString reason = ReasonText(item.candidate);
                if (reason.size() > widest.size())
                    widest = reason;
            }
        return widest;
    }

    // The rows are the plan's items; the plan outlives them.
    void SetItems(const std::vector<CleanUpItem>* items)
    {
        beginResetModel();
        items_ = items;
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !items_ ? 0 : static_cast<int>(items_->size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kColumns; }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags flags = QAbstractTableModel::flags(index);
        // A program that goes with its transponder cannot be kept alone.
        if (index.isValid() && index.column() == 0 && Item(index).candidate.reason != CleanUpReason::WithTransponder)
            flags |= Qt::ItemIsUserCheckable;
        return flags;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        const CleanUpItem& item = Item(index);
        if (role == Qt::CheckStateRole && index.column() == 0)
            return item.goes ? Qt::Checked : Qt::Unchecked;
        const bool reasonTip = role == Qt::ToolTipRole && index.column() == 5;
        if (role != Qt::DisplayRole && !reasonTip)
            return {};
        const CleanUpRecord& record = item.candidate.record;
        if (index.column() == 0)
            return RecordText(record);
        if (index.column() == 5)
            return ReasonText(item.candidate);
        const CleanUpListing where = ListCleanUpRecord(db_, ids_, record);
        switch (index.column()) {
        case 1: return where.name ? NameText(*where.name, names_) : QStringLiteral("-");
        case 2: return where.satellite ? NameText(where.satellite->satName, names_) : QStringLiteral("-");
        case 3: return where.transponder ? QString::number(where.transponder->frequency) : QStringLiteral("-");
        case 4: return where.transponder ? PolarisationName(where.transponder->polarisation) : QStringLiteral("-");
        default: return {};
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole ||
            !(flags(index) & Qt::ItemIsUserCheckable))
            return false;
        ticked_(index.row(), value.toInt() == Qt::Checked);
        return true;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QString titles[] = {QStringLiteral("Record"),    QStringLiteral("Name"),
                                         QStringLiteral("Satellite"), QStringLiteral("Frequency"),
                                         QStringLiteral("Polarization"), QStringLiteral("Reason")};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumns)
            return {};
        return titles[section];
    }

private:
    static constexpr int kColumns = 6;

    const CleanUpItem& Item(const QModelIndex& index) const { return (*items_)[static_cast<std::size_t>(index.row())]; }

    static bool IsProgramTable(BlockId table)
    {
        return table == BlockId::TvPrograms || table == BlockId::RadioPrograms;
    }
    static ProgTable ProgTableOf(BlockId table)
    {
        return table == BlockId::TvPrograms ? ProgTable::Tv : ProgTable::Radio;
    }
    static std::vector<std::uint32_t> IndexByPosition(std::span<const TpRecord> tps)
    {
        std::vector<std::uint32_t> index;
        for (std::uint32_t i = 0; i < tps.size(); ++i) {
            if (tps[i].tableIndex >= index.size())
                index.resize(tps[i].tableIndex + 1, kNoMatch);
            index[tps[i].tableIndex] = i;
        }
        return index;
    }
    // The transponder at this entry position, as the tree labels it.
    QString TransponderAt(std::uint32_t position) const
    {
        const std::uint32_t index = position < tpByPosition_.size() ? tpByPosition_[position] : kNoMatch;
        return index == kNoMatch ? QString::number(position) : recordNames_.Transponder(index);
    }

    // Programs by the tab that lists them and their "ProgNO." there,
    // satellites and transponders as the tree labels them.
    QString RecordText(const CleanUpRecord& record) const
    {
        switch (record.table) {
        case BlockId::Satellites: return QStringLiteral("Satellite ") + recordNames_.Satellite(record.index);
        case BlockId::Transponders: return QStringLiteral("Transponder ") + recordNames_.Transponder(record.index);
        case BlockId::TvPrograms:
        case BlockId::RadioPrograms: return recordNames_.ProgramText(ProgTableOf(record.table), record.position);
        }
        return {};
    }

    const ChannelDatabase& db_;
    RecordsById ids_;
    NameCharset names_;
    RecordNames recordNames_;
    std::vector<std::uint32_t> tpByPosition_;
    std::function<void(int, bool)> ticked_;
    const std::vector<CleanUpItem>* items_ = nullptr;
};

namespace {

QString KindText(CleanUpKind kind, std::size_t count)
{
    const std::string_view name = CleanUpKindName(kind);
    QString text = QStringLiteral("%1 (%2)").arg(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())),
                                                 GroupedNumber(count));
    if (kind == CleanUpKind::Scrambled)
        text += QStringLiteral(": the box's scan sets this flag, and it is sometimes wrong");
    else if (kind == CleanUpKind::LeftEmpty)
        text += QStringLiteral(": transponders and satellites that hold nothing once the others go");
    return text;
}

// What OK will do, in one sentence.
QString EffectText(const CleanUpPlan& plan)
{
    if (!plan.refusal.empty())
        return QStringLiteral("Can't clean up: %1").arg(QString::fromStdString(plan.refusal));
    if (!plan.Changes())
        return QStringLiteral("Nothing to delete.");
    return QStringLiteral("OK deletes %1, as one step that Undo takes back.").arg(RecordCountsText(plan.going, GroupedCountText));
}

} // namespace

CleanUpPreview::CleanUpPreview(QWidget* owner, const ChannelDatabase& db, const NameCharset& names, Planner planner)
    : ModalDialog(owner), planner_(std::move(planner))
{
    setWindowTitle(QStringLiteral("Clean up"));
    auto* layout = new QVBoxLayout(this);
    auto* kindsGroup = new QGroupBox(QStringLiteral("Delete these kinds:"), this);
    auto* kindsColumn = new QVBoxLayout(kindsGroup);
    for (std::size_t k = 0; k < kCleanUpKinds; ++k) {
        kinds_[k] = new QCheckBox(kindsGroup);
        kindsColumn->addWidget(kinds_[k]);
    }
    layout->addWidget(kindsGroup);

    model_ = new CleanUpListModel(db, names, [this](int row, bool ticked) { SetRowTicked(row, ticked); }, this);
    list_ = new QTableView(this);
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setStretchLastSection(true);
    // Rows of one line and one height are laid out without measuring each.
    list_->setWordWrap(false);
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    const QFontMetrics metrics = list_->fontMetrics();
    const int checkBox = style()->pixelMetric(QStyle::PM_IndicatorWidth) + 16;
    list_->horizontalHeader()->resizeSection(0, metrics.horizontalAdvance(QStringLiteral("Transponder 299_12345")) +
                                                    checkBox);
    // Twelve characters of a name, as wide as most names are.
    list_->horizontalHeader()->resizeSection(1, metrics.horizontalAdvance(QStringLiteral("Nnnnnnnnnnnn")) + 12);
    list_->horizontalHeader()->resizeSection(2, metrics.horizontalAdvance(QStringLiteral("Nnnnnnnnnnnn")) + 12);
    for (const int column : {3, 4})
        list_->horizontalHeader()->resizeSection(
            column, metrics.horizontalAdvance(model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()) + 24);
    TickByKeyboard(list_, 0);
    layout->addWidget(list_, 1);

    const PreviewFooter footer = AddPreviewFooter(this, layout);
    effect_ = footer.effect;
    ok_ = footer.ok;

    SetKinds(CleanUpChoices{}.kinds);
    // The reason stands right after the record, as wide as the longest
    // reason of the first plan, so that it shows in full however narrow the
    // screen makes the dialog; where the record is comes after it.
    list_->horizontalHeader()->moveSection(5, 1);
    FitReasons();
    int listWidth = list_->verticalScrollBar()->sizeHint().width() + 2 * list_->frameWidth();
    for (int column = 0; column < 6; ++column)
        listWidth += list_->horizontalHeader()->sectionSize(column);
    const QMargins margins = layout->contentsMargins();
    OfferGuidePage(this, "cleaning-up.md");
    PlacePreview(this, "cleanUp", {std::max(900, listWidth + margins.left() + margins.right()), 560});
    for (QCheckBox* box : kinds_)
        connect(box, &QCheckBox::toggled, this, [this] { PlanAgain(); });
}

CleanUpPreview::~CleanUpPreview() = default;

CleanUpChoices CleanUpPreview::Choices() const
{
    CleanUpChoices choices;
    for (std::size_t k = 0; k < kCleanUpKinds; ++k)
        choices.kinds[k] = kinds_[k]->isChecked();
    choices.kept = kept_;
    return choices;
}

void CleanUpPreview::SetKinds(const std::array<bool, kCleanUpKinds>& kinds)
{
    {
        const QSignalBlocker quiet[] = {QSignalBlocker(kinds_[0]), QSignalBlocker(kinds_[1]), QSignalBlocker(kinds_[2]),
                                        QSignalBlocker(kinds_[3]), QSignalBlocker(kinds_[4])};
        for (std::size_t k = 0; k < kCleanUpKinds; ++k)
            kinds_[k]->setChecked(kinds[k]);
    }
    PlanAgain();
}

void CleanUpPreview::SetRowTicked(int row, bool ticked)
{
    if (row < 0 || static_cast<std::size_t>(row) >= plan_.items.size())
        return;
    const CleanUpRecord record = plan_.items[static_cast<std::size_t>(row)].candidate.record;
    std::erase_if(kept_, [&](const CleanUpRecord& k) { return k.table == record.table && k.position == record.position; });
    if (!ticked)
        kept_.push_back(record);
    PlanAgain();
}

bool CleanUpPreview::OnInitDialog()
{
    ok_->setFocus();
    return true;
}

void CleanUpPreview::PlanAgain()
{
    plan_ = planner_(Choices());
    for (std::size_t k = 0; k < kCleanUpKinds; ++k)
        kinds_[k]->setText(KindText(static_cast<CleanUpKind>(k), plan_.counts[k]));
    // The rows point into the plan; where the list is scrolled stays.
    const int scrolled = list_->verticalScrollBar()->value();
    model_->SetItems(&plan_.items);
    list_->verticalScrollBar()->setValue(scrolled);
    effect_->setText(EffectText(plan_));
    ok_->setEnabled(plan_.refusal.empty() && plan_.Changes());
    FitReasons();
}

void CleanUpPreview::FitReasons()
{
    // Only wider: a column that jumps narrower as ticks change reads badly.
    const QFontMetrics metrics = list_->fontMetrics();
    const int width =
        std::max(metrics.horizontalAdvance(model_->WidestReason()),
                 metrics.horizontalAdvance(model_->headerData(5, Qt::Horizontal, Qt::DisplayRole).toString())) +
        24;
    if (width > list_->horizontalHeader()->sectionSize(5))
        list_->horizontalHeader()->resizeSection(5, width);
}

} // namespace korvex
