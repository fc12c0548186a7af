// File → "Compare with…" in the window: the open image compared with an
// edited copy's original (paired by offset) and with an earlier scan (paired
// by channel). The "Change" column, the greyed rows of gone programs where
// they stood, the filter, the tree marks and the counts show exactly what
// changed; each action on the open image updates them; End comparison and
// Escape give the normal list back; the earlier file is never written.

#include "res/ResourceIds.h"
#include "tests/support/CompareImages.h"
#include "tests/ui/WindowFixture.h"
#include "ui/shell/CKorvexApp.h"
#include "ui/shell/CKorvexDlg.h"
#include "ui/list/ChannelListModel.h"
#include "ui/compare/CompareCommand.h"
#include "ui/list/EditActions.h"
#include "ui/bulk/RenamePreview.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace korvex;
using namespace korvex::testing;

namespace {

// A row as the list shows it: the name, the "Change" text, and whether it
// can be selected (a gone program cannot).
struct ShownRow {
    QString name;
    QString change;
    bool selectable;
};

} // namespace

class CompareWindowTest : public QObject, protected WindowFixture {
    Q_OBJECT

public:
    CompareWindowTest(CKorvexApp& app, FakePlatform& platform) : WindowFixture(app, platform) {}

private slots:
    void init();
    void cleanup();

    void marksAndCountsShowExactlyWhatChanged_data();
    void marksAndCountsShowExactlyWhatChanged();
    void theFilterShowsOneKindOfChange();
    void marksFollowEachActionAndEndGivesTheNormalListBack();
    void thePairingCanBeSwitched();
    void renameTakesNoGreyedRowOfAGoneProgram();
    void eachActionIsSaidInTheListsWords();
    void aFileThatIsNoImageStartsNoComparison();

private:
    // Opens `later` and compares it with `earlier`, through the File menu's command.
    void OpenAndCompare(const ComparePair& pair);
    std::vector<ShownRow> Shown() const;
    QStringList Names() const;
    void ShowTab(int tab);
    int ChangeColumn() const;
    QLabel* StatusCounts() const;
    QString Counts() const { return StatusCounts()->text(); }

    QString earlierPath_;
};

void CompareWindowTest::init()
{
    StartWindow();
}

void CompareWindowTest::cleanup()
{
    EndWindow();
}

void CompareWindowTest::OpenAndCompare(const ComparePair& pair)
{
    QVERIFY(OpenBytes(pair.later.bytes, QStringLiteral("later.bin")));
    earlierPath_ = WriteFile(QStringLiteral("earlier.bin"), pair.earlier.bytes);
    QFile::setPermissions(earlierPath_, QFile::ReadOwner | QFile::ReadUser);
    platform_.openAnswers.push_back(earlierPath_);
    dlg_->OnCommand(res::ID_FILE_COMPARE);
    QVERIFY(platform_.messages.empty());
    QVERIFY(dlg_->Comparison().Active());
}

QLabel* CompareWindowTest::StatusCounts() const
{
    return dlg_->statusLine->findChild<QLabel*>(QStringLiteral("comparisonCounts"));
}

int CompareWindowTest::ChangeColumn() const
{
    return dlg_->channelList->model()->columnCount() - 1;
}

std::vector<ShownRow> CompareWindowTest::Shown() const
{
    const QAbstractItemModel* model = dlg_->channelList->model();
    std::vector<ShownRow> rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows.push_back({model->index(row, 1).data().toString(), model->index(row, ChangeColumn()).data().toString(),
                        (model->flags(model->index(row, 0)) & Qt::ItemIsSelectable) != 0});
    return rows;
}

QStringList CompareWindowTest::Names() const
{
    QStringList names;
    for (const ShownRow& row : Shown())
        names << row.name;
    return names;
}

void CompareWindowTest::ShowTab(int tab)
{
    dlg_->kindTabs->setCurrentIndex(tab);
}

