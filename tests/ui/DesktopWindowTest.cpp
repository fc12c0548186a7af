// The main window on a desktop: it grows with its frame and never shrinks
// below its template, its list's columns are the user's to size, the keys
// open rows and run the File menu, image files dropped on it are opened, and
// every text it shows fits its field (CTest runs this at several scales).

#include "res/EditorTemplates.h"
#include "res/ResourceIds.h"
#include "res/Templates.h"
#include "tests/support/ImageBuilder.h"
#include "tests/ui/FakePlatform.h"
#include "tests/ui/TestFiles.h"
#include "ui/CKorvexApp.h"
#include "ui/CAboutDlg.h"
#include "ui/CKorvexDlg.h"
#include "ui/EditActions.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QtTest>

#include <functional>
#include <map>
#include <memory>

using namespace korvex;
using korvex::testing::Bytes;
using korvex::testing::FakePlatform;
using korvex::testing::ImageBuilder;
using korvex::testing::Name;
using korvex::testing::WriteTestFile;

namespace {

// An image with `sats` satellites, one transponder and three TV programs.
Bytes SampleImage(int sats, const char* longName = "Third")
{
    ImageBuilder builder(1);
    for (int s = 1; s <= sats; ++s) {
        SatRecord sat;
        sat.satId = static_cast<std::uint16_t>(s);
        sat.satName = Name("Sat");
        sat.lnbType = 2;
        sat.lnbPower = 1;
        builder.AddSat(sat);
    }
    TpRecord tp;
    tp.tpId = 10;
    tp.satId = 1;
    tp.frequency = 11000;
    builder.AddTp(tp);
    for (const char* name : {"First", "Second", longName}) {
        ProgRecord prog;
        prog.satId = 1;
        prog.tpId = 10;
        prog.videoPid = 100;
        prog.progName = Name(name);
        prog.unlocked = 1;
        prog.favBits = 0x7E;
        builder.AddTv(prog);
    }
    return builder.Build().bytes;
}

// How a control of the main window follows the window as it grows.
struct Follows {
    bool width;
    bool height;
    bool down;
};

} // namespace

class DesktopWindowTest : public QObject {
    Q_OBJECT

public:
    DesktopWindowTest(CKorvexApp& app, FakePlatform& platform) : app_(app), platform_(platform) {}

private slots:
    void init();
    void cleanup();

    void growsWithTheWindowAndNeverBelowItsTemplate_data();
    void growsWithTheWindowAndNeverBelowItsTemplate();
    void editorsAndDialogsKeepTheirFixedSize();
    void columnsStartFittedToTheirContentsAndStayTheUsersToSize();
    void keysOpenTheEditorOnTheCurrentRow_data();
    void keysOpenTheEditorOnTheCurrentRow();
    void enterElsewherePressesTheButtonOrEndsAfterTheQuestion();
    void menuEntriesShowAndTakeTheirShortcuts();
    void opensOneDroppedImageFile_data();
    void opensOneDroppedImageFile();
    void refusesOtherDrops();
    void aDroppedFileAsksBeforeDroppingEdits();
    void everyLabelAndCounterFitsItsText_data();
    void everyLabelAndCounterFitsItsText();

private:
    void Open(const Bytes& bytes);
    void MakeAnEdit();
    QWidget* Control(int id) const { return res::FindControl<QWidget>(dlg_.get(), id); }
    QString Counter(int id) const { return res::FindControl<QLabel>(dlg_.get(), id)->text(); }
    void Drop(QWidget* target, const QList<QUrl>& urls);
    // Runs `during` on the editor that `open` brings up, and returns whether one came up.
    bool WithEditor(const std::function<void()>& open, const std::function<void(QDialog*)>& during);

    CKorvexApp& app_;
    FakePlatform& platform_;
    std::unique_ptr<CKorvexDlg> dlg_;
    QTemporaryDir dir_;
};

