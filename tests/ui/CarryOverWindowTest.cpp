// Edit → "Apply an earlier list…" in the window: the preview says what
// matched before anything is written, OK carries the earlier order,
// favourites and locks over as one step of the history with the unmatched
// programs selected afterwards, Undo gives the rescan back, and Cancel or a
// file that is no image changes nothing.

#include "db/CarryOver.h"
#include "samples/DemoImage.h"
#include "tests/support/LoadedImage.h"
#include "db/RecordCodec.h"
#include "tests/support/RescanImages.h"
#include "tests/ui/PreviewGuide.h"
#include "tests/ui/WindowFixture.h"
#include "ui/shell/CKorvexApp.h"
#include "ui/shell/CKorvexDlg.h"
#include "ui/bulk/CarryOverPreview.h"
#include "ui/list/EditActions.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

using namespace korvex;
using namespace korvex::testing;

class CarryOverWindowTest : public QObject, protected WindowFixture {
    Q_OBJECT

public:
    CarryOverWindowTest(CKorvexApp& app, FakePlatform& platform) : WindowFixture(app, platform) {}

private slots:
    void init();
    void cleanup();

    void okCarriesTheEarlierListOverAsOneStepAndSelectsTheUnmatched();
    void deletingTheUnmatchedLeavesOnlyTheMatched();
    void cancelAndAFileThatIsNoImageWriteNothing();
    void theEarlierListsNamesAreReadInItsOwnCharset();
    void namesTickedListEveryNameThatChangesByTheListsNumber();

private:
    // Opens the rescan, then applies the arranged image: `onPreview` sees the
    // preview and answers it.
    void Apply(const std::function<void(CarryOverPreview&)>& onPreview);
    std::vector<std::string> Labels(ProgTable table) const;

    RescanImages images_ = testing::MakeRescanImages();
    bool previewShown_ = false;
};

void CarryOverWindowTest::init()
{
    StartWindow();
    QVERIFY(OpenBytes(images_.rescan.bytes, QStringLiteral("rescan.bin")));
    previewShown_ = false;
}

void CarryOverWindowTest::cleanup()
{
    EndWindow();
}

void CarryOverWindowTest::Apply(const std::function<void(CarryOverPreview&)>& onPreview)
{
    platform_.openAnswers.push_back(WriteFile(QStringLiteral("arranged.bin"), images_.arranged.bytes));
    previewShown_ =
        AnswerModal<CarryOverPreview>([this] { dlg_->editActions->applyEarlier->trigger(); }, onPreview);
}

std::vector<std::string> CarryOverWindowTest::Labels(ProgTable table) const
{
    const ChannelDatabase& db = app_.state().database();
    std::vector<std::string> labels;
    for (const ProgRecord& prog : db.Progs(table))
        labels.push_back(ProgramLabel(db, prog));
    return labels;
}

