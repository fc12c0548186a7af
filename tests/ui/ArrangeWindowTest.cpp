// Arranging the list from the window: the keys, the Edit menu's actions, drag
// and drop, find, and undo and redo back to the bytes that were opened.

#include "res/EditorTemplates.h"
#include "res/ResourceIds.h"
#include "tests/support/ImageBuilder.h"
#include "tests/ui/FakePlatform.h"
#include "tests/ui/TestFiles.h"
#include "ui/CKorvexApp.h"
#include "ui/CKorvexDlg.h"
#include "ui/EditActions.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace korvex;
using korvex::testing::Bytes;
using korvex::testing::FakePlatform;
using korvex::testing::ImageBuilder;
using korvex::testing::Name;
using korvex::testing::WriteTestFile;

namespace {

ProgRecord Prog(std::uint16_t satId, std::uint16_t tpId, const char* name, std::uint16_t serviceId,
                std::uint16_t videoPid = 100)
{
    ProgRecord prog;
    prog.satId = satId;
    prog.tpId = tpId;
    prog.serviceId = serviceId;
    prog.videoPid = videoPid;
    prog.progName = Name(name);
    prog.unlocked = 1;
    prog.favBits = 0x7E;
    return prog;
}

// Two satellites, three transponders, five TV programs and two radio programs.
Bytes SampleImage()
{
    ImageBuilder builder(1);
    for (const std::uint16_t id : {1, 2}) {
        SatRecord sat;
        sat.satId = id;
        sat.satName = Name(id == 1 ? "Astra" : "Hotbird");
        sat.lnbType = 2;
        sat.lnbPower = 2;
        builder.AddSat(sat);
    }
    for (const auto& [tpId, satId] : {std::pair{10, 1}, std::pair{11, 1}, std::pair{20, 2}}) {
        TpRecord tp;
        tp.tpId = static_cast<std::uint16_t>(tpId);
        tp.satId = static_cast<std::uint16_t>(satId);
        tp.frequency = static_cast<std::uint16_t>(10000 + tpId);
        builder.AddTp(tp);
    }
    builder.AddTv(Prog(1, 10, "delta", 4)).AddTv(Prog(1, 11, "Alpha", 1)).AddTv(Prog(2, 20, "echo", 5));
    builder.AddTv(Prog(1, 10, "Charlie", 3)).AddTv(Prog(2, 20, "bravo", 2));
    builder.AddRadio(Prog(1, 10, "Radio A", 7, 0)).AddRadio(Prog(2, 20, "Radio B", 8, 0));
    return builder.Build().bytes;
}

} // namespace

class ArrangeWindowTest : public QObject {
    Q_OBJECT

public:
    ArrangeWindowTest(CKorvexApp& app, FakePlatform& platform) : app_(app), platform_(platform) {}

private slots:
    void init();
    void cleanup();

    void movesRowsByKeysMenuAndDragAndKeepsThemSelected();
    void sortsDeletesAndUndoesBackToTheOpenedBytes();
    void deletingASatelliteTakesWhatItOwnsAndRebuildsTheTree();
    void changesFavouritesAndLockOfTheSelectedPrograms();
    void moveAndSortAreOfferedOnlyForOneWholeTable();
    void anEditorsOkIsUndoneLikeAnyOtherChange();
    void theTreeFollowsASatelliteRenamedAndUndone();
    void findShowsMatchingRowsAndItsKeysStayInTheField();

private:
    void Open(const Bytes& bytes);
    QStringList Names() const;
    void Select(std::initializer_list<int> rows);
    Bytes ImageNow() const;
    EditActions& Actions() const { return *dlg_->editActions; }
    QString Status() const { return dlg_->statusLine->text(); }

    CKorvexApp& app_;
    FakePlatform& platform_;
    std::unique_ptr<CKorvexDlg> dlg_;
    QTemporaryDir dir_;
    Bytes opened_;
};

void ArrangeWindowTest::init()
{
    app_.state().list() = *std::make_unique<ListState>();
    platform_.Reset();
    dlg_ = std::make_unique<CKorvexDlg>(app_.state(), platform_);
    dlg_->OnInitDialog();
    dlg_->show();
    dlg_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dlg_.get()));
    Open(SampleImage());
}

void ArrangeWindowTest::cleanup()
{
    platform_.unsavedAnswers.push_back(UnsavedAnswer::Discard);
    dlg_.reset();
}

void ArrangeWindowTest::Open(const Bytes& bytes)
{
    opened_ = bytes;
    platform_.openAnswers.push_back(WriteTestFile(dir_, QStringLiteral("image.bin"), bytes));
    dlg_->OnCommand(res::IDC_OPEN);
    QVERIFY(platform_.messages.empty());
}

