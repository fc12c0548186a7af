#include "ui/CKorvexDlg.h"

#include "app/Messages.h"
#include "res/ResourceIds.h"
#include "res/Templates.h"
#include "ui/AccessKeys.h"
#include "ui/CAboutDlg.h"
#include "ui/CompareCommand.h"
#include "ui/EditActions.h"
#include "ui/FileCommands.h"
#include "ui/FileDrop.h"
#include "ui/FindField.h"
#include "ui/HelpWindow.h"
#include "ui/ListCommands.h"
#include "ui/ListFills.h"
#include "ui/ListFilter.h"
#include "ui/ListSelection.h"
#include "ui/MainMenu.h"
#include "ui/NamesMenu.h"
#include "ui/RecordEditing.h"
#include "ui/VersionText.h"
#include "ui/WindowKeys.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QTreeWidget>
#include <QLayout>

#include <algorithm>
#include <optional>

namespace korvex {

CKorvexDlg::CKorvexDlg(ProgramState& state, Platform& platform)
    : ModalDialog(nullptr),
      comSetDlg(platform),
      satEditDlg(state, platform, this),
      tpEditDlg(state, platform, this),
      progEditDlg(state, platform, this),
      state_(state),
      platform_(platform),
      document_(state),
      tree_(state)
{
    // A window with caption, system menu, minimise and maximise boxes, as
    // large as the user wants it and never smaller than its template.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    res::BuildResizableDialog(this, res::MainDialogTemplate(), res::MainDialogAnchors());

    channelTree = res::FindControl<QTreeWidget>(this, res::IDC_CHANNEL_TREE);
    tree_.SetWidget(channelTree);
    channelList = res::FindControl<QTableView>(this, res::IDC_CHANNEL_LIST);
    kindTabs = res::FindControl<QTabBar>(this, res::IDC_KIND_TABS);
    findField = res::FindControl<QLineEdit>(this, res::IDC_FILTER);
    statusLine = res::FindControl<QLabel>(this, res::IDC_STATUS);
    findField->setPlaceholderText(QStringLiteral("Find a channel: name or number (Ctrl+F)"));
    findField->setClearButtonEnabled(true);
    listModel_ = new ChannelListModel(this);
    listFilter_ = new ListFilter(listModel_, this);
    channelList->setModel(listFilter_);
    editActions = new EditActions(this, channelList);
    selection_ = std::make_unique<ListSelection>(channelList, listFilter_, listModel_);
    find_ = std::make_unique<FindField>(findField, *selection_);
    arrange_ = std::make_unique<ArrangeCommands>(
        state, platform, document_, ArrangeCommands::Parts{this, editActions, selection_.get(), findField, statusLine},
        [this] { ShowImageAgain(); });
    editing_ = std::make_unique<RecordEditing>(state, platform, document_, this, satEditDlg, tpEditDlg, progEditDlg);
    files_ = std::make_unique<FileCommands>(state, platform, document_, this, statusLine,
                                            FileCommands::Show{[this] { ShowOpenedImage(); }, [this] { UpdateTitle(); }});
    listCommands_ = std::make_unique<ListCommands>(
        state, platform, document_, ListCommands::Parts{this, editActions, selection_.get(), statusLine},
        ListCommands::Show{[this] { ShowImageAgain(); }, [this](std::uint32_t tab) { ShowAllPrograms(tab); }});
    compare_ = std::make_unique<CompareCommand>(
        state, platform,
        CompareCommand::Parts{this, findField, statusLine, channelList, listModel_, listFilter_, &tree_},
        [this] { FillList(state_.list().ListType); });
    ConnectControls();
    arrange_->Connect([this] { OnSelectAll(); }, [this] { OnFind(); });

    appIcon = res::ApplicationIcon();
}

CKorvexDlg::~CKorvexDlg() = default;

void CKorvexDlg::ConnectControls()
{
    connect(channelTree, &QTreeWidget::currentItemChanged, this, [this] { OnTreeSelChanged(); });
    connect(channelTree, &QTreeWidget::itemClicked, this, [this] { OnTreeClick(); });
    connect(kindTabs, &QTabBar::currentChanged, this, [this] { OnTabSelChange(); });
    connect(channelList, &QTableView::doubleClicked, this, [this] { OnListDblClk(); });
    channelList->installEventFilter(this);
    channelList->viewport()->installEventFilter(this);
    findField->installEventFilter(this);
    connect(findField, &QLineEdit::textChanged, this, [this](const QString& text) {
        listFilter_->SetText(text);
        UpdateEditActions();
        SayFindResult(text);
    });
    connect(channelList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateEditActions(); });
    listCommands_->Connect();
    channelList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(channelList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        editActions->Menu()->popup(channelList->viewport()->mapToGlobal(at));
    });
    channelList->setDragEnabled(false);  // rows are dragged by ArrangeCommands::ListDragEvent
    channelList->viewport()->setAcceptDrops(true);
    // Files are taken wherever they are dropped: on the window, on the list
    // (whose own drags stay moves of rows) and on the find field.
    auto* fileDrop = new FileDropTarget(this, [this](const QStringList& paths) { OnFilesDropped(paths); });
    for (QWidget* target : {static_cast<QWidget*>(this), channelList->viewport(), static_cast<QWidget*>(findField)})
        fileDrop->Watch(target);
    // F1 anywhere in the window: the guide's page for what it shows.
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
            [this] { OnHelpForWhatIsShown(); });
    for (const int id : {res::IDC_UPGRADE, res::IDC_DUMP, res::IDC_OPEN, res::IDC_SAVE}) {
        connect(res::FindControl<QPushButton>(this, id), &QPushButton::clicked, this, [this, id] { OnCommand(id); });
    }
}