void CarryOverWindowTest::okCarriesTheEarlierListOverAsOneStepAndSelectsTheUnmatched()
{
    const auto& expected = images_.expected;
    const std::size_t added = expected[0].added.size() + expected[1].added.size();
    const std::size_t gone = expected[0].gone.size() + expected[1].gone.size();
    Apply([&](CarryOverPreview& preview) {
        // Nothing is written while the preview is open.
        QVERIFY(ImageNow() == images_.rescan.bytes);
        QCOMPARE(preview.Lists()->tabText(0), QStringLiteral("Not matched (%1)").arg(added));
        QCOMPARE(preview.Lists()->tabText(1), QStringLiteral("No longer received (%1)").arg(gone));
        QCOMPARE(preview.Choices(), CarryOverChoices{});
        QVERIFY(preview.OkButton()->isEnabled());
        preview.OkButton()->click();
    });
    QVERIFY(previewShown_);
    QVERIFY(platform_.messages.empty());

    for (const ProgTable table : {ProgTable::Tv, ProgTable::Radio}) {
        const auto& want = expected[IndexOf(table)];
        QCOMPARE(Labels(table), want.order);
        const ChannelDatabase& db = app_.state().database();
        for (const ProgRecord& prog : db.Progs(table))
            QCOMPARE(int(FlagByteOf(prog.entryWord)), int(want.flags.at(ProgramLabel(db, prog))));
    }
    // The unmatched programs are selected in the list of all programs, under
    // the tab that shows more of them (the rescan's new programs are TV and
    // radio), and the status line tells how many of them that is.
    const std::size_t selected = dlg_->SelectedRows().size();
    QCOMPARE(selected, std::max(expected[0].added.size(), expected[1].added.size()));
    QCOMPARE(dlg_->statusLine->text(),
             QStringLiteral("Applied the earlier list: %1 programs matched, %2 not matched, %3 of them selected here.")
                 .arg(expected[0].order.size() + expected[1].order.size() - added)
                 .arg(added)
                 .arg(selected));

    // One step: one Undo gives the rescan back, byte for byte.
    QVERIFY(dlg_->editActions->undo->isEnabled());
    QCOMPARE(dlg_->editActions->undo->text(), QStringLiteral("&Undo Apply an earlier list"));
    dlg_->Arranging().Undo();
    QVERIFY(ImageNow() == images_.rescan.bytes);
    QVERIFY(!dlg_->editActions->undo->isEnabled());
    QVERIFY(!dlg_->HasUnsavedEdits());
}

void CarryOverWindowTest::deletingTheUnmatchedLeavesOnlyTheMatched()
{
    Apply([](CarryOverPreview& preview) {
        CarryOverChoices choices;
        choices.deleteUnmatched = true;
        preview.SetChoices(choices);
        preview.OkButton()->click();
    });
    QVERIFY(previewShown_);
    for (const ProgTable table : {ProgTable::Tv, ProgTable::Radio}) {
        const auto& want = images_.expected[IndexOf(table)];
        std::vector<std::string> survivors(want.order.begin(),
                                           want.order.end() - static_cast<std::ptrdiff_t>(want.added.size()));
        QCOMPARE(Labels(table), survivors);
    }
    QVERIFY(dlg_->SelectedRows().empty());
}

void CarryOverWindowTest::cancelAndAFileThatIsNoImageWriteNothing()
{
    Apply([](CarryOverPreview& preview) { preview.reject(); });
    QVERIFY(previewShown_);
    QVERIFY(ImageNow() == images_.rescan.bytes);
    QVERIFY(!dlg_->editActions->undo->isEnabled());

    previewShown_ = false;
    platform_.openAnswers.push_back(WriteFile(QStringLiteral("note.bin"), Bytes(100, 0x20)));
    dlg_->editActions->applyEarlier->trigger();
    QVERIFY(!previewShown_);
    QCOMPARE(platform_.messages.size(), std::size_t{1});
    QCOMPARE(platform_.messages[0].text, QStringLiteral("The bin file is not right!"));
    QVERIFY(ImageNow() == images_.rescan.bytes);
    QVERIFY(!dlg_->editActions->undo->isEnabled());
}