void DesktopWindowTest::init()
{
    app_.state().list() = *std::make_unique<ListState>();
    app_.state().database() = *std::make_unique<ChannelDatabase>();
    platform_.Reset();
    dlg_ = std::make_unique<CKorvexDlg>(app_.state(), platform_);
    dlg_->OnInitDialog();
    dlg_->show();
    dlg_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dlg_.get()));
}

void DesktopWindowTest::cleanup()
{
    platform_.unsavedAnswers.push_back(UnsavedAnswer::Discard);
    dlg_.reset();
}

void DesktopWindowTest::Open(const Bytes& bytes)
{
    platform_.openAnswers.push_back(WriteTestFile(dir_, QStringLiteral("open.bin"), bytes));
    dlg_->OnFileOpen();
    QVERIFY(platform_.messages.empty());
}

void DesktopWindowTest::MakeAnEdit()
{
    dlg_->SelectRows({0});
    dlg_->editActions->lock->trigger();
    QVERIFY(dlg_->HasUnsavedEdits());
}

void DesktopWindowTest::Drop(QWidget* target, const QList<QUrl>& urls)
{
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();
}

bool DesktopWindowTest::WithEditor(const std::function<void()>& open, const std::function<void(QDialog*)>& during)
{
    bool opened = false;
    QTimer watch;
    watch.setSingleShot(true);
    watch.callOnTimeout([&] {
        if (auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            opened = true;
            during(editor);
            if (editor->isVisible())
                editor->reject();
        }
    });
    watch.start(0);
    open();
    return opened;
}

void DesktopWindowTest::growsWithTheWindowAndNeverBelowItsTemplate_data()
{
    QTest::addColumn<QSize>("asked");
    QTest::newRow("smaller than the template") << QSize(200, 150);
    QTest::newRow("a full-HD screen") << QSize(1920, 1080);
}

void DesktopWindowTest::growsWithTheWindowAndNeverBelowItsTemplate()
{
    QFETCH(QSize, asked);
    QWidget* client = dlg_->channelList->parentWidget();
    const QSize templateSize = client->size();
    std::map<QWidget*, QRect> laidOut;
    for (QWidget* control : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        laidOut[control] = control->geometry();

    dlg_->resize(asked);
    const QSize growth = asked.expandedTo(dlg_->minimumSize()) - dlg_->minimumSize();
    QCOMPARE(client->size(), templateSize + growth);

    const std::map<int, Follows> following = {
        {res::IDC_CHANNEL_LIST, {true, true, false}},
        {res::IDC_CHANNEL_TREE, {false, true, false}},
        {res::IDC_FILTER, {true, false, false}},
        {res::IDC_STATIC, {true, false, false}},  // the frame around the buttons
        {res::IDC_SAT_COUNT, {false, false, true}},
        {res::IDC_TP_COUNT, {false, false, true}},
        {res::IDC_TV_COUNT, {false, false, true}},
        {res::IDC_RADIO_COUNT, {false, false, true}},
        {res::IDC_COUNT_FRAME, {true, false, true}},
        {res::IDC_STATUS, {true, false, true}},
    };
    for (const auto& [control, before] : laidOut) {
        Follows follows{};  // the buttons and the tabs stay
        for (const auto& [id, how] : following)
            if (control == Control(id))
                follows = how;
        QRect expected = before;
        expected.translate(0, follows.down ? growth.height() : 0);
        expected.setWidth(before.width() + (follows.width ? growth.width() : 0));
        expected.setHeight(before.height() + (follows.height ? growth.height() : 0));
        QVERIFY2(control->geometry() == expected, qPrintable(control->objectName()));
    }
}

void DesktopWindowTest::editorsAndDialogsKeepTheirFixedSize()
{
    QVERIFY(dlg_->windowFlags() & Qt::WindowMaximizeButtonHint);
    CAboutDlg about(dlg_.get());
    for (QDialog* dialog : std::initializer_list<QDialog*>{&dlg_->satEditDlg, &dlg_->tpEditDlg, &dlg_->progEditDlg,
                                                            &dlg_->comSetDlg, &about}) {
        dialog->layout()->activate();
        QVERIFY2(dialog->minimumSize() == dialog->maximumSize(), qPrintable(dialog->windowTitle()));
    }
}

void DesktopWindowTest::columnsStartFittedToTheirContentsAndStayTheUsersToSize()
{
    Open(SampleImage(1, "WWWWWWWWWWWW"));
    QHeaderView* header = dlg_->channelList->horizontalHeader();
    const QAbstractItemView* view = dlg_->channelList;
    const int fitted = std::max(view->sizeHintForColumn(1), header->sectionSizeHint(1));
    QCOMPARE(dlg_->channelList->columnWidth(1), fitted);
    QCOMPARE(header->sectionResizeMode(1), QHeaderView::Interactive);

    // The user may narrow "ProgName"; a double click on its divider fits it again.
    header->resizeSection(1, 40);
    const QPoint divider(header->sectionViewportPosition(1) + header->sectionSize(1) - 1, header->height() / 2);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, divider);
    QCOMPARE(dlg_->channelList->columnWidth(1), fitted);

    // The next list is fitted to its own contents again.
    header->resizeSection(1, 40);
    dlg_->channelTree->setCurrentItem(dlg_->channelTree->topLevelItem(1));
    dlg_->channelTree->setCurrentItem(dlg_->channelTree->topLevelItem(0));
    QCOMPARE(dlg_->channelList->columnWidth(1), fitted);
}