bool CKorvexDlg::OnInitDialog()
{
    const QString aboutEntry = res::LoadString(res::IDS_ABOUTBOX);
    if (!aboutEntry.isEmpty())
        platform_.AppendSystemMenuItem(this, res::IDM_ABOUTBOX, aboutEntry);

    setWindowIcon(appIcon);
    setWindowState(Qt::WindowNoState);
    CreateMenuBar();
    versionTitle_ = res::MainDialogTemplate().caption + QLatin1Char(' ') + GetVersionString();
    UpdateTitle();
    comSetDlg.selectedPort = 1;

    FlashImage& image = state_.image();
    std::ranges::fill(image.bytes, std::uint8_t{0});
    image.fileOpened = 0;

    {
        const QSignalBlocker quiet(kindTabs);
        while (kindTabs->count() > 0)
            kindTabs->removeTab(0);
        kindTabs->insertTab(0, QStringLiteral("TV"));
        kindTabs->insertTab(1, QStringLiteral("Radio"));
        kindTabs->setCurrentIndex(0);
    }
    state_.list().radioMode = 0;

    channelList->setShowGrid(true);
    channelList->setSelectionBehavior(QAbstractItemView::SelectRows);
    channelList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    channelList->setEditTriggers(QAbstractItemView::NoEditTriggers);

    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    ShowToolTips();
    channelList->setFocus();
    return true;
}

void CKorvexDlg::CreateMenuBar()
{
    if (menuBar_)
        return;
    const MainMenu menu = BuildMainMenu(this, editActions->Menu(), [this](int id) { OnCommand(id); });
    menuBar_ = menu.bar;
    listCommands_->SetUpdateTranspondersAction(menu.commands.at(res::ID_TOOLS_UPDATE_TPS));
    namesMenu_ = new NamesMenu(menuBar_, menu.help, [this](const std::string& charset) { OnNameCharset(charset); });
    namesMenu_->Show(state_.nameCharset(), LocaleCharset());
    GiveAccessKeys(menuBar_);
    layout()->setMenuBar(menuBar_);
    // F10 goes to the menu bar, opening its first menu, as on the desktop.
    auto* toMenuBar = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(toMenuBar, &QShortcut::activated, this, [this] {
        if (!menuBar_->actions().isEmpty())
            menuBar_->setActiveAction(menuBar_->actions().first());
    });
}

void CKorvexDlg::OnNameCharset(const std::string& charset)
{
    state_.nameCharset() = {NameCharset(charset), CharsetSource::Given};
    ApplyNameCharset();
    RefreshTreeLabels();
}

