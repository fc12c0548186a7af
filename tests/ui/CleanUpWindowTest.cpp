// Tools → "Clean up…" and Edit → Select in the window: the preview lists
// every kind with its count and every record that would go, a row unticked
// keeps its record and Left empty is counted anew, OK deletes as one step of
// the history that Undo takes back, Cancel writes nothing; Select picks the
// rows of a kind so that Delete acts on them.

#include "db/CleanUp.h"
#include "res/ResourceIds.h"
#include "tests/support/CleanUpImages.h"
#include "tests/ui/PreviewGuide.h"
#include "tests/ui/WindowFixture.h"
#include "ui/shell/CKorvexApp.h"
#include "ui/shell/CKorvexDlg.h"
#include "ui/bulk/CleanUpPreview.h"
#include "ui/list/EditActions.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

using namespace korvex;
using namespace korvex::testing;

class CleanUpWindowTest : public QObject, protected WindowFixture {
    Q_OBJECT

public:
    CleanUpWindowTest(CKorvexApp& app, FakePlatform& platform) : WindowFixture(app, platform) {}

private slots:
    void init();
    void cleanup();

    void okDeletesWhatIsTickedAsOneStep();
    void ticksChangeWhatIsListedAndCancelWritesNothing();
    void selectPicksTheRowsOfAKindForTheEditActions();
    void countsAreGroupedTheLocalesWayAndTicksFollowTheKeyboard();

private:
    // Runs Tools → "Clean up…": `onPreview` sees the preview and answers it.
    void CleanUp(const std::function<void(CleanUpPreview&)>& onPreview);
    // The row of the preview that lists this record ("TV 8", "Transponder 0_12100").
    static int RowOf(const CleanUpPreview& preview, const QString& record);
    std::vector<std::string> TvNames() const;

    testing::BuiltImage built_ = testing::EveryKind();
    bool previewShown_ = false;
};

void CleanUpWindowTest::init()
{
    StartWindow();
    QVERIFY(OpenBytes(built_.bytes, QStringLiteral("box.bin")));
    previewShown_ = false;
}

void CleanUpWindowTest::cleanup()
{
    EndWindow();
}

void CleanUpWindowTest::CleanUp(const std::function<void(CleanUpPreview&)>& onPreview)
{
    previewShown_ = AnswerModal<CleanUpPreview>(
        [this] { MenuCommand(*dlg_, res::ID_TOOLS_CLEANUP)->trigger(); }, onPreview);
}

int CleanUpWindowTest::RowOf(const CleanUpPreview& preview, const QString& record)
{
    const QAbstractItemModel* model = preview.List()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, 0).data().toString() == record)
            return row;
    return -1;
}

std::vector<std::string> CleanUpWindowTest::TvNames() const
{
    std::vector<std::string> names;
    for (const ProgRecord& prog : app_.state().database().TvProgs())
        names.emplace_back(NameView(prog.progName));
    return names;
}