void DesktopWindowTest::keysOpenTheEditorOnTheCurrentRow_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("openedRow");
    // The first row is selected, the keyboard cursor stands on the third.
    QTest::newRow("Return") << int(Qt::Key_Return) << Qt::KeyboardModifiers() << 2;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << 2;
    QTest::newRow("F2") << int(Qt::Key_F2) << Qt::KeyboardModifiers() << 2;
    QTest::newRow("double click: the topmost selected row") << 0 << Qt::KeyboardModifiers() << 0;
}

void DesktopWindowTest::keysOpenTheEditorOnTheCurrentRow()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, openedRow);
    Open(SampleImage(1));
    QTableView* list = dlg_->channelList;
    list->setFocus();
    dlg_->SelectRows({0});
    list->selectionModel()->setCurrentIndex(list->model()->index(2, 0), QItemSelectionModel::NoUpdate);

    QString shownName;
    const bool opened = WithEditor(
        [&] {
            if (key != 0)
                QTest::keyClick(list, Qt::Key(key), modifiers);
            else
                dlg_->OnListDblClk();
        },
        [&](QDialog* editor) {
            auto* name = res::FindControl<QLineEdit>(editor, res::prog_edit::IDC_NAME);
            shownName = name->text();
            // The editor's own Enter is its OK.
            name->setText(QStringLiteral("Edited"));
            QTest::keyClick(name, Qt::Key_Return);
        });
    QVERIFY(opened);
    QCOMPARE(shownName, QStringList({"First", "Second", "Third"}).at(openedRow));
    QCOMPARE(list->model()->data(list->model()->index(openedRow, 1)).toString(), QStringLiteral("Edited"));
    QVERIFY(dlg_->isVisible());
    // The refilled list selects nothing; the keyboard cursor stays on the row.
    QVERIFY(!list->selectionModel()->hasSelection());
    QCOMPARE(list->currentIndex().row(), openedRow);
}