void CompareWindowTest::marksAndCountsShowExactlyWhatChanged_data()
{
    QTest::addColumn<int>("fixture");
    QTest::addColumn<QStringList>("tvOrder");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("pairingIndex");
    QTest::addRow("an edited copy") << 0 << QStringList{"F", "A", "B2", "C", "D", "E"}
                                    << "Compared with earlier.bin (same image): 0 new, 1 gone, 1 moved, 3 changed." << 0;
    QTest::addRow("a rescan") << 1 << QStringList{"Rai 1", "Rai Due", "Old", "Das Erste", "ZDF", "Welt"}
                              << "Compared with earlier.bin (another scan): 1 new, 1 gone, 2 moved, 1 changed." << 1;
}

void CompareWindowTest::marksAndCountsShowExactlyWhatChanged()
{
    QFETCH(int, fixture);
    QFETCH(QStringList, tvOrder);
    QFETCH(QString, status);
    QFETCH(int, pairingIndex);
    const ComparePair pair = fixture == 0 ? testing::MakeEditedCopy() : testing::MakeRescanPair();
    // What the status line said before the comparison is not about it.
    dlg_->statusLine->setText(QStringLiteral("Undid Edit."));
    OpenAndCompare(pair);
    QCOMPARE(dlg_->statusLine->text(), QString());

    QCOMPARE(dlg_->channelList->model()->headerData(ChangeColumn(), Qt::Horizontal).toString(),
             QStringLiteral("Change"));
    // Shown after the number and the name.
    QCOMPARE(dlg_->channelList->horizontalHeader()->visualIndex(ChangeColumn()), 2);
    QCOMPARE(Counts(), status);
    QVERIFY(StatusCounts()->isVisible());
    QCOMPARE(dlg_->findField->findChild<QComboBox*>(QStringLiteral("comparisonPairing"))->currentIndex(),
             pairingIndex);
    // The gone programs stand greyed where they stood, after the program
    // that preceded them in the earlier list.
    QCOMPARE(Names(), tvOrder);
    // A gone program has the number it had in the earlier file's list.
    const QAbstractItemModel* list = dlg_->channelList->model();
    for (std::size_t k = 0; k < pair.expected.goneTv.size(); ++k) {
        const int row = static_cast<int>(tvOrder.indexOf(QString::fromStdString(pair.expected.goneTv[k])));
        QCOMPARE(list->index(row, 0).data().toString(), QString::number(pair.expected.goneTvNumbers[k]));
    }
    for (int tab : {0, 1}) {
        ShowTab(tab);
        const auto& expected = tab == 0 ? pair.expected.tv : pair.expected.radio;
        const auto& gone = tab == 0 ? pair.expected.goneTv : pair.expected.goneRadio;
        for (const ShownRow& row : Shown()) {
            const std::string name = row.name.toStdString();
            const bool isGone = std::find(gone.begin(), gone.end(), name) != gone.end();
            QCOMPARE(row.selectable, !isGone);
            const auto it = expected.find(name);
            const QString wanted =
                isGone ? QStringLiteral("gone") : (it == expected.end() ? QString() : QString::fromStdString(it->second));
            QVERIFY2(row.change == wanted, qPrintable(row.name + QStringLiteral(": ") + row.change));
        }
    }
    // The tree marks the satellites and transponders holding the changes: in
    // both fixtures every one of them. The mark is the label's ground, not an
    // icon before it, so every label stays in line.
    int marked = 0;
    for (std::size_t n = 0; n < dlg_->Tree().numTreeNodes; ++n) {
        const TreeNode& node = dlg_->Tree().treeNodes[n];
        QVERIFY(node.item->icon(0).isNull());
        if (node.kind == kTreeSatellite || node.kind == kTreeTransponder) {
            QVERIFY2(node.item->data(0, Qt::BackgroundRole).isValid(), qPrintable(node.item->text(0)));
            QVERIFY(node.item->font(0).bold());
            ++marked;
        }
    }

    QCOMPARE(marked, fixture == 0 ? 2 : 4);
    // The earlier file was read, never written.
    QFile earlier(earlierPath_);
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    const QByteArray bytes = earlier.readAll();
    QVERIFY(Bytes(bytes.begin(), bytes.end()) == pair.earlier.bytes);
}