void CarryOverWindowTest::namesTickedListEveryNameThatChangesByTheListsNumber()
{
    // The scan gave one program both lists hold another name.
    const ChannelDatabase& db = app_.state().database();
    const auto& added = images_.expected[0].added;
    std::string earlierName;
    Bytes bytes = images_.rescan.bytes;
    for (const ProgRecord& prog : db.TvProgs())
        if (prog.videoPid != 0 && std::ranges::find(added, ProgramLabel(db, prog)) == added.end()) {
            earlierName = NameView(prog.progName);
            const NameBytes scanName = testing::Name("Scan name");
            std::ranges::copy(scanName, bytes.begin() + RecordOffsetOf(prog.entryWord) + kProgNameOffset);
            break;
        }
    QVERIFY(!earlierName.empty());
    platform_.openAnswers.push_back(WriteFile(QStringLiteral("renamed.bin"), bytes));
    dlg_->OnFileOpen();
    // Its number in the list of all programs, as the preview must give it.
    QString number;
    const QAbstractItemModel* list = dlg_->channelList->model();
    for (int row = 0; row < list->rowCount(); ++row)
        if (list->index(row, 1).data().toString() == QStringLiteral("Scan name"))
            number = QStringLiteral("TV ") + list->index(row, 0).data().toString();
    QVERIFY(!number.isEmpty());

    Apply([&](CarryOverPreview& preview) {
        QVERIFY(preview.OkButton()->isDefault());
        QCOMPARE(testing::GuidePageAfterF1(preview), QStringLiteral("after-a-new-scan.md"));
        QVERIFY(!preview.Lists()->isTabVisible(2));
        CarryOverChoices choices;
        choices.names = true;
        preview.SetChoices(choices);
        QVERIFY(preview.Lists()->isTabVisible(2));
        QCOMPARE(preview.Lists()->tabText(2), QStringLiteral("Names (1)"));
        const QAbstractItemModel* names = preview.List(2);
        QCOMPARE(names->rowCount(), 1);
        QCOMPARE(names->index(0, 0).data().toString(), number);
        QCOMPARE(names->index(0, 1).data().toString(), QStringLiteral("Scan name"));
        QCOMPARE(names->index(0, 2).data().toString(), QString::fromStdString(earlierName));
        // The programs not matched are named the way the list names them.
        const QAbstractItemModel* unmatched = preview.List(0);
        QVERIFY(unmatched->rowCount() > 0);
        QVERIFY2(QRegularExpression(QStringLiteral("^(TV|Radio) [1-9][0-9]*$"))
                     .match(unmatched->index(0, 0).data().toString())
                     .hasMatch(),
                 qPrintable(unmatched->index(0, 0).data().toString()));
        preview.reject();
    });
    QVERIFY(previewShown_);
}

void CarryOverWindowTest::theEarlierListsNamesAreReadInItsOwnCharset()
{
    // The open list is a European box's, its names ASCII and read in the
    // locale's UTF-8; the earlier one is a Chinese box's, its names in GBK.
    // Their satellites stand at other longitudes, so every earlier program
    // is listed as no longer received, by its name.
    QVERIFY(OpenBytes(samples::MakeDemoImage(samples::DemoNames::European), QStringLiteral("demo.bin")));
    const Bytes earlier = samples::MakeDemoImage(samples::DemoNames::ChineseGbk);
    platform_.openAnswers.push_back(WriteFile(QStringLiteral("demo-gbk.bin"), earlier));
    QStringList earlierNames;
    const auto readNames = [&earlierNames](CarryOverPreview& preview) {
        const QAbstractItemModel* gone = qobject_cast<QTableView*>(preview.Lists()->widget(1))->model();
        for (int row = 0; row < gone->rowCount(); ++row)
            earlierNames << gone->index(row, 1).data().toString();
    };
    QVERIFY(AnswerModal<CarryOverPreview>([this] { dlg_->editActions->applyEarlier->trigger(); }, readNames));
    const testing::LoadedImage loaded(earlier);
    QCOMPARE(earlierNames.size(), qsizetype{loaded.db->numTv + loaded.db->numRadio});
    QVERIFY(earlierNames.contains(QStringLiteral("中央电视台")));
    QVERIFY(earlierNames.contains(QStringLiteral("湖南卫视")));
    for (const QString& name : earlierNames)
        QVERIFY2(!name.contains(QChar::ReplacementCharacter), qPrintable(name));
    // The open list's own names are still read as they were.
    QCOMPARE(app_.state().nameCharset().charset.Name(), std::string("UTF-8"));
}

KORVEX_WINDOW_TEST_MAIN(CarryOverWindowTest)

#include "CarryOverWindowTest.moc"