void DesktopWindowTest::enterElsewherePressesTheButtonOrEndsAfterTheQuestion()
{
    // On the list with no row to open, Enter does nothing.
    QVERIFY(!WithEditor([&] { QTest::keyClick(dlg_->channelList, Qt::Key_Return); }, [](QDialog*) {}));
    QVERIFY(dlg_->isVisible());

    // On a button, Enter presses it.
    auto* openButton = res::FindControl<QPushButton>(dlg_.get(), res::IDC_OPEN);
    openButton->setFocus();
    QTest::keyClick(openButton, Qt::Key_Return);
    QCOMPARE(platform_.openFilters.size(), 1);
    QVERIFY(dlg_->isVisible());

    // Anywhere else it is exit: unsaved edits are asked about first.
    Open(SampleImage(1));
    MakeAnEdit();
    dlg_->channelTree->setFocus();
    platform_.unsavedAnswers = {UnsavedAnswer::Cancel};
    QTest::keyClick(dlg_->channelTree, Qt::Key_Return);
    QCOMPARE(platform_.questions.size(), std::size_t{1});
    QVERIFY(dlg_->isVisible());
    platform_.unsavedAnswers = {UnsavedAnswer::Discard};
    QTest::keyClick(dlg_->channelTree, Qt::Key_Return);
    QVERIFY(dlg_->isHidden());
    QCOMPARE(dlg_->result(), int(QDialog::Accepted));
}