void CKorvexDlg::ApplyNameCharset()
{
    listModel_->SetNameCharset(state_.nameCharset().charset);
    if (namesMenu_) {
        namesMenu_->Show(state_.nameCharset(), LocaleCharset());
        GiveAccessKeys(menuBar_);  // the charsets' entries are labelled anew
    }
}

QString CKorvexDlg::GetVersionString()
{
    const std::optional<VersionInfo> version = platform_.ReadVersionInfo();
    return version ? FormatVersion(*version) : QString();
}

void CKorvexDlg::UpdateTitle()
{
    // The open file's name, marked while it has edits that were not saved,
    // before the version; the version alone before any Open.
    const QString name = state_.files().OpenName();
    if (name.isEmpty()) {
        setWindowTitle(versionTitle_);
        return;
    }
    const QString mark = HasUnsavedEdits() ? QStringLiteral("*") : QString();
    setWindowTitle(name + mark + QStringLiteral(" \u2014 ") + versionTitle_);
}

void CKorvexDlg::OnCommand(int id)
{
    switch (id) {
    case res::ID_FILE_OPEN:
    case res::IDC_OPEN:
        OnFileOpen();
        break;
    case res::ID_FILE_SAVE:
    case res::IDC_SAVE:
        OnFileSave();
        break;
    case res::ID_FILE_EXIT:
        OnExit();
        break;
    case res::ID_FILE_COMPARE:
        OnCompareWith();
        break;
    case res::ID_FILE_END_COMPARE:
        OnEndComparison();
        break;
    case res::ID_TOOLS_UPGRADE:
    case res::IDC_UPGRADE:
        OnToolsUpgrade();
        break;
    case res::ID_TOOLS_DUMP:
    case res::IDC_DUMP:
        OnToolsDump();
        break;
    case res::ID_TOOLS_CLEANUP:
        OnToolsCleanUp();
        break;
    case res::ID_TOOLS_UPDATE_TPS:
        OnToolsUpdateTransponders();
        break;
    case res::ID_HELP_ABOUT:
        OnAbout();
        break;
    case res::ID_HELP_USERGUIDE:
        OnHelpUserGuide();
        break;
    default:
        break;
    }
}

bool CKorvexDlg::OnSysCommand(int id)
{
    if ((id & 0xFFF0) != res::IDM_ABOUTBOX)
        return false;
    OnAbout();
    return true;
}

void CKorvexDlg::OnHelpUserGuide()
{
    if (help_ == nullptr)
        help_ = new HelpWindow(this);
    help_->ShowPage(kGuideContents);
}

void CKorvexDlg::OnHelpForWhatIsShown()
{
    if (help_ == nullptr)
        help_ = new HelpWindow(this);
    const std::uint32_t list = state_.list().ListType;
    help_->ShowPage(GuidePageFor(document_.IsLoaded(), compare_->Active(),
                                 list == kListAllPrograms || list == kListTpPrograms));
}

void CKorvexDlg::OnAbout()
{
    CAboutDlg about(this);
    about.DoModal();
}

void CKorvexDlg::OnExit()
{
    if (!MayDiscardEdits())
        return;
    ExchangeCounterTexts(false);
    accept();
}

void CKorvexDlg::reject()
{
    if (MayDiscardEdits())
        ModalDialog::reject();
}

bool CKorvexDlg::HasUnsavedEdits() const
{
    return document_.HasUnsavedEdits();
}

bool CKorvexDlg::MayDiscardEdits()
{
    return files_->MayDiscardEdits();
}

