#include "ui/compare/CompareCommand.h"

#include "app/ListState.h"
#include "app/Messages.h"
#include "app/OpenImage.h"
#include "app/Platform.h"
#include "app/ProgramState.h"
#include "text/ShownText.h"
#include "ui/list/ChannelListModel.h"
#include "ui/list/ChannelTree.h"
#include "ui/shell/FileCommands.h"
#include "ui/list/ListFilter.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QBrush>
#include <QFont>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidgetItem>

#include <algorithm>

namespace korvex {
namespace {

constexpr int kChangeColumnWidth = 220;
constexpr int kChangeColumnShownAt = 2;

// The kinds of change the bar's filter offers, in its order.
struct ChangeChoice {
    const char* text;
    unsigned kinds;
};
constexpr ChangeChoice kChangeChoices[] = {
    {"All", 0},
    {"New", kChangeNew},
    {"Changed", kChangeChanged},
    {"Moved", kChangeMoved},
    {"Gone", kChangeGone},
};

// The tree's mark: the node's label on an amber ground, in bold, so that it
// reads without its colour too. Nothing is put before the label, which stays
// in line with the labels of the nodes without a mark.
const QColor kTreeMarkGround(0xFF, 0xD8, 0x90);

QString PairingText(DiffPairing pairing)
{
    return pairing == DiffPairing::Offsets ? QStringLiteral("same image") : QStringLiteral("another scan");
}

// Keeps a widget at the right end of another, whatever its width, and keeps
// the host's own text clear of it.
class TrailingPlacer final : public QObject {
public:
    TrailingPlacer(QWidget* host, QWidget* trailing, std::function<void(int)> reserve)
        : QObject(host), host_(host), trailing_(trailing), reserve_(std::move(reserve))
    {
        host->installEventFilter(this);
    }
    void Place()
    {
        const int width = trailing_->sizeHint().width();
        trailing_->setGeometry(host_->width() - width - 1, 1, width, host_->height() - 2);
        reserve_(trailing_->isVisible() ? width + 2 : 0);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            Place();
        return false;
    }

private:
    QWidget* host_;
    QWidget* trailing_;
    std::function<void(int)> reserve_;
};

} // namespace

CompareCommand::CompareCommand(ProgramState& state, Platform& platform, Parts parts, std::function<void()> refill)
    : state_(state), platform_(platform), parts_(parts), refill_(std::move(refill))
{
}

CompareCommand::~CompareCommand() = default;

void CompareCommand::Run()
{
    if (state_.image().fileOpened == 0)
        return;
    const std::optional<QString> path = platform_.GetOpenFileName(parts_.window, kImageOpenFilter, state_.files().ImageFolder());
    if (!path)
        return;
    if (QString why; !Start(*path, why))
        ShowWarning(platform_, parts_.window, why);
}

bool CompareCommand::Start(const QString& path, QString& why)
{
    // Read beside the open image; only read, never written.
    auto image = std::make_unique<FlashImage>();
    auto db = std::make_unique<ChannelDatabase>();
    why = LoadImageFile(path, *image, *db);
    if (!why.isEmpty())
        return false;
    earlierImage_ = std::move(image);
    earlier_ = std::move(db);
    earlierName_ = QFileInfo(path).fileName();
    pairing_ = ChoosePairing({*earlierImage_, *earlier_, earlierImage_->flashSize},
                             {state_.image(), state_.database(), state_.image().flashSize});
    BuildBar();
    {
        const QSignalBlocker quiet(pairings_);
        pairings_->setCurrentIndex(pairing_ == DiffPairing::Offsets ? 0 : 1);
    }
    {
        const QSignalBlocker quiet(changes_);
        changes_->setCurrentIndex(0);
    }
    // What the status line said belongs to what went before.
    parts_.statusLine->clear();
    bar_->show();
    counts_->show();
    parts_.model->SetComparison(&marks_);
    parts_.filter->FollowComparison(true);
    refill_();
    return true;
}

void CompareCommand::End()
{
    if (!Active())
        return;
    earlierImage_.reset();
    earlier_.reset();
    marks_ = ComparisonMarks();
    parts_.model->SetComparison(nullptr);
    parts_.filter->FollowComparison(false);
    parts_.statusLine->clear();
    bar_->hide();
    counts_->hide();
    placeBar_();
    MarkTree(false);
    refill_();
}

void CompareCommand::ShowChanges(unsigned kinds)
{
    parts_.filter->SetChanges(kinds);
    for (int i = 0; i < static_cast<int>(std::size(kChangeChoices)); ++i)
        if (kChangeChoices[i].kinds == kinds && changes_ && changes_->currentIndex() != i) {
            const QSignalBlocker quiet(changes_);
            changes_->setCurrentIndex(i);
        }
}

void CompareCommand::SetPairing(DiffPairing pairing)
{
    if (!Active() || pairing == pairing_)
        return;
    pairing_ = pairing;
    {
        const QSignalBlocker quiet(pairings_);
        pairings_->setCurrentIndex(pairing_ == DiffPairing::Offsets ? 0 : 1);
    }
    refill_();
}

void CompareCommand::Compare()
{
    const FlashImage& image = state_.image();
    ImageDifference difference =
        DiffImages({*earlierImage_, *earlier_, earlierImage_->flashSize}, {image, state_.database(), image.flashSize},
                   pairing_, OutsideBytes::Skipped, {.names = SingleByteCharactersOf(state_.nameCharset().charset)});
    marks_ = ComparisonMarks(std::move(difference), *earlier_, state_.database());
}

void CompareCommand::FillGone(ListType listType)
{
    if (!Active())
        return;
    Compare();
    if (listType != ListType::AllPrograms)
        return;
    // The list of all programs under a tab: the gone programs that tab would
    // have shown, by the same rule (video or none).
    const bool radioTab = state_.list().radioMode != 0;
    for (const ProgTable table : {ProgTable::Tv, ProgTable::Radio})
        for (const GoneProgram& gone : marks_.Gone(table))
            if ((gone.record.videoPid == 0) == radioTab)
                parts_.model->AppendGoneProgram(gone.record, gone.number, gone.followsKey, gone.followsAny);
}

void CompareCommand::AfterFill()
{
    if (!Active())
        return;
    // The column is the model's last; the view shows it after the number and
    // the name, where the eye is, without changing the model's columns.
    const int change = static_cast<int>(parts_.model->Columns().size());
    QHeaderView* header = parts_.list->horizontalHeader();
    header->moveSection(header->visualIndex(change), std::min(change, kChangeColumnShownAt));
    parts_.list->setColumnWidth(change, kChangeColumnWidth);
    MarkTree(true);
    counts_->setText(CountsText());
    placeBar_();
}

QString CompareCommand::CountsText() const
{
    const ComparisonCounts& c = marks_.counts;
    return QStringLiteral("Compared with %1 (%2): %3 new, %4 gone, %5 moved, %6 changed.")
        .arg(earlierName_, PairingText(pairing_), GroupedNumber(c.added), GroupedNumber(c.gone),
             GroupedNumber(c.moved), GroupedNumber(c.changed));
}

void CompareCommand::MarkTree(bool marks)
{
    const ChannelTree& tree = *parts_.tree;
    for (std::size_t n = 0; n < tree.numTreeNodes; ++n) {
        const TreeNode& node = tree.treeNodes[n];
        if (!node.item)
            continue;
        bool marked = false;
        if (marks && node.kind == kTreeSatellite)
            marked = marks_.SatelliteMarked(node.satIndex);
        else if (marks && node.kind == kTreeTransponder)
            marked = marks_.TransponderMarked(node.tpIndex);
        // Only the nodes whose mark changes are touched: every change to an
        // item is a signal to the tree's view. The ground says whether a node
        // carries the mark.
        if (marked == node.item->data(0, Qt::BackgroundRole).isValid())
            continue;
        node.item->setData(0, Qt::BackgroundRole, marked ? QVariant(QBrush(kTreeMarkGround)) : QVariant());
        QFont font = node.item->font(0);
        font.setBold(marked);
        node.item->setFont(0, font);
        node.item->setToolTip(0, marked ? QStringLiteral("Changed since %1").arg(earlierName_) : QString());
    }
}

void CompareCommand::BuildBar()
{
    if (bar_)
        return;
    bar_ = new QWidget(parts_.findField);
    bar_->setObjectName(QStringLiteral("comparisonBar"));
    auto* layout = new QHBoxLayout(bar_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* show = new QLabel(QStringLiteral("Show:"), bar_);
    changes_ = new QComboBox(bar_);
    changes_->setObjectName(QStringLiteral("comparisonChanges"));
    for (const ChangeChoice& choice : kChangeChoices)
        changes_->addItem(QString::fromLatin1(choice.text));
    auto* paired = new QLabel(QStringLiteral("Paired as:"), bar_);
    pairings_ = new QComboBox(bar_);
    pairings_->setObjectName(QStringLiteral("comparisonPairing"));
    pairings_->addItem(QStringLiteral("Same image"));
    pairings_->addItem(QStringLiteral("Another scan"));
    auto* end = new QToolButton(bar_);
    end->setObjectName(QStringLiteral("endComparison"));
    end->setText(QStringLiteral("End comparison"));
    for (QWidget* widget : {static_cast<QWidget*>(show), static_cast<QWidget*>(changes_),
                            static_cast<QWidget*>(paired), static_cast<QWidget*>(pairings_),
                            static_cast<QWidget*>(end)})
        layout->addWidget(widget);
    QObject::connect(changes_, &QComboBox::currentIndexChanged, bar_, [this](int index) {
        if (index >= 0 && index < static_cast<int>(std::size(kChangeChoices)))
            ShowChanges(kChangeChoices[index].kinds);
    });
    QObject::connect(pairings_, &QComboBox::currentIndexChanged, bar_, [this](int index) {
        SetPairing(index == 0 ? DiffPairing::Offsets : DiffPairing::Channels);
    });
    QObject::connect(end, &QToolButton::clicked, bar_, [this] { End(); });
    QLineEdit* field = parts_.findField;
    auto* barPlacer = new TrailingPlacer(field, bar_, [field](int width) { field->setTextMargins(0, 0, width, 0); });
    // The counts stand at the end of the status line, after whatever the
    // last action said there.
    counts_ = new QLabel(parts_.statusLine);
    counts_->setObjectName(QStringLiteral("comparisonCounts"));
    counts_->hide();
    QLabel* status = parts_.statusLine;
    auto* countsPlacer =
        new TrailingPlacer(status, counts_, [status](int width) { status->setContentsMargins(0, 0, width, 0); });
    placeBar_ = [barPlacer, countsPlacer] {
        barPlacer->Place();
        countsPlacer->Place();
    };
    bar_->hide();
}

} // namespace korvex
