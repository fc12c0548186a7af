#pragma once
// The main window: menu, buttons, the TV/Radio tab strip, the channel tree,
// the channel list and the four counters, and the commands behind them.

#include "editors/ProgEditDlg.h"
#include "editors/SatEditDlg.h"
#include "editors/TpEditDlg.h"
#include "serial/CCOMSetDlg.h"
#include "ui/ChannelListModel.h"
#include "ui/ChannelTree.h"
#include "ui/ArrangeCommands.h"
#include "app/ModalDialog.h"
#include "app/OpenImage.h"
#include "app/Platform.h"
#include "app/ProgramState.h"

#include <QIcon>
#include <QModelIndex>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenuBar;
class QTabBar;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace korvex {

class CompareCommand;
class EditActions;
class FileCommands;
class FindField;
class HelpWindow;
class ListCommands;
class ListFilter;
class ListSelection;
class NamesMenu;
class RecordEditing;

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
    // Opens the image file at path as Open does once a file is chosen: the
    // open image is replaced only when the file loads; otherwise the user is
    // told why and nothing changes. Does not ask about unsaved edits.
    bool OpenImageFile(const QString& path);
    void OnFileSave();
    void OnToolsUpgrade();
    void OnToolsDump();
    // Tools → "Clean up…": deletes what the clean-up finds, after a preview.
    void OnToolsCleanUp();
    void OnToolsUpdateTransponders();
    void OnAbout();
    // Help → "user guide" opens the guide's contents; F1 the page for what
    // the window shows.
    void OnHelpUserGuide();
    void OnHelpForWhatIsShown();
    HelpWindow* Help() const { return help_; }
    void OnExit();
    // A charset chosen in the "Names" menu: every name is read anew in it.
    void OnNameCharset(const std::string& charset);

    void BuildTree();
    void OnTreeSelChanged();
    void OnTreeClick();
    void FillList(std::uint32_t listType);
    void OnTabSelChange();
    void UpdateCounters();
    // The edit dispatch: opens the editor for the topmost selected row and,
    // after an accepted edit, shows the image as it now stands.
    void OnListDblClk();
    // Enter, Return or F2 on the list: the same for the row the keyboard
    // cursor is on.
    void OnListOpenKey();
    // Files dropped on the window: one is opened as Open opens it, after
    // the question about unsaved edits; more are refused.
    void OnFilesDropped(const QStringList& paths);

    // True while the image differs from what the last Open took in or the
    // last Save wrote.
    bool HasUnsavedEdits() const;

    // The channel tree and its node table.
    const ChannelTree& Tree() const { return tree_; }

    // The Edit menu and the list's context menu.
    void OnUndo();
    void OnRedo();
    void OnMoveRows(int step);
    void OnMoveTo();
    void OnDeleteRows();
    void OnSort(SortKey key);
    void OnChangeFlags(FlagChange change, const QString& done, const QString& label);
    void OnSelectAll();
    void OnFind();
    // The selected rows dropped on the list: they go before the row
    // `beforeRow` (the row count: to the end).
    void OnRowsDropped(int beforeRow);
    // Carries an earlier list's order, favourites and locks over, after a
    // preview.
    void OnApplyEarlierList();
    // Edit → Select: selects the rows of these records that the list shows
    // and says how many, naming the kind.
    void OnSelectKind(const std::vector<std::uint64_t>& keys, const QString& kind);
    // File → "Compare with…" and "End comparison".
    void OnCompareWith();
    void OnEndComparison();
    CompareCommand& Comparison() const { return *compare_; }

    // The source rows of the list (as RowMap counts them) that are selected,
    // in ascending order.
    std::vector<int> SelectedRows() const;
    // Selects the rows with these source-row numbers.
    void SelectRows(const std::vector<int>& rows);

    QIcon OnQueryDragIcon() const { return appIcon; }

    std::uint16_t selectedSat = 0;
    std::uint16_t selectedTp = 0;
    QIcon appIcon;
    CCOMSetDlg comSetDlg;  // built and destroyed with the window, never shown
    SatEditDlg satEditDlg;
    TpEditDlg tpEditDlg;
    ProgEditDlg progEditDlg;
    QString satCountText;
    QString tpCountText;
    QString tvCountText;
    QString radioCountText;
    QTreeWidget* channelTree = nullptr;
    QTableView* channelList = nullptr;
    QTabBar* kindTabs = nullptr;
    QLineEdit* findField = nullptr;
    QLabel* statusLine = nullptr;
    EditActions* editActions = nullptr;

    // Escape and the close box end here, as with Cancel.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void CreateMenuBar();
    // The caption: the open file's name and whether it has unsaved edits.
    void UpdateTitle();
    void ConnectControls();
    // Moves the four counter strings to their fields, or back.
    void ExchangeCounterTexts(bool toControls);
    void ClearView();
    // Gives every tree node the label of the record it stands for as the
    // database now holds it; the tree keeps its items, expansion and selection.
    void RefreshTreeLabels();
    // Shows an image just opened: counters, tree and the list of all programs.
    void ShowOpenedImage();
    // Decodes the image again and rebuilds the tree, the counters and the
    // list, keeping the selected records selected where they still are.
    void ShowImageAgain();
    // The list of all programs under the TV (0) or Radio (1) tab, the tree
    // and the tab strip showing it.
    void ShowAllPrograms(std::uint32_t tab);
    // Sizes the list's columns to their contents, the last one stretching.
    void FitColumns();
    // Enables the Edit menu's actions for what the list shows and selects.
    void UpdateEditActions();
    // Opens the editor for a row as the list shows it.
    void EditRow(const QModelIndex& shown);
    // Asks before accepted edits that were not saved are thrown away.
    bool MayDiscardEdits();
    void StartTool(const QString& fileName);
    // Where a sibling tool is: Config/fileName beside the executable.
    QString ToolPath(const QString& fileName);
    // The tool buttons' tool tips: the program each starts, and whether it
    // is there.
    void ShowToolTips();
    // Says in the status line that the find field's text matches no row.
    void SayFindResult(const QString& typed);
    // The list and the menu follow state_.nameCharset(); the tree's labels
    // are made anew by whoever calls it.
    void ApplyNameCharset();

    ProgramState& state_;
    Platform& platform_;
    QString versionTitle_;  // the template's caption and the version
    bool saidNoMatch_ = false;
    std::span<const ListColumn> fittedColumns_;  // the columns FitColumns last fitted  // the status line holds the find field's "No ... matches"
    ChannelListModel* listModel_ = nullptr;
    ListFilter* listFilter_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    NamesMenu* namesMenu_ = nullptr;
    // The open image: open, reload, the history bracket, unsaved, save.
    OpenImage document_;
    ChannelTree tree_;
    // The units the window hands its commands to.
    std::unique_ptr<ListSelection> selection_;
    std::unique_ptr<FindField> find_;
    std::unique_ptr<ArrangeCommands> arrange_;
    std::unique_ptr<RecordEditing> editing_;
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<ListCommands> listCommands_;
    std::unique_ptr<CompareCommand> compare_;
    HelpWindow* help_ = nullptr;  // made when first asked for; a child of the window
};

} // namespace korvex