void CompareWindowTest::theFilterShowsOneKindOfChange()
{
    OpenAndCompare(testing::MakeRescanPair());
    auto* filter = dlg_->findField->findChild<QComboBox*>(QStringLiteral("comparisonChanges"));
    QVERIFY(filter);
    const std::pair<int, QStringList> cases[] = {
        {1, {"Welt"}}, {2, {"Rai Due"}}, {3, {"Das Erste", "ZDF"}}, {4, {"Old"}},
        {0, {"Rai 1", "Rai Due", "Old", "Das Erste", "ZDF", "Welt"}},
    };
    for (const auto& [index, names] : cases) {
        filter->setCurrentIndex(index);
        QCOMPARE(Names(), names);
    }
    // The find field still narrows the list, gone programs included.
    dlg_->findField->setText(QStringLiteral("o"));
    QCOMPARE(Names(), (QStringList{"Old"}));
}

void CompareWindowTest::marksFollowEachActionAndEndGivesTheNormalListBack()
{
    OpenAndCompare(testing::MakeEditedCopy());
    // Delete A: it is gone too, and stands greyed at the top, where the
    // earlier list had it.
    dlg_->SelectRows({1});
    dlg_->Arranging().Delete();
    QCOMPARE(Names(), (QStringList{"A", "F", "B2", "C", "D", "E"}));
    QVERIFY(!Shown()[0].selectable);
    QCOMPARE(Shown()[0].change, QStringLiteral("gone"));
    QCOMPARE(dlg_->statusLine->text(), QStringLiteral("Deleted 1 program."));
    QCOMPARE(Counts(), QStringLiteral("Compared with earlier.bin (same image): 0 new, 2 gone, 1 moved, 3 changed."));
    // Undo: A is back and unmarked.
    dlg_->Arranging().Undo();
    QCOMPARE(Shown()[1].change, QString());
    QVERIFY(Shown()[1].selectable);
    QCOMPARE(Counts(), QStringLiteral("Compared with earlier.bin (same image): 0 new, 1 gone, 1 moved, 3 changed."));
    // Selecting every row and deleting leaves the gone rows alone: they stand
    // for no record of the open image.
    dlg_->OnSelectAll();
    QCOMPARE(dlg_->SelectedRows().size(), std::size_t{5});

    // Escape in the list with no selection ends the comparison.
    dlg_->channelList->clearSelection();
    dlg_->channelList->setFocus();
    QTest::keyClick(dlg_->channelList, Qt::Key_Escape);
    QVERIFY(!dlg_->Comparison().Active());
    QCOMPARE(dlg_->channelList->model()->columnCount(), static_cast<int>(ProgramColumns().size()));
    for (int column = 0; column < dlg_->channelList->model()->columnCount(); ++column)
        QCOMPARE(dlg_->channelList->horizontalHeader()->visualIndex(column), column);
    QCOMPARE(Names(), (QStringList{"F", "A", "B2", "D", "E"}));
    QVERIFY(!StatusCounts()->isVisible());
    QCOMPARE(dlg_->statusLine->text(), QString());
    for (std::size_t n = 0; n < dlg_->Tree().numTreeNodes; ++n)
        QVERIFY(!dlg_->Tree().treeNodes[n].item->data(0, Qt::BackgroundRole).isValid());
    QVERIFY(dlg_->isVisible());  // Escape ended the comparison, not the window

    // File → End comparison does the same.
    platform_.openAnswers.push_back(earlierPath_);
    dlg_->OnCommand(res::ID_FILE_COMPARE);
    QVERIFY(dlg_->Comparison().Active());
    dlg_->OnCommand(res::ID_FILE_END_COMPARE);
    QVERIFY(!dlg_->Comparison().Active());
    QCOMPARE(Names(), (QStringList{"F", "A", "B2", "D", "E"}));
}

