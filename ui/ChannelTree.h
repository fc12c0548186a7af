#pragma once
// The channel tree: "AllPrograms", then "Satellite(n)" with a node for each
// satellite and, under it, one for each of its transponders. A node table
// says which record each node stands for. After a change to the image the
// tree is rebuilt only when its satellites' or transponders' entries changed;
// when only their fields did, the labels are made anew; otherwise it is left
// as it is, keeping its expansion and selection.

#include "app/ProgramState.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace korvex {

enum TreeNodeKind : std::uint32_t {
    kTreeSatelliteRoot = 0,
    kTreeSatellite = 1,
    kTreeTransponder = 2,
    kTreeAllPrograms = 3,
};

struct TreeNode {
    QTreeWidgetItem* item = nullptr;
    std::uint32_t kind = 0;
    std::uint16_t satIndex = 0;  // satellite node: index in sats
    std::uint16_t tpIndex = 0;   // transponder node: index in tps
};

inline constexpr std::size_t kMaxTreeNodes = 8150;
// Transponder nodes shown under one satellite.
inline constexpr std::size_t kMaxTreeTpsPerSat = 500;

class ChannelTree {
public:
    explicit ChannelTree(ProgramState& state) : state_(state) {}

    void SetWidget(QTreeWidget* widget) { widget_ = widget; }

    // Makes every node anew from the database.
    void Build();
    // No node at all, as before any image was opened.
    void Clear();
    // Gives every node the label of the record it stands for as the database
    // now holds it; the tree keeps its items, expansion and selection.
    void RefreshLabels();
    // After the database was decoded again: rebuilds, relabels or leaves the
    // tree as the change requires. A rebuilt tree selects, without signals,
    // the node of the list the window shows (listType, with selectedSat or
    // selectedTp).
    void ShowAgain(ListType listType, std::uint16_t selectedSat, std::uint16_t selectedTp);
    // Selects, without signals, the node of the list listType (with
    // selectedSat or selectedTp).
    void Select(ListType listType, std::uint16_t selectedSat, std::uint16_t selectedTp);

    // The satellite and transponder the window's lists are of, by their
    // records' places in the image: indices change when entries do, places
    // outlive a decoding of the image.
    struct Chosen {
        std::uint64_t satOffset;
        std::uint64_t tpOffset;
    };
    Chosen Remember(std::uint16_t selectedSat, std::uint16_t selectedTp) const;
    // After the image was decoded again: the indices of the chosen records
    // where they now stand (0 when gone). A list whose satellite or
    // transponder is gone falls back to the satellites.
    void Relocate(const Chosen& chosen, ListType& listType, std::uint16_t& selectedSat,
                  std::uint16_t& selectedTp) const;

    // The list a node asks for: the satellites, a satellite's transponders
    // (its index goes to selectedSat), a transponder's programs (its index
    // goes to selectedTp) or all programs.
    static std::optional<ListType> ListOf(const TreeNode& node, std::uint16_t& selectedSat,
                                               std::uint16_t& selectedTp);

    // The node of a tree item, or nothing.
    const TreeNode* NodeOf(const QTreeWidgetItem* item) const;

    std::array<TreeNode, kMaxTreeNodes> treeNodes{};
    std::uint16_t numTreeNodes = 0;

private:
    // The satellites and transponders as decoded when the labels were made:
    // the tree's structure follows their entries, its labels their fields.
    struct Source {
        std::vector<SatRecord> sats;
        std::vector<TpRecord> tps;
        bool operator==(const Source&) const = default;
        bool SameEntries(const Source& other) const;
    };
    Source SourceNow() const;
    QString SatelliteLabel(std::uint16_t s) const;
    QString TransponderLabel(std::size_t k, std::uint16_t t) const;

    ProgramState& state_;
    QTreeWidget* widget_ = nullptr;
    Source source_;
};

} // namespace korvex
