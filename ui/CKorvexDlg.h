#pragma once
// The main window: menu, buttons, the TV/Radio tab strip, the channel tree,
// the channel list and the four counters, and the commands behind them.

#include "ui/ChannelListModel.h"
#include "ui/ModalDialog.h"
#include "ui/Platform.h"
#include "ui/ProgramState.h"

#include <QIcon>
#include <QString>

#include <array>
#include <cstdint>

class QLabel;
class QMenuBar;
class QTabBar;
class QTableView;
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

class CKorvexDlg final : public ModalDialog {
public:
    CKorvexDlg(ProgramState& state, Platform& platform);
    ~CKorvexDlg() override;

    bool OnInitDialog() override;
    QString GetVersionString();

    // Menu commands and buttons, by command or control id.
    void OnCommand(int id);
    // System-menu commands; true when handled.
    bool OnSysCommand(int id);

    void OnFileOpen();
    void OnFileSave();
    void OnToolsUpgrade();
    void OnToolsDump();
    void OnAbout();
    void OnExit();

    void BuildTree();
    void OnTreeSelChanged();
    void OnTreeClick();
    void FillList(std::uint32_t listType);
    void OnTabSelChange();
    void UpdateCounters();

    QIcon OnQueryDragIcon() const { return appIcon; }

    std::uint16_t selectedSat = 0;
    std::uint16_t selectedTp = 0;
    std::array<TreeNode, kMaxTreeNodes> treeNodes{};
    std::uint16_t numTreeNodes = 0;
    QIcon appIcon;
    QString satCountText;
    QString tpCountText;
    QString tvCountText;
    QString radioCountText;
    QTreeWidget* channelTree = nullptr;
    QTableView* channelList = nullptr;
    QTabBar* kindTabs = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void CreateMenuBar();
    void ConnectControls();
    // Moves the four counter strings to their fields, or back.
    void ExchangeCounterTexts(bool toControls);
    void FillSatellites(QString& warning);
    void FillSatTransponders();
    void FillAllPrograms();
    void FillTpPrograms();
    void ClearView();
    void StartTool(const QString& fileName);
    bool PassesTabFilter(const ProgRecord& prog) const;

    ProgramState& state_;
    Platform& platform_;
    ChannelListModel* listModel_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    // True while the buffer holds an image that LoadDatabase accepted; Save
    // refuses to write anything else.
    bool imageLoaded_ = false;
};

} // namespace korvex