void CompareWindowTest::renameTakesNoGreyedRowOfAGoneProgram()
{
    OpenAndCompare(testing::MakeEditedCopy());
    const Bytes before = ImageNow();
    // The find field leaves only the greyed row of C, which only the earlier
    // file holds.
    dlg_->findField->setText(QStringLiteral("C"));
    QCOMPARE(Names(), QStringList{QStringLiteral("C")});
    QVERIFY(!Shown()[0].selectable);

    // With nothing selected Rename takes every row shown, and none of them is
    // a program of the open image: the command renames nothing, and is not
    // offered.
    AnswerModal<RenamePreview>([this] { emit dlg_->editActions->rename->triggered(); },
                               [](RenamePreview& preview) {
                                   preview.SetRule({QStringLiteral("^(.*)$"), QStringLiteral("X\\1"), true, false});
                                   preview.OkButton()->click();
                               });
    QVERIFY(ImageNow() == before);
    QVERIFY(!dlg_->HasUnsavedEdits());
    QVERIFY(!dlg_->statusLine->text().startsWith(QStringLiteral("Renamed")));
    QVERIFY(!dlg_->editActions->rename->isEnabled());
}

void CompareWindowTest::thePairingCanBeSwitched()
{
    OpenAndCompare(testing::MakeRescanPair());
    dlg_->findField->findChild<QComboBox*>(QStringLiteral("comparisonPairing"))->setCurrentIndex(0);
    QCOMPARE(dlg_->Comparison().Pairing(), DiffPairing::Offsets);
    // Paired by offset, the scan's programs are other programs at the same places.
    QCOMPARE(Names(), (QStringList{"Rai 1", "Rai Due", "Das Erste", "ZDF", "Welt"}));
    QCOMPARE(Shown()[0].change, QStringLiteral("satellite ID was 7; transponder ID was 20; service ID was 28106; "
                                               "video PID was 4530; audio PID was 5530; name was Das Erste"));
    // Bayern 3, at the same place in both, has the scan's own ids.
    QCOMPARE(Counts(), QStringLiteral("Compared with earlier.bin (same image): 0 new, 0 gone, 0 moved, 6 changed."));
}

void CompareWindowTest::eachActionIsSaidInTheListsWords()
{
    // The edited copy compared with itself; then actions on the open image.
    const ComparePair edited = testing::MakeEditedCopy();
    OpenAndCompare({edited.later, edited.later, {}});
    QCOMPARE(Names(), (QStringList{"F", "A", "B2", "D", "E"}));
    const struct {
        int tab;
        int row;
        QAction* action;
        QString change;
    } cases[] = {
        {0, 1, dlg_->editActions->lock, QStringLiteral("locked")},
        {0, 1, dlg_->editActions->joinGroup[4], QStringLiteral("locked; now in Sport")},
        // D up two places: it alone moved, from 4 to 2.
        {0, 3, dlg_->editActions->moveUp, QString()},
        {0, 2, dlg_->editActions->moveUp, QStringLiteral("moved from 4 to 2")},
        {1, 1, dlg_->editActions->leaveGroup[0], QStringLiteral("no longer in Movies")},
    };
    for (const auto& c : cases) {
        ShowTab(c.tab);
        dlg_->SelectRows({c.row});
        c.action->trigger();
        if (c.change.isEmpty())
            continue;
        const auto rows = Shown();
        const auto it = std::ranges::find_if(rows, [&](const ShownRow& row) { return row.change == c.change; });
        QVERIFY2(it != rows.end(), qPrintable(c.change));
    }
}

void CompareWindowTest::aFileThatIsNoImageStartsNoComparison()
{
    platform_.openAnswers.push_back(WriteFile(QStringLiteral("later.bin"), testing::MakeEditedCopy().later.bytes));
    dlg_->OnFileOpen();
    platform_.openAnswers.push_back(WriteFile(QStringLiteral("note.bin"), Bytes(100, 0x20)));
    dlg_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dlg_.get()));
    QTest::keyClick(dlg_->channelList, Qt::Key_D, Qt::ControlModifier);  // File → Compare with…
    QCOMPARE(platform_.messages.size(), std::size_t{1});
    QCOMPARE(platform_.messages[0].text, QStringLiteral("The bin file is not right!"));
    QVERIFY(!dlg_->Comparison().Active());
    QCOMPARE(dlg_->channelList->model()->columnCount(), static_cast<int>(ProgramColumns().size()));
}

KORVEX_WINDOW_TEST_MAIN(CompareWindowTest)

#include "CompareWindowTest.moc"