void DesktopWindowTest::menuEntriesShowAndTakeTheirShortcuts()
{
    QStringList shown;
    for (QAction* popup : dlg_->findChild<QMenuBar*>()->actions()) {
        if (popup->text() == QStringLiteral("&File") || popup->text() == QStringLiteral("&Tools") ||
            popup->text() == QStringLiteral("&Help"))
            for (QAction* item : popup->menu()->actions())
                shown << item->text() + QLatin1Char('=') + item->shortcut().toString();
    }
    QCOMPARE(shown, QStringList({"&open=Ctrl+O", "&save=Ctrl+S", "&Compare with\u2026=Ctrl+D", "&End comparison=",
                                 "e&xit=Ctrl+Q", "&upgrade=", "&dump=", "&Clean up…=", "Update &transponders…=",
                                 "&about=", "&user guide="}));

    QTest::keyClick(dlg_->channelList, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(platform_.openFilters.size(), 1);
    QTest::keyClick(dlg_->channelList, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(platform_.messages.size(), std::size_t{1});
    QCOMPARE(platform_.messages[0].text, QStringLiteral("Please open file first!"));
    platform_.messages.clear();

    Open(SampleImage(1));
    MakeAnEdit();
    platform_.unsavedAnswers = {UnsavedAnswer::Cancel};
    QTest::keyClick(dlg_->channelList, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(platform_.questions.size(), std::size_t{1});
    QVERIFY(dlg_->isVisible());
    platform_.unsavedAnswers = {UnsavedAnswer::Discard};
    QTest::keyClick(dlg_->channelList, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(dlg_->isHidden());
}

void DesktopWindowTest::opensOneDroppedImageFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("on the window") << QStringLiteral("window");
    QTest::newRow("on the list") << QStringLiteral("list");
    QTest::newRow("on the find field") << QStringLiteral("find field");
}

void DesktopWindowTest::opensOneDroppedImageFile()
{
    QFETCH(QString, target);
    QWidget* on = target == QStringLiteral("window") ? static_cast<QWidget*>(dlg_.get())
                  : target == QStringLiteral("list") ? dlg_->channelList->viewport()
                                                     : static_cast<QWidget*>(dlg_->findField);
    Open(SampleImage(1));
    const QString dropped = WriteTestFile(dir_, QStringLiteral("dropped.bin"), SampleImage(4));

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(dropped)});
    QDragEnterEvent enter(on->rect().center(), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(on, &enter);
    QVERIFY(enter.isAccepted());
    // Never a move: the file manager keeps its file.
    QCOMPARE(enter.dropAction(), Qt::CopyAction);

    Drop(on, {QUrl::fromLocalFile(dropped)});
    QVERIFY(platform_.messages.empty());
    QCOMPARE(Counter(res::IDC_SAT_COUNT), QStringLiteral("Sat: 4"));
    QVERIFY(dlg_->findField->text().isEmpty());
}

void DesktopWindowTest::refusesOtherDrops()
{
    Open(SampleImage(1));
    const QString first = WriteTestFile(dir_, QStringLiteral("first.bin"), SampleImage(2));
    const QString second = WriteTestFile(dir_, QStringLiteral("second.bin"), SampleImage(3));

    Drop(dlg_->channelList->viewport(), {QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    QCOMPARE(platform_.messages.size(), std::size_t{1});
    QCOMPARE(platform_.messages[0].caption, QStringLiteral("Waring"));
    QVERIFY2(platform_.messages[0].text.contains(QStringLiteral("one image at a time")),
             qPrintable(platform_.messages[0].text));
    QCOMPARE(Counter(res::IDC_SAT_COUNT), QStringLiteral("Sat: 1"));

    // What is not a local file is not taken at all.
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.org/box.bin"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &remote, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dlg_.get(), &enter);
    QVERIFY(!enter.isAccepted());
}

void DesktopWindowTest::aDroppedFileAsksBeforeDroppingEdits()
{
    Open(SampleImage(1));
    MakeAnEdit();
    const QString dropped = WriteTestFile(dir_, QStringLiteral("dropped.bin"), SampleImage(4));
    platform_.unsavedAnswers = {UnsavedAnswer::Cancel};
    Drop(dlg_.get(), {QUrl::fromLocalFile(dropped)});
    QCOMPARE(platform_.questions.size(), std::size_t{1});
    QCOMPARE(Counter(res::IDC_SAT_COUNT), QStringLiteral("Sat: 1"));
    QVERIFY(dlg_->HasUnsavedEdits());
    platform_.unsavedAnswers = {UnsavedAnswer::Discard};
    Drop(dlg_.get(), {QUrl::fromLocalFile(dropped)});
    QCOMPARE(Counter(res::IDC_SAT_COUNT), QStringLiteral("Sat: 4"));
    QVERIFY(!dlg_->HasUnsavedEdits());
}

void DesktopWindowTest::everyLabelAndCounterFitsItsText_data()
{
    QTest::addColumn<int>("applicationFontSize");
    QTest::newRow("system font") << 0;
    QTest::newRow("a larger system font") << 16;
}

// Whatever the scale CTest runs this at, no text the window or its dialogs
// show loses letters: the labels, the counters at their largest, and the
// longest status line.
void DesktopWindowTest::everyLabelAndCounterFitsItsText()
{
    QFETCH(int, applicationFontSize);
    const QFont systemFont = QApplication::font();
    if (applicationFontSize > 0) {
        QFont larger = systemFont;
        larger.setPointSize(applicationFontSize);
        QApplication::setFont(larger);
    }
    auto window = std::make_unique<CKorvexDlg>(app_.state(), platform_);
    window->OnInitDialog();
    window->show();

    ChannelDatabase& db = app_.state().database();
    db.numSats = kMaxSats;
    db.numTps = kMaxTps;
    db.numTv = 5000;
    db.numRadio = 2000;
    window->UpdateCounters();
    window->statusLine->setText(
        QStringLiteral("Deleted 150 satellites, 3000 transponders, 5000 TV programs, 2000 radio programs."));

    CAboutDlg about(window.get());
    for (QDialog* dialog : std::initializer_list<QDialog*>{window.get(), &window->satEditDlg, &window->tpEditDlg,
                                                            &window->progEditDlg, &window->comSetDlg, &about}) {
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            if (label->window() != dialog || label->text().isEmpty())
                continue;
            const QString what = QStringLiteral("%1: \"%2\"").arg(dialog->windowTitle(), label->text());
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(what));
            QVERIFY2(label->height() >= label->fontMetrics().height(), qPrintable(what));
        }
    }
    QApplication::setFont(systemFont);
}

int main(int argc, char** argv)
{
    FakePlatform platform;
    CKorvexApp app(argc, argv, platform);
    DesktopWindowTest test(app, platform);
    return QTest::qExec(&test, argc, argv);
}

#include "DesktopWindowTest.moc"