bool CKorvexDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The view reports a double click of any button; only the left button's
    // opens an editor.
    if (watched == channelList->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return true;
    if (watched == channelList->viewport() && arrange_->ListDragEvent(event))
        return true;
    if (watched == channelList && event->type() == QEvent::KeyPress &&
        OpensCurrentRow(*static_cast<QKeyEvent*>(event))) {
        OnListOpenKey();
        return true;
    }
    if (watched == channelList && event->type() == QEvent::KeyPress) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (OpensContextMenu(key)) {
            // At the current row, or at the top of the list without one.
            const QRect row = channelList->visualRect(channelList->currentIndex());
            const QPoint at = row.isValid() ? row.bottomLeft() : QPoint(0, 0);
            editActions->Menu()->popup(channelList->viewport()->mapToGlobal(at));
            return true;
        }
        // A row key whose action cannot run now says why instead of doing
        // nothing (or moving the cursor as the list's own key would).
        if (const QString why = editActions->KeyRefusal(key); !why.isEmpty()) {
            statusLine->setText(why);
            return true;
        }
    }
    if (watched == findField && event->type() == QEvent::KeyPress && find_->Key(*static_cast<QKeyEvent*>(event)))
        return true;
    // Escape in the list with nothing selected ends a comparison.
    if (watched == channelList && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && compare_->Active() && !selection_->Any()) {
        compare_->End();
        return true;
    }
    return ModalDialog::eventFilter(watched, event);
}

void CKorvexDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter ends the dialog like exit unless a button has the focus, which it
    // then presses (the list and the find field take their Enter before it
    // comes here); Escape ends it like the close box.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        else
            OnExit();
        return;
    }
    ModalDialog::keyPressEvent(event);
}

void CKorvexDlg::paintEvent(QPaintEvent* event)
{
    if (!isMinimized()) {
        ModalDialog::paintEvent(event);
        return;
    }
    const int iconWidth = style()->pixelMetric(QStyle::PM_LargeIconSize);
    const int iconHeight = iconWidth;
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const int x = (width() - iconWidth + 1) / 2;
    const int y = (height() - iconHeight + 1) / 2;
    appIcon.paint(&painter, x, y, iconWidth, iconHeight);
}

void CKorvexDlg::OnFileOpen()
{
    files_->Open();
}

void CKorvexDlg::OnFilesDropped(const QStringList& paths)
{
    files_->Dropped(paths);
}

bool CKorvexDlg::OpenImageFile(const QString& path)
{
    return files_->OpenFile(path);
}

void CKorvexDlg::ShowOpenedImage()
{
    compare_->End();
    statusLine->clear();
    ApplyNameCharset();
    UpdateCounters();
    BuildTree();
    fittedColumns_ = {};  // a new image's list is fitted to its own contents
    FillList(kListAllPrograms);
    UpdateTitle();
}

void CKorvexDlg::OnFileSave()
{
    files_->Save();
}

void CKorvexDlg::ClearView()
{
    tree_.Clear();
    selectedSat = 0;
    selectedTp = 0;
    state_.list().RowMap.fill(0);
    listModel_->ClearRows();
    satCountText.clear();
    tpCountText.clear();
    tvCountText.clear();
    radioCountText.clear();
    ExchangeCounterTexts(true);
}

void CKorvexDlg::UpdateCounters()
{
    const ChannelDatabase& db = state_.database();
    satCountText = QStringLiteral("Sat: %1").arg(db.numSats);
    tpCountText = QStringLiteral("TP: %1").arg(db.numTps);
    tvCountText = QStringLiteral("TV: %1").arg(db.numTv);
    radioCountText = QStringLiteral("Radio: %1").arg(db.numRadio);
    ExchangeCounterTexts(true);
}

void CKorvexDlg::ExchangeCounterTexts(bool toControls)
{
    const std::pair<int, QString*> fields[] = {
        {res::IDC_SAT_COUNT, &satCountText},
        {res::IDC_TP_COUNT, &tpCountText},
        {res::IDC_TV_COUNT, &tvCountText},
        {res::IDC_RADIO_COUNT, &radioCountText},
    };
    for (const auto& [id, text] : fields) {
        QLabel* label = res::FindControl<QLabel>(this, id);
        if (toControls)
            label->setText(*text);
        else
            *text = label->text();
    }
}

QString CKorvexDlg::ToolPath(const QString& fileName)
{
    const QString folder = QFileInfo(platform_.ExecutablePath()).absolutePath();
    return QDir(folder).filePath(QStringLiteral("Config/") + fileName);
}

void CKorvexDlg::StartTool(const QString& fileName)
{
    // Whether the tool is there and starts is not looked at: it reports for
    // itself. The buttons' tool tips say whether it is there.
    platform_.StartProgram(ToolPath(fileName));
    ShowToolTips();
}