QStringList ArrangeWindowTest::Names() const
{
    QStringList names;
    const QAbstractItemModel* model = dlg_->channelList->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->data(model->index(row, 1)).toString();
    return names;
}

void ArrangeWindowTest::Select(std::initializer_list<int> rows)
{
    dlg_->SelectRows(std::vector<int>(rows));
    dlg_->channelList->setFocus();
}

Bytes ArrangeWindowTest::ImageNow() const
{
    const auto& bytes = app_.state().image().bytes;
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(opened_.size()));
}

void ArrangeWindowTest::movesRowsByKeysMenuAndDragAndKeepsThemSelected()
{
    QVERIFY(QTest::qWaitForWindowExposed(dlg_.get()));
    QCOMPARE(Names(), QStringList({"delta", "Alpha", "echo", "Charlie", "bravo"}));
    Select({1, 3});
    QTest::keyClick(dlg_->channelList, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(Names(), QStringList({"Alpha", "delta", "Charlie", "echo", "bravo"}));
    QCOMPARE(dlg_->SelectedRows(), (std::vector<int>{0, 2}));
    QCOMPARE(Status(), QStringLiteral("Moved 2 programs up."));

    QTest::keyClick(dlg_->channelList, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(Names(), QStringList({"delta", "Alpha", "echo", "Charlie", "bravo"}));

    // Move to number 4: the first selected row stands there, the other right after it.
    platform_.numberAnswers.push_back(4);
    Actions().moveTo->trigger();
    QCOMPARE(Names(), QStringList({"delta", "echo", "bravo", "Alpha", "Charlie"}));
    QCOMPARE(dlg_->SelectedRows(), (std::vector<int>{3, 4}));

    // Dropped on the second row, the selection goes before it.
    dlg_->OnRowsDropped(1);
    QCOMPARE(Names(), QStringList({"delta", "Alpha", "Charlie", "echo", "bravo"}));
    QCOMPARE(dlg_->SelectedRows(), (std::vector<int>{1, 2}));
    dlg_->OnRowsDropped(5);
    QCOMPARE(Names(), QStringList({"delta", "echo", "bravo", "Alpha", "Charlie"}));

    // A drag from anywhere but the list itself is not taken.
    QMimeData mime;
    mime.setData(QStringLiteral("application/x-korvex-list-rows"), QByteArray());
    const QPoint onFirst = dlg_->channelList->visualRect(dlg_->channelList->model()->index(0, 1)).center();
    QDragEnterEvent enter(onFirst, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dlg_->channelList->viewport(), &enter);
    QVERIFY(!enter.isAccepted());
}

void ArrangeWindowTest::sortsDeletesAndUndoesBackToTheOpenedBytes()
{
    Actions().sortBy[0]->trigger();  // by name, case-insensitive
    QCOMPARE(Names(), QStringList({"Alpha", "bravo", "Charlie", "delta", "echo"}));
    QCOMPARE(Status(), QStringLiteral("Sorted the TV programs by name."));
    Actions().sortBy[1]->trigger();  // by service ID
    QCOMPARE(Names(), QStringList({"Alpha", "bravo", "Charlie", "delta", "echo"}));
    Actions().sortBy[2]->trigger();  // satellite 1's transponders 10 then 11, then satellite 2
    QCOMPARE(Names(), QStringList({"Charlie", "delta", "Alpha", "bravo", "echo"}));

    Select({0, 4});
    QTest::keyClick(dlg_->channelList, Qt::Key_Delete);
    QCOMPARE(Names(), QStringList({"delta", "Alpha", "bravo"}));
    QCOMPARE(Status(), QStringLiteral("Deleted 2 programs."));
    QCOMPARE(res::FindControl<QLabel>(dlg_.get(), res::IDC_TV_COUNT)->text(), QStringLiteral("TV: 3"));
    QVERIFY(dlg_->HasUnsavedEdits());

    // Save in between: undo survives it.
    platform_.saveAnswers.push_back(dir_.filePath(QStringLiteral("between.bin")));
    dlg_->OnFileSave();
    QVERIFY(!dlg_->HasUnsavedEdits());

    // Three steps: the sort by service ID changed nothing and is no step.
    for (int step = 0; step < 3; ++step)
        QTest::keyClick(dlg_->channelList, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Names(), QStringList({"delta", "Alpha", "echo", "Charlie", "bravo"}));
    QVERIFY(!Actions().undo->isEnabled());
    QTest::keyClick(dlg_->channelList, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(Names(), QStringList({"Alpha", "bravo", "Charlie", "delta", "echo"}));
    QCOMPARE(Status(), QStringLiteral("Redid Sort."));
    QTest::keyClick(dlg_->channelList, Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier);
    QCOMPARE(Names(), QStringList({"Charlie", "delta", "Alpha", "bravo", "echo"}));
    while (Actions().undo->isEnabled())
        Actions().undo->trigger();
    QVERIFY(!Actions().undo->isEnabled());
    QVERIFY(ImageNow() == opened_);
    QVERIFY2(dlg_->HasUnsavedEdits(), "the bytes Open took in are not those the last Save wrote");

    const QString target = dir_.filePath(QStringLiteral("after-undo.bin"));
    platform_.saveAnswers.push_back(target);
    dlg_->OnFileSave();
    QFile saved(target);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray(reinterpret_cast<const char*>(opened_.data()), static_cast<qsizetype>(opened_.size())));
    QVERIFY(!dlg_->HasUnsavedEdits());
}

void ArrangeWindowTest::deletingASatelliteTakesWhatItOwnsAndRebuildsTheTree()
{
    QTreeWidgetItem* satellites = dlg_->channelTree->topLevelItem(1);
    dlg_->channelTree->setCurrentItem(satellites);
    QCOMPARE(Names(), QStringList({"Astra", "Hotbird"}));
    Select({0});
    Actions().remove->trigger();
    QCOMPARE(Names(), QStringList({"Hotbird"}));
    QCOMPARE(Status(), QStringLiteral("Deleted 1 satellite, 2 transponders, 3 TV programs, 1 radio program."));
    QCOMPARE(dlg_->channelTree->topLevelItem(1)->text(0), QStringLiteral("Satellite(1)"));
    QCOMPARE(dlg_->channelTree->topLevelItem(1)->childCount(), 1);
    QCOMPARE(res::FindControl<QLabel>(dlg_.get(), res::IDC_TP_COUNT)->text(), QStringLiteral("TP: 1"));

    // The list of a transponder that goes falls back to the satellites.
    Actions().undo->trigger();
    QTreeWidgetItem* astra = dlg_->channelTree->topLevelItem(1)->child(0);
    dlg_->channelTree->setCurrentItem(astra->child(0));  // transponder 10
    QCOMPARE(app_.state().list().ListType, kListTpPrograms);
    dlg_->channelTree->setCurrentItem(astra);
    Select({0});
    Actions().remove->trigger();
    QCOMPARE(Status(), QStringLiteral("Deleted 1 transponder, 2 TV programs, 1 radio program."));
    QCOMPARE(app_.state().list().ListType, kListSatTransponders);
    QCOMPARE(Names().size(), 1);
}

void ArrangeWindowTest::changesFavouritesAndLockOfTheSelectedPrograms()
{
    Select({0, 2});
    Actions().joinGroup[3]->trigger();  // News
    QCOMPARE(Status(), QStringLiteral("Added 2 programs to News."));
    Actions().lock->trigger();
    const QAbstractItemModel* model = dlg_->channelList->model();
    QCOMPARE(model->data(model->index(0, 9)).toString(), QStringLiteral("News/"));
    QCOMPARE(model->data(model->index(0, 8)).toString(), QStringLiteral("1"));
    QCOMPARE(model->data(model->index(1, 9)).toString(), QString());
    QCOMPARE(model->data(model->index(2, 8)).toString(), QStringLiteral("1"));
    QCOMPARE(dlg_->SelectedRows(), (std::vector<int>{0, 2}));
    Actions().leaveGroup[3]->trigger();
    Actions().unlock->trigger();
    QVERIFY(ImageNow() == opened_);
}

void ArrangeWindowTest::moveAndSortAreOfferedOnlyForOneWholeTable()
{
    Select({0});
    QVERIFY(Actions().moveUp->isEnabled());
    dlg_->findField->setText(QStringLiteral("a"));
    QVERIFY(!Actions().moveDown->isEnabled());
    QVERIFY(Actions().moveDown->toolTip().contains(QStringLiteral("find field")));
    dlg_->findField->clear();

    // A TV-table program without video: the TV tab hides it, the Radio tab
    // shows it beside the radio table.
    ImageBuilder builder(1);
    builder.AddTv(Prog(1, 10, "seen", 1)).AddTv(Prog(1, 10, "no video", 2, 0)).AddRadio(Prog(1, 10, "radio", 3, 0));
    Open(builder.Build().bytes);
    Select({0});
    QVERIFY(!Actions().moveUp->isEnabled());
    QVERIFY(Actions().sortBy[0]->toolTip().contains(QStringLiteral("TV tab hides 1 program")));
    dlg_->kindTabs->setCurrentIndex(1);
    Select({0});
    QVERIFY(!Actions().moveDown->isEnabled());
    QVERIFY(Actions().moveDown->toolTip().contains(QStringLiteral("Radio tab also lists 1 program")));
    // Deleting needs no whole table.
    QVERIFY(Actions().remove->isEnabled());

    dlg_->channelTree->setCurrentItem(dlg_->channelTree->topLevelItem(1));
    Select({0});
    QVERIFY(!Actions().moveUp->isEnabled());
    QVERIFY(!Actions().lock->isEnabled());
}

void ArrangeWindowTest::anEditorsOkIsUndoneLikeAnyOtherChange()
{
    QTimer editing;
    editing.setSingleShot(true);
    editing.callOnTimeout([] {
        if (auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            res::FindControl<QLineEdit>(editor, res::prog_edit::IDC_NAME)->setText(QStringLiteral("renamed"));
            QTest::keyClick(editor, Qt::Key_Return);
        }
    });
    editing.start(0);
    Select({1});
    dlg_->OnListDblClk();
    QCOMPARE(Names().at(1), QStringLiteral("renamed"));
    QCOMPARE(Actions().undo->text(), QStringLiteral("&Undo Edit"));
    Actions().undo->trigger();
    QCOMPARE(Names().at(1), QStringLiteral("Alpha"));
    QVERIFY(!dlg_->HasUnsavedEdits());
}

void ArrangeWindowTest::theTreeFollowsASatelliteRenamedAndUndone()
{
    const auto satelliteLabel = [this] { return dlg_->channelTree->topLevelItem(1)->child(0)->text(0); };
    const QString before = satelliteLabel();
    QVERIFY(before.contains(QStringLiteral("Astra")));
    // A move leaves the satellites as they were, and the tree with them.
    Select({1});
    Actions().moveUp->trigger();
    QCOMPARE(satelliteLabel(), before);

    dlg_->channelTree->setCurrentItem(dlg_->channelTree->topLevelItem(1));
    QTimer editing;
    editing.setSingleShot(true);
    editing.callOnTimeout([] {
        if (auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            res::FindControl<QLineEdit>(editor, res::sat_edit::IDC_NAME)->setText(QStringLiteral("Orbit"));
            QTest::keyClick(editor, Qt::Key_Return);
        }
    });
    editing.start(0);
    Select({0});
    dlg_->OnListDblClk();
    QCOMPARE(satelliteLabel(), QString(before).replace(QStringLiteral("Astra"), QStringLiteral("Orbit")));
    Actions().undo->trigger();
    QCOMPARE(satelliteLabel(), before);
    Actions().undo->trigger();
    QVERIFY(ImageNow() == opened_);
}

void ArrangeWindowTest::findShowsMatchingRowsAndItsKeysStayInTheField()
{
    QVERIFY(QTest::qWaitForWindowExposed(dlg_.get()));
    QTest::keyClick(dlg_->channelList, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(dlg_->findField->hasFocus());
    QTest::keyClicks(dlg_->findField, QStringLiteral("HA"));
    QCOMPARE(Names(), QStringList({"Alpha", "Charlie"}));
    // Delete and Ctrl+A edit the text, not the rows.
    QTest::keyClick(dlg_->findField, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(dlg_->findField, Qt::Key_Delete);
    QCOMPARE(dlg_->findField->text(), QString());
    QCOMPARE(Names().size(), 5);
    // A number finds a service ID or a PID.
    QTest::keyClicks(dlg_->findField, QStringLiteral("5"));
    QCOMPARE(Names(), QStringList({"echo"}));
    // Enter: to the first row shown, which an editor then opens.
    QTest::keyClick(dlg_->findField, Qt::Key_Return);
    QVERIFY(dlg_->channelList->hasFocus());
    QCOMPARE(dlg_->SelectedRows(), (std::vector<int>{2}));
    // Escape clears the field, and on an empty field goes to the list; it
    // never ends the program.
    dlg_->findField->setFocus();
    QTest::keyClick(dlg_->findField, Qt::Key_Escape);
    QCOMPARE(dlg_->findField->text(), QString());
    QVERIFY(dlg_->isVisible());
    QTest::keyClick(dlg_->findField, Qt::Key_Escape);
    QVERIFY(dlg_->channelList->hasFocus());
    QVERIFY(dlg_->isVisible());
    QVERIFY(ImageNow() == opened_);
}

int main(int argc, char** argv)
{
    FakePlatform platform;
    CKorvexApp app(argc, argv, platform);
    ArrangeWindowTest test(app, platform);
    return QTest::qExec(&test, argc, argv);
}

#include "ArrangeWindowTest.moc"
