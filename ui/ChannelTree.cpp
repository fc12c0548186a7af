#include "ui/ChannelTree.h"

#include "ui/ChannelListModel.h"

#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <optional>

namespace korvex {

ChannelTree::Source ChannelTree::SourceNow() const
{
    const ChannelDatabase& db = state_.database();
    return {{db.Sats().begin(), db.Sats().end()}, {db.Tps().begin(), db.Tps().end()}};
}

bool ChannelTree::Source::SameEntries(const Source& other) const
{
    const auto sameEntry = [](const auto& a, const auto& b) { return a.entryWord == b.entryWord; };
    return std::ranges::equal(sats, other.sats, sameEntry) && std::ranges::equal(tps, other.tps, sameEntry);
}

void ChannelTree::Build()
{
    const ChannelDatabase& db = state_.database();
    source_ = SourceNow();
    const QSignalBlocker quiet(widget_);
    widget_->clear();
    treeNodes.fill(TreeNode{});

    auto* allPrograms = new QTreeWidgetItem(widget_, {QStringLiteral("AllPrograms")});
    treeNodes[0] = {allPrograms, kTreeAllPrograms, 0, 0};
    auto* satelliteRoot = new QTreeWidgetItem(widget_, {QString::asprintf("Satellite(%d)", db.numSats)});
    treeNodes[1] = {satelliteRoot, kTreeSatelliteRoot, 0, 0};

    std::size_t n = 2;
    for (std::uint16_t s = 0; s < db.numSats && n < kMaxTreeNodes; ++s) {
        const SatRecord& sat = db.sats[s];
        auto* satItem = new QTreeWidgetItem(satelliteRoot, {SatelliteLabel(s)});
        treeNodes[n++] = {satItem, kTreeSatellite, s, 0};
        // Each transponder node remembers the transponder's own index in tps,
        // so it selects that transponder however the table is ordered.
        std::size_t k = 0;
        for (std::uint16_t t = 0; t < db.numTps && k < kMaxTreeTpsPerSat && n < kMaxTreeNodes; ++t) {
            if (db.tps[t].satId != sat.satId)
                continue;
            auto* tpItem = new QTreeWidgetItem(satItem, {TransponderLabel(k, t)});
            treeNodes[n++] = {tpItem, kTreeTransponder, 0, t};
            ++k;
        }
    }
    numTreeNodes = static_cast<std::uint16_t>(n);
}

void ChannelTree::Clear()
{
    {
        const QSignalBlocker quiet(widget_);
        widget_->clear();
    }
    treeNodes.fill(TreeNode{});
    numTreeNodes = 0;
}

QString ChannelTree::SatelliteLabel(std::uint16_t s) const
{
    const SatRecord& sat = state_.database().sats[s];
    return QString::asprintf("%3d_", s) + NameText(sat.satName, state_.nameCharset().charset) +
           QString::asprintf("(%d)", sat.tpCount);
}

QString ChannelTree::TransponderLabel(std::size_t k, std::uint16_t t) const
{
    return QString::asprintf("%3d_%5d", static_cast<int>(k), static_cast<int>(state_.database().tps[t].frequency));
}

void ChannelTree::RefreshLabels()
{
    source_ = SourceNow();
    std::size_t k = 0;
    for (std::size_t i = 0; i < numTreeNodes; ++i) {
        const TreeNode& node = treeNodes[i];
        switch (node.kind) {
        case kTreeSatelliteRoot:
            node.item->setText(0, QString::asprintf("Satellite(%d)", state_.database().numSats));
            break;
        case kTreeSatellite:
            node.item->setText(0, SatelliteLabel(node.satIndex));
            k = 0;
            break;
        case kTreeTransponder:
            node.item->setText(0, TransponderLabel(k++, node.tpIndex));
            break;
        default:
            break;
        }
    }
}

void ChannelTree::ShowAgain(ListType listType, std::uint16_t selectedSat, std::uint16_t selectedTp)
{
    // When the satellites' and transponders' entries are those the tree was
    // built from, its structure is the same, and relabelling it gives what a
    // rebuild would, at a fraction of the cost; when their records are the
    // same too (a program was moved, say), so are its labels.
    const Source now = SourceNow();
    if (numTreeNodes > 0 && now == source_)
        return;
    if (numTreeNodes > 0 && now.SameEntries(source_)) {
        RefreshLabels();
        return;
    }
    Build();
    Select(listType, selectedSat, selectedTp);
}

void ChannelTree::Select(ListType listType, std::uint16_t selectedSat, std::uint16_t selectedTp)
{
    const QSignalBlocker quiet(widget_);
    for (std::size_t i = 0; i < numTreeNodes; ++i) {
        const TreeNode& node = treeNodes[i];
        const bool current =
            (listType == ListType::AllPrograms && node.kind == kTreeAllPrograms) ||
            (listType == ListType::Satellites && node.kind == kTreeSatelliteRoot) ||
            (listType == ListType::SatTransponders && node.kind == kTreeSatellite && node.satIndex == selectedSat) ||
            (listType == ListType::TpPrograms && node.kind == kTreeTransponder && node.tpIndex == selectedTp);
        if (current) {
            widget_->setCurrentItem(node.item);
            break;
        }
    }
}

const TreeNode* ChannelTree::NodeOf(const QTreeWidgetItem* item) const
{
    for (std::size_t i = 0; i < numTreeNodes; ++i)
        if (treeNodes[i].item == item)
            return &treeNodes[i];
    return nullptr;
}

namespace {

// No record lies at this offset: offsets have 24 bits.
constexpr std::uint64_t kNoRecord = 1ull << 32;

template <typename Records>
std::optional<std::uint16_t> IndexAt(const Records& records, std::uint64_t offset)
{
    for (std::size_t i = 0; i < records.size(); ++i)
        if (RecordOffsetOf(records[i].entryWord) == offset)
            return static_cast<std::uint16_t>(i);
    return std::nullopt;
}

} // namespace

std::optional<ListType> ChannelTree::ListOf(const TreeNode& node, std::uint16_t& selectedSat,
                                                 std::uint16_t& selectedTp)
{
    switch (node.kind) {
    case kTreeSatelliteRoot:
        return ListType::Satellites;
    case kTreeSatellite:
        selectedSat = node.satIndex;
        return ListType::SatTransponders;
    case kTreeTransponder:
        selectedTp = node.tpIndex;
        return ListType::TpPrograms;
    case kTreeAllPrograms:
        return ListType::AllPrograms;
    default:
        return std::nullopt;
    }
}

ChannelTree::Chosen ChannelTree::Remember(std::uint16_t selectedSat, std::uint16_t selectedTp) const
{
    const ChannelDatabase& db = state_.database();
    return {selectedSat < db.numSats ? RecordOffsetOf(db.sats[selectedSat].entryWord) : kNoRecord,
            selectedTp < db.numTps ? RecordOffsetOf(db.tps[selectedTp].entryWord) : kNoRecord};
}

void ChannelTree::Relocate(const Chosen& chosen, ListType& listType, std::uint16_t& selectedSat,
                           std::uint16_t& selectedTp) const
{
    const ChannelDatabase& db = state_.database();
    const std::optional<std::uint16_t> sat = IndexAt(db.Sats(), chosen.satOffset);
    const std::optional<std::uint16_t> tp = IndexAt(db.Tps(), chosen.tpOffset);
    if ((listType == ListType::SatTransponders && !sat) || (listType == ListType::TpPrograms && !tp))
        listType = ListType::Satellites;
    selectedSat = sat.value_or(0);
    selectedTp = tp.value_or(0);
}

} // namespace korvex