void CKorvexDlg::ShowToolTips()
{
    const std::pair<int, QString> tools[] = {{res::IDC_UPGRADE, QStringLiteral("Burnix.exe")},
                                             {res::IDC_DUMP, QStringLiteral("Pullix.exe")}};
    for (const auto& [id, fileName] : tools) {
        const QString path = QDir::toNativeSeparators(ToolPath(fileName));
        res::FindControl<QPushButton>(this, id)->setToolTip(
            QFileInfo::exists(ToolPath(fileName))
                ? QStringLiteral("Starts %1.").arg(path)
                : QStringLiteral("Starts %1, which is not there: it is a separate program installed beside Korvex.")
                      .arg(path));
    }
}

void CKorvexDlg::SayFindResult(const QString& typed)
{
    // Only the find field's own message is taken back when the text changes.
    const bool noMatch = !typed.trimmed().isEmpty() && listModel_->rowCount() > 0 && listFilter_->rowCount() == 0;
    if (noMatch) {
        statusLine->setText(NoMatchText(typed.trimmed(), state_.list().ListType));
        saidNoMatch_ = true;
    } else if (saidNoMatch_) {
        statusLine->clear();
        saidNoMatch_ = false;
    }
}

void CKorvexDlg::OnToolsUpgrade() { StartTool(QStringLiteral("Burnix.exe")); }
void CKorvexDlg::OnToolsDump() { StartTool(QStringLiteral("Pullix.exe")); }
void CKorvexDlg::OnToolsCleanUp() { listCommands_->CleanUp(); }
void CKorvexDlg::OnToolsUpdateTransponders() { listCommands_->UpdateTransponders(selectedSat); }

void CKorvexDlg::BuildTree()
{
    tree_.Build();
}

void CKorvexDlg::RefreshTreeLabels()
{
    tree_.RefreshLabels();
}

void CKorvexDlg::OnTreeSelChanged()
{
    const QTreeWidgetItem* selected = channelTree->currentItem();
    if (!selected || state_.image().fileOpened == 0)
        return;
    if (const TreeNode* node = tree_.NodeOf(selected))
        if (const std::optional<std::uint32_t> listType = ChannelTree::ListOf(*node, selectedSat, selectedTp))
            FillList(*listType);
}

void CKorvexDlg::OnTreeClick()
{
    // The selection change does the work.
}

void CKorvexDlg::OnTabSelChange()
{
    state_.list().radioMode = static_cast<std::uint32_t>(std::max(kindTabs->currentIndex(), 0));
    FillList(state_.list().ListType);
}

void CKorvexDlg::OnListDblClk()
{
    state_.list().RecordEdited = 0;
    const QModelIndexList selected = channelList->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    // The topmost row as the list shows it.
    QModelIndex topmost = selected.first();
    for (const QModelIndex& index : selected)
        if (index.row() < topmost.row())
            topmost = index;
    EditRow(topmost);
}

void CKorvexDlg::OnListOpenKey()
{
    // The row the keyboard cursor is on, selected or not.
    const QModelIndex current = channelList->currentIndex();
    if (current.isValid())
        EditRow(current);
}

void CKorvexDlg::EditRow(const QModelIndex& shown)
{
    const int row = listFilter_->mapToSource(shown).row();
    if (row >= listModel_->ListedRows())  // a program gone since an earlier image
        return;
    if (!editing_->Edit(row))
        return;
    statusLine->clear();
    UpdateEditActions();
    UpdateTitle();
    if (!document_.Reload()) {
        // An edit broke the image's own checks: show nothing that could
        // be edited against the now empty database.
        ClearView();
        ShowWarning(platform_, this, kBinFileNotRight);
        return;
    }
    FillList(state_.list().ListType);
    UpdateCounters();
    RefreshTreeLabels();
    // The keyboard cursor stays on the row, which the refill left
    // unselected, so that the keys go on from where they were.
    const QModelIndex again = listFilter_->mapFromSource(listModel_->index(row, 0));
    if (again.isValid())
        channelList->selectionModel()->setCurrentIndex(again, QItemSelectionModel::NoUpdate);
}