void CleanUpWindowTest::okDeletesWhatIsTickedAsOneStep()
{
    CleanUp([&](CleanUpPreview& preview) {
        // Nothing is written while the preview is open.
        QVERIFY(ImageNow() == built_.bytes);
        QVERIFY(preview.KindBox(CleanUpKind::Duplicates)->isChecked());
        QVERIFY(preview.KindBox(CleanUpKind::Strays)->isChecked());
        QVERIFY(!preview.KindBox(CleanUpKind::Scrambled)->isChecked());
        QVERIFY(!preview.KindBox(CleanUpKind::NoFavourite)->isChecked());
        QVERIFY(preview.KindBox(CleanUpKind::LeftEmpty)->isChecked());
        QCOMPARE(preview.KindBox(CleanUpKind::Scrambled)->text(),
                 QStringLiteral("Scrambled (1): the box's scan sets this flag, and it is sometimes wrong"));
        QCOMPARE(preview.KindBox(CleanUpKind::Duplicates)->text(), QStringLiteral("Duplicates (3)"));
        QVERIFY(preview.KindBox(CleanUpKind::LeftEmpty)->text().startsWith(QStringLiteral("Left empty (3)")));

        QAbstractItemModel* rows = preview.List()->model();
        QCOMPARE(rows->rowCount(), 11);
        const int orphan = RowOf(preview, QStringLiteral("TV 8"));
        QVERIFY(orphan >= 0);
        QCOMPARE(rows->index(orphan, 1).data().toString(), QStringLiteral("Orphan"));
        QCOMPARE(rows->index(orphan, 3).data().toString(), QStringLiteral("12100"));
        QCOMPARE(rows->index(orphan, 4).data().toString(), QStringLiteral("H"));
        QCOMPARE(rows->index(orphan, 5).data().toString(), QStringLiteral("No satellite has satId 77"));
        QCOMPARE(rows->index(RowOf(preview, QStringLiteral("TV 2")), 5).data().toString(),
                 QStringLiteral("Same satellite, transponder and service ID as TV 1"));
        // Satellites and transponders as the tree labels them; one that no
        // satellite holds stands in no tree and goes by its frequency.
        QVERIFY(RowOf(preview, QStringLiteral("Transponder 0_12100")) >= 0);
        QVERIFY(RowOf(preview, QStringLiteral("Transponder 12000")) >= 0);
        QCOMPARE(preview.findChild<QGroupBox*>()->title(), QStringLiteral("Delete these kinds:"));
        QVERIFY(preview.OkButton()->isDefault());
        QCOMPARE(testing::GuidePageAfterF1(preview), QStringLiteral("cleaning-up.md"));
        // Every reason shows in full at the size the preview opens at.
        const QFontMetrics metrics = preview.List()->fontMetrics();
        for (int row = 0; row < rows->rowCount(); ++row) {
            const QString reason = rows->index(row, 5).data().toString();
            QVERIFY2(metrics.horizontalAdvance(reason) < preview.List()->columnWidth(5), qPrintable(reason));
        }
        // A program that goes with its transponder cannot be kept alone.
        QVERIFY(!(rows->flags(rows->index(RowOf(preview, QStringLiteral("Radio 4")), 0)) & Qt::ItemIsUserCheckable));
        QCOMPARE(preview.Effect()->text(), QStringLiteral("OK deletes 1 satellite, 3 transponders, 5 TV programs and "
                                                          "2 radio programs, as one step that Undo takes back."));

        // Keeping the orphan keeps its transponder and satellite: they are
        // no longer left empty.
        QVERIFY(rows->setData(rows->index(orphan, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(preview.KindBox(CleanUpKind::LeftEmpty)->text().startsWith(QStringLiteral("Left empty (1)")));
        QCOMPARE(rows->rowCount(), 9);
        QCOMPARE(rows->index(RowOf(preview, QStringLiteral("TV 8")), 0).data(Qt::CheckStateRole).toInt(),
                 int(Qt::Unchecked));
        QVERIFY(preview.OkButton()->isEnabled());
        preview.OkButton()->click();
    });
    QVERIFY(previewShown_);
    QVERIFY(platform_.messages.empty());

    const ChannelDatabase& db = app_.state().database();
    QCOMPARE(int(db.numSats), 5);
    QCOMPARE(int(db.numTps), 4);
    QCOMPARE(TvNames(), (std::vector<std::string>{"Das Erste", "Rai 3", "Rai 3", "Sky", "Orphan", "Movie"}));
    QCOMPARE(int(db.numRadio), 2);
    QCOMPARE(dlg_->statusLine->text(),
             QStringLiteral("Cleaned up: deleted 2 transponders, 4 TV programs and 2 radio programs."));

    // One step: one Undo gives the image back, byte for byte.
    QCOMPARE(dlg_->editActions->undo->text(), QStringLiteral("&Undo Clean up"));
    dlg_->Arranging().Undo();
    QVERIFY(ImageNow() == built_.bytes);
    QVERIFY(!dlg_->editActions->undo->isEnabled());
    QVERIFY(!dlg_->HasUnsavedEdits());
}

void CleanUpWindowTest::ticksChangeWhatIsListedAndCancelWritesNothing()
{
    CleanUp([&](CleanUpPreview& preview) {
        QAbstractItemModel* rows = preview.List()->model();
        preview.KindBox(CleanUpKind::Scrambled)->click();
        QCOMPARE(rows->rowCount(), 12);
        QVERIFY(RowOf(preview, QStringLiteral("TV 6")) >= 0);
        preview.KindBox(CleanUpKind::Duplicates)->click();
        preview.KindBox(CleanUpKind::Strays)->click();
        // Scrambled alone leaves nothing empty: Hotbird's transponder holds more.
        QCOMPARE(rows->rowCount(), 1);
        preview.KindBox(CleanUpKind::Scrambled)->click();
        QCOMPARE(rows->rowCount(), 0);
        QVERIFY(!preview.OkButton()->isEnabled());
        QCOMPARE(preview.Effect()->text(), QStringLiteral("Nothing to delete."));
        preview.KindBox(CleanUpKind::Duplicates)->click();
        preview.reject();
    });
    QVERIFY(previewShown_);
    QVERIFY(ImageNow() == built_.bytes);
    QVERIFY(!dlg_->editActions->undo->isEnabled());
}

void CleanUpWindowTest::selectPicksTheRowsOfAKindForTheEditActions()
{
    // The list of all TV programs, as it stands after Open.
    dlg_->editActions->selectKind[KindIndex(CleanUpKind::Duplicates)]->trigger();
    QCOMPARE(dlg_->SelectedRows(), (std::vector<int>{1, 4}));
    QCOMPARE(dlg_->statusLine->text(), QStringLiteral("Selected 2 of the 10 rows shown: Duplicates, 3 found, 1 of them not shown."));

    dlg_->editActions->selectKind[KindIndex(CleanUpKind::Strays)]->trigger();
    QCOMPARE(dlg_->SelectedRows(), (std::vector<int>{6, 7, 8}));
    dlg_->editActions->selectGroup[0]->trigger();  // "Movies"
    QCOMPARE(dlg_->SelectedRows(), (std::vector<int>{9}));

    dlg_->SelectRows({2});
    dlg_->editActions->lock->trigger();
    dlg_->editActions->selectKind[KindIndex(CleanUpKind::Scrambled)]->trigger();
    QCOMPARE(dlg_->SelectedRows(), (std::vector<int>{5}));
    dlg_->editActions->selectLocked->trigger();
    QCOMPARE(dlg_->SelectedRows(), (std::vector<int>{2}));
    QCOMPARE(dlg_->statusLine->text(), QStringLiteral("Selected 1 of the 10 rows shown: Locked, 1 found."));

    // Delete acts on what Select picked.
    dlg_->editActions->selectKind[KindIndex(CleanUpKind::Duplicates)]->trigger();
    dlg_->editActions->remove->trigger();
    QCOMPARE(TvNames(), (std::vector<std::string>{"Das Erste", "Rai 3", "Rai 3", "Sky", "Lost", "Orphan", "Nowhere",
                                                  "Movie"}));
}

void CleanUpWindowTest::countsAreGroupedTheLocalesWayAndTicksFollowTheKeyboard()
{
    // 1,350 scrambled TV programs on one transponder, and one more in clear.
    testing::ImageBuilder builder(1);
    builder.AddSat({.satId = 1, .longitude = 192, .satName = testing::Name("Astra")});
    builder.AddTp({.tpId = 10, .satId = 1, .frequency = 11778, .polarisation = 1, .symbolRate = 27500});
    for (std::uint16_t k = 0; k < 1350; ++k)
        builder.AddTv(testing::Tv(1, 10, static_cast<std::uint16_t>(100 + k), "Pay", 0x7C, 1));
    builder.AddTv(testing::Tv(1, 10, 9, "Free", 0x7C));
    platform_.openAnswers.push_back(WriteFile(QStringLiteral("pay.bin"), builder.Build().bytes));
    dlg_->OnFileOpen();
    QVERIFY(platform_.messages.empty());

    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    CleanUp([&](CleanUpPreview& preview) {
        preview.KindBox(CleanUpKind::Scrambled)->click();
        QVERIFY(preview.KindBox(CleanUpKind::Scrambled)->text().startsWith(QStringLiteral("Scrambled (1,350): ")));
        QCOMPARE(preview.Effect()->text(),
                 QStringLiteral("OK deletes 1,350 TV programs, as one step that Undo takes back."));

        // Space unticks the row the cursor is on, and the cursor stays there.
        QTableView* list = preview.List();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(list->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QCOMPARE(list->currentIndex().row(), 1);
        QCOMPARE(preview.Effect()->text(),
                 QStringLiteral("OK deletes 1,349 TV programs, as one step that Undo takes back."));
        preview.OkButton()->click();
    });
    QLocale::setDefault(before);
    QVERIFY(previewShown_);
    QCOMPARE(dlg_->statusLine->text(), QStringLiteral("Cleaned up: deleted 1,349 TV programs."));
}

KORVEX_WINDOW_TEST_MAIN(CleanUpWindowTest)

#include "CleanUpWindowTest.moc"