void CKorvexDlg::FillList(std::uint32_t listType)
{
    listModel_->BeginFill();
    const QString warning = ListFills(state_, *listModel_).Fill(listType, selectedSat, selectedTp);
    compare_->FillGone(listType);
    listModel_->EndFill();
    FitColumns();
    compare_->AfterFill();
    UpdateEditActions();
    if (!warning.isEmpty())
        ShowWarning(platform_, this, warning);
}

void CKorvexDlg::FitColumns()
{
    // Each column as wide as its header and the rows it shows, the last one
    // taking what is left of the list. Only a list of other columns than the
    // last one is fitted: a refill after an edit keeps the widths the user
    // sees and may have set, and measuring costs a refill many times over.
    // The view measures the rows from the first shown, a hundred at most.
    const std::span<const ListColumn> columns = listModel_->Columns();
    if (columns.data() == fittedColumns_.data() && columns.size() == fittedColumns_.size())
        return;
    fittedColumns_ = columns;
    const QAbstractItemView* view = channelList;
    QHeaderView* header = channelList->horizontalHeader();
    header->setStretchLastSection(true);
    header->setResizeContentsPrecision(100);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const int column = static_cast<int>(c);
        channelList->setColumnWidth(
            column, std::max(view->sizeHintForColumn(column), header->sectionSizeHint(column)));
    }
}

// --- Arranging, undo and find: the work is ArrangeCommands' --------------

std::vector<int> CKorvexDlg::SelectedRows() const
{
    return selection_->Rows();
}

void CKorvexDlg::SelectRows(const std::vector<int>& rows)
{
    selection_->Select(rows);
}

void CKorvexDlg::UpdateEditActions()
{
    arrange_->UpdateActions();
    listCommands_->UpdateActions();
}

void CKorvexDlg::ShowImageAgain()
{
    // What is selected, and which satellite and transponder the tree chose,
    // by their records' places in the image: indices change when entries do.
    const std::vector<std::uint64_t> selectedKeys = selection_->Keys();
    const ChannelTree::Chosen chosen = tree_.Remember(selectedSat, selectedTp);

    UpdateTitle();
    if (!document_.Reload()) {
        ClearView();
        UpdateEditActions();
        ShowWarning(platform_, this, kBinFileNotRight);
        return;
    }
    std::uint32_t listType = state_.list().ListType;
    tree_.Relocate(chosen, listType, selectedSat, selectedTp);

    UpdateCounters();
    tree_.ShowAgain(listType, selectedSat, selectedTp);
    FillList(listType);

    selection_->SelectKeys(selectedKeys);
    UpdateEditActions();
}

void CKorvexDlg::ShowAllPrograms(std::uint32_t tab)
{
    state_.list().radioMode = tab;
    {
        const QSignalBlocker quiet(kindTabs);
        kindTabs->setCurrentIndex(static_cast<int>(tab));
    }
    tree_.Select(kListAllPrograms, selectedSat, selectedTp);
    FillList(kListAllPrograms);
}

void CKorvexDlg::OnApplyEarlierList() { listCommands_->ApplyEarlierList(); }

void CKorvexDlg::OnSelectKind(const std::vector<std::uint64_t>& keys, const QString& kind)
{
    listCommands_->SelectKind(keys, kind);
}

void CKorvexDlg::OnCompareWith() { compare_->Run(); }
void CKorvexDlg::OnEndComparison() { compare_->End(); }
void CKorvexDlg::OnUndo() { arrange_->Undo(); }
void CKorvexDlg::OnRedo() { arrange_->Redo(); }
void CKorvexDlg::OnMoveRows(int step) { arrange_->MoveRows(step); }
void CKorvexDlg::OnMoveTo() { arrange_->MoveTo(); }
void CKorvexDlg::OnDeleteRows() { arrange_->Delete(); }
void CKorvexDlg::OnSort(SortKey key) { arrange_->Sort(key); }
void CKorvexDlg::OnChangeFlags(FlagChange change, const QString& done, const QString& label)
{
    arrange_->ChangeFlags(change, done, label);
}
void CKorvexDlg::OnRowsDropped(int beforeRow) { arrange_->RowsDropped(beforeRow); }
void CKorvexDlg::OnSelectAll() { channelList->selectAll(); }
void CKorvexDlg::OnFind() { find_->Focus(); }

} // namespace korvex
