// Tools → "Update transponders…" in the window: enabled while the tree has a
// satellite chosen; the file dialog starts among the installed scan tables;
// the preview lists the changes, the transponders the table lacks, the
// entries not added and those not usable; OK writes what is ticked, as one
// step that Undo takes back; a satellites.xml of several satellites asks
// which, offering the one at the satellite's longitude first; Cancel and a
// file that is no table write nothing.

#include "res/ResourceIds.h"
#include "tests/support/TransponderTables.h"
#include "tests/ui/PreviewGuide.h"
#include "tests/ui/WindowFixture.h"
#include "ui/shell/CKorvexApp.h"
#include "ui/shell/CKorvexDlg.h"
#include "ui/list/EditActions.h"
#include "ui/bulk/TransponderUpdateCommand.h"
#include "ui/bulk/TransponderUpdatePreview.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <memory>

using namespace korvex;
using namespace korvex::testing;

namespace {

// Hotbird (13.0E) has four transponders: one up to date, two moved, one the
// table lacks; Thor (0.8W) has one.
testing::BuiltImage Fixture()
{
    testing::ImageBuilder builder;
    builder.AddSat(SatelliteRecord(1, 130, "Hotbird")).AddSat(SatelliteRecord(2, 3592, "Thor"));
    builder.AddTp(TransponderRecord(1, 1, 10992, 1, 27500))
        .AddTp(TransponderRecord(2, 1, 12597, 1, 29900))
        .AddTp(TransponderRecord(3, 1, 11500, 0, 22000))
        .AddTp(TransponderRecord(4, 1, 11800, 0, 27500))
        .AddTp(TransponderRecord(5, 2, 10778, 0, 24500));
    return builder.Build();
}

const QByteArray kDvbv5Table =
    "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 10992000\n\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 27500000\n\n"
    "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 12596000\n\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 27500000\n\n"
    "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11502000\n\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 22000000\n\n"
    "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11000000\n\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 27500000\n\n"
    "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 3840000\n\tPOLARIZATION = LEFT\n\tSYMBOL_RATE = 30000000\n\n"
    "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11000000\n\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 27500000\n";

Bytes AsBytes(const QByteArray& text) { return Bytes(text.begin(), text.end()); }

} // namespace

class TransponderUpdateWindowTest : public QObject, protected WindowFixture {
    Q_OBJECT

public:
    TransponderUpdateWindowTest(CKorvexApp& app, FakePlatform& platform) : WindowFixture(app, platform) {}

private slots:
    void init();
    void cleanup();

    void theCommandNeedsASatelliteChosenInTheTree();
    void okWritesTheTickedChangesAsOneStep();
    void aRecordTheGuardRefusesIsShownUntickedAndLeftAlone();
    void thePreviewOpensOverTheWindowKeepsItsSizeAndTicksByKeyboard();
    void aSatellitesXmlFileAsksWhichSatelliteAndCancelWritesNothing();
    void aFileThatIsNoUsableTableIsSaidAndNothingWritten();
    void aTableForAnotherPositionIsAskedAboutFirstAndNoIsTheAnswerByDefault();

private:
    // Chooses satellite k in the tree, then runs Tools → "Update transponders…"
    // on the table file: `onPreview` sees the preview and answers it.
    void Update(int k, const QString& table, const std::function<void(TransponderUpdatePreview&)>& onPreview);
    QAction* Command() const;
    // The fixture with bytes 4..7 of transponder k's record replaced.
    Bytes WithValues(Bytes bytes, std::size_t k, std::uint16_t frequency, std::uint8_t polarisation,
                     std::uint16_t symbolRate) const;

    testing::BuiltImage built_ = Fixture();
    bool previewShown_ = false;
};

void TransponderUpdateWindowTest::init()
{
    StartWindow();
    QVERIFY(OpenBytes(built_.bytes, QStringLiteral("box.bin")));
    previewShown_ = false;
}

void TransponderUpdateWindowTest::cleanup()
{
    EndWindow();
}

QAction* TransponderUpdateWindowTest::Command() const
{
    return MenuCommand(*dlg_, res::ID_TOOLS_UPDATE_TPS);
}

void TransponderUpdateWindowTest::Update(int k, const QString& table,
                                         const std::function<void(TransponderUpdatePreview&)>& onPreview)
{
    dlg_->channelTree->setCurrentItem(dlg_->channelTree->topLevelItem(1)->child(k));
    platform_.openAnswers.push_back(table);
    previewShown_ = AnswerModal<TransponderUpdatePreview>([this] { Command()->trigger(); }, onPreview);
}

Bytes TransponderUpdateWindowTest::WithValues(Bytes bytes, std::size_t k, std::uint16_t frequency,
                                              std::uint8_t polarisation, std::uint16_t symbolRate) const
{
    const std::uint32_t at = built_.RecordOffset(BlockId::Transponders, k);
    testing::PutBe16(bytes, at + 4, static_cast<std::uint16_t>(frequency << 2 | polarisation));
    testing::PutBe16(bytes, at + 6, symbolRate);
    return bytes;
}

void TransponderUpdateWindowTest::theCommandNeedsASatelliteChosenInTheTree()
{
    QAction* command = Command();
    QVERIFY(command);
    QCOMPARE(command->text(), QStringLiteral("Update &transponders…"));
    QVERIFY(!command->isEnabled());  // the list of all programs
    QTreeWidgetItem* hotbird = dlg_->channelTree->topLevelItem(1)->child(0);
    dlg_->channelTree->setCurrentItem(hotbird);
    QVERIFY(command->isEnabled());
    dlg_->channelTree->setCurrentItem(hotbird->child(0));
    QVERIFY(!command->isEnabled());
    // Sent anyway (say by a shortcut), it asks for no table without a satellite.
    const qsizetype asked = platform_.openFilters.size();
    emit command->triggered();
    QCOMPARE(platform_.openFilters.size(), asked);
}

void TransponderUpdateWindowTest::okWritesTheTickedChangesAsOneStep()
{
    const QString table = WriteFile(QStringLiteral("Hotbird-13.0E"), AsBytes(kDvbv5Table));
    Update(0, table, [&](TransponderUpdatePreview& preview) {
        QVERIFY(ImageNow() == built_.bytes);
        QAbstractItemModel* changes = preview.Changes()->model();
        QCOMPARE(changes->rowCount(), 2);
        QCOMPARE(changes->index(0, 0).data().toString(), QStringLiteral("1_12597"));
        QCOMPARE(changes->index(0, 1).data().toString(), QStringLiteral("V"));
        QCOMPARE(changes->index(0, 2).data().toString(), QStringLiteral("12597 → 12596"));
        QCOMPARE(changes->index(0, 3).data().toString(), QStringLiteral("29900 → 27500"));
        QCOMPARE(changes->index(1, 0).data().toString(), QStringLiteral("2_11500"));
        QCOMPARE(changes->index(1, 2).data().toString(), QStringLiteral("11500 → 11502"));
        QCOMPARE(changes->index(1, 3).data().toString(), QStringLiteral("22000"));
        QCOMPARE(changes->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));

        QCOMPARE(preview.Lists()->tabText(0), QStringLiteral("Not in the table (1)"));
        QCOMPARE(preview.List(0)->model()->index(0, 0).data().toString(), QStringLiteral("3_11800"));
        QCOMPARE(preview.List(0)->model()->index(0, 2).data().toString(), QStringLiteral("11800"));
        QCOMPARE(preview.Heading()->text(),
                 QStringLiteral("Satellite 0_Hotbird from Hotbird-13.0E: 6 entries, 5 usable, paired within 5 MHz.\n"
                                "1 transponder is already as the table gives it."));
        QCOMPARE(preview.Lists()->tabText(1), QStringLiteral("Not added (1)"));
        // Korvex adds no transponder: it says who does, and counts the
        // entry that repeats another in the singular.
        QCOMPARE(preview.ListExplanation(1),
                 QStringLiteral("Entries that pair with no transponder of the satellite. Korvex changes only the "
                                "transponders the image holds; a scan on the box adds new ones. 1 entry repeats "
                                "another entry's values, not listed."));
        QCOMPARE(preview.List(1)->model()->index(0, 0).data().toString(), QStringLiteral("Entry 4"));
        QCOMPARE(preview.List(1)->model()->index(0, 2).data().toString(), QStringLiteral("11000"));
        QCOMPARE(preview.Lists()->tabText(2), QStringLiteral("Not usable (1)"));
        QVERIFY(preview.List(2)->model()->index(0, 3).data().toString().startsWith(QStringLiteral("circular")));
        QCOMPARE(preview.Effect()->text(), QStringLiteral("OK writes the frequency and symbol rate of 2 transponders, "
                                                          "as one step that Undo takes back."));

        QVERIFY(changes->setData(changes->index(1, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(changes->setData(changes->index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!preview.OkButton()->isEnabled());
        QVERIFY(changes->setData(changes->index(0, 0), Qt::Checked, Qt::CheckStateRole));
        preview.OkButton()->click();
    });
    QVERIFY(previewShown_);
    QVERIFY(platform_.messages.empty());
    const QString tables = QDir(kScanTableFolder).exists() ? kScanTableFolder : QString();
    QCOMPARE(platform_.openFolders.constLast(), tables);

    // Only transponder 1's frequency word and symbol rate changed.
    QVERIFY(ImageNow() == WithValues(built_.bytes, 1, 12596, 1, 27500));
    QCOMPARE(dlg_->statusLine->text(),
             QStringLiteral("Updated the frequency and symbol rate of 1 transponder of Hotbird."));
    // The satellite stays chosen and its list shows the new values.
    QVERIFY(Command()->isEnabled());
    QCOMPARE(dlg_->editActions->undo->text(), QStringLiteral("&Undo Update transponders"));
    dlg_->Arranging().Undo();
    QVERIFY(ImageNow() == built_.bytes);
    QVERIFY(!dlg_->HasUnsavedEdits());
}

void TransponderUpdateWindowTest::aRecordTheGuardRefusesIsShownUntickedAndLeftAlone()
{
    // Thor's transponder entry is made to point at the last two bytes of
    // Hotbird's transponder 0, so that its record overlaps transponder 1,
    // which is then read-only (and 0 too, which is up to date).
    Bytes bytes = built_.bytes;
    testing::PutEntry(bytes, built_.EntryOffset(BlockId::Transponders, 4), 0,
                      built_.RecordOffset(BlockId::Transponders, 0) + 6);
    platform_.openAnswers.push_back(WriteFile(QStringLiteral("overlap.bin"), bytes));
    dlg_->OnFileOpen();
    QVERIFY(platform_.messages.empty());

    const QString table = WriteFile(QStringLiteral("Hotbird-13.0E"), AsBytes(kDvbv5Table));
    Update(0, table, [&](TransponderUpdatePreview& preview) {
        QAbstractItemModel* changes = preview.Changes()->model();
        QCOMPARE(changes->rowCount(), 2);
        const QModelIndex held = changes->index(0, 0);
        QCOMPARE(held.data().toString(), QStringLiteral("1_12597"));
        QCOMPARE(held.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(!(changes->flags(held) & Qt::ItemIsEnabled));
        QVERIFY(!changes->setData(held, Qt::Checked, Qt::CheckStateRole));
        QVERIFY(changes->index(0, 4).data().toString().startsWith(QStringLiteral("Not written: This record overlaps")));
        QVERIFY2(preview.Effect()->text().contains(QStringLiteral("of 1 transponder,")),
                 qPrintable(preview.Effect()->text()));
        preview.OkButton()->click();
    });
    QVERIFY(previewShown_);
    QVERIFY(ImageNow() == WithValues(bytes, 2, 11502, 0, 22000));
}

void TransponderUpdateWindowTest::thePreviewOpensOverTheWindowKeepsItsSizeAndTicksByKeyboard()
{
    const QString table = WriteTestFile(dir_, QStringLiteral("Hotbird-13.0E"), AsBytes(kDvbv5Table));
    dlg_->resize(900, 560);
    dlg_->move(40, 30);
    Update(0, table, [&](TransponderUpdatePreview& preview) {
        const QRect screen = dlg_->screen()->availableGeometry();
        QVERIFY2(screen.contains(preview.frameGeometry()), qPrintable(QDebug::toString(preview.frameGeometry())));
        QVERIFY(preview.width() <= 1024 && preview.height() <= 700);
        const QPoint offCentre = preview.frameGeometry().center() - dlg_->frameGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 4 || !screen.contains(dlg_->frameGeometry()),
                 qPrintable(QDebug::toString(offCentre)));
        QVERIFY(preview.OkButton()->isDefault());
        QCOMPARE(testing::GuidePageAfterF1(preview), QStringLiteral("updating-transponders.md"));

        // Down the tick boxes with the arrows, Space toggling each.
        QTableView* changes = preview.Changes();
        changes->setFocus();
        QTest::keyClick(changes, Qt::Key_Space);
        QCOMPARE(changes->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QTest::keyClick(changes, Qt::Key_Down);
        QTest::keyClick(changes, Qt::Key_Right);
        QTest::keyClick(changes, Qt::Key_Space);
        QCOMPARE(changes->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(!preview.OkButton()->isEnabled());
        QTest::keyClick(changes, Qt::Key_Space);
        QCOMPARE(changes->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        preview.resize(520, 400);
        preview.reject();
    });
    QVERIFY(previewShown_);
    // The size the user gave it stays for the rest of the run.
    Update(0, table, [&](TransponderUpdatePreview& preview) {
        QCOMPARE(preview.size(), QSize(520, 400));
        preview.reject();
    });
    QVERIFY(ImageNow() == built_.bytes);
}

void TransponderUpdateWindowTest::aSatellitesXmlFileAsksWhichSatelliteAndCancelWritesNothing()
{
    const QString table = WriteFile(QStringLiteral("satellites.xml"), AsBytes(testing::kTwoSatellitesXml));
    // Declining the question ends the command.
    platform_.choiceAnswers.push_back(std::nullopt);
    Update(1, table, [](TransponderUpdatePreview& preview) { preview.reject(); });
    QVERIFY(!previewShown_);
    QCOMPARE(platform_.choices.size(), std::size_t{1});
    QCOMPARE(platform_.choices[0].first,
             (QStringList{QStringLiteral("13.0E  13.0E Hot Bird  (1 transponder)"),
                          QStringLiteral("0.8W  0.8W Thor  (1 transponder)")}));
    QCOMPARE(platform_.choices[0].second, 1);  // Thor is at 0.8W

    platform_.choiceAnswers.push_back(1);
    Update(1, table, [&](TransponderUpdatePreview& preview) {
        QCOMPARE(preview.Heading()->text(), QStringLiteral("Satellite 1_Thor from satellites.xml (0.8W Thor): 1 entry, "
                                                           "1 usable, paired within 5 MHz."));
        QCOMPARE(preview.Changes()->model()->index(0, 2).data().toString(), QStringLiteral("10778 → 10779"));
        preview.reject();
    });
    QVERIFY(previewShown_);
    QVERIFY(ImageNow() == built_.bytes);
    QVERIFY(!dlg_->editActions->undo->isEnabled());

    platform_.choiceAnswers.push_back(1);
    Update(1, table, [](TransponderUpdatePreview& preview) { preview.OkButton()->click(); });
    QVERIFY(ImageNow() == WithValues(built_.bytes, 4, 10779, 0, 25000));
}

void TransponderUpdateWindowTest::aFileThatIsNoUsableTableIsSaidAndNothingWritten()
{
    const QString image = dir_.filePath(QStringLiteral("box.bin"));
    const QString circular = WriteFile(
        QStringLiteral("circular"),
        AsBytes("[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 3840000\n\tPOLARIZATION = RIGHT\n"
                "\tSYMBOL_RATE = 30000000\n"));
    const struct {
        QString table;
        QString message;
    } cases[] = {
        {image, image + QStringLiteral(" is not a scan table in the dvbv5 format.")},
        {dir_.filePath(QStringLiteral("gone")), QStringLiteral("Cannot read ") + dir_.filePath(QStringLiteral("gone"))},
        {circular, QStringLiteral("circular holds no DVB-S or DVB-S2 transponder")},
    };
    for (const auto& c : cases) {
        platform_.messages.clear();
        Update(0, c.table, [](TransponderUpdatePreview& preview) { preview.reject(); });
        QVERIFY(!previewShown_);
        QCOMPARE(platform_.messages.size(), std::size_t{1});
        QVERIFY2(platform_.messages[0].text.startsWith(c.message), qPrintable(platform_.messages[0].text));
    }
    QVERIFY(ImageNow() == built_.bytes);
}

// The same refusal korvex-cli gives without --any-position, as a question:
// No (the default answer) ends the command, Yes goes on to the preview.
void TransponderUpdateWindowTest::aTableForAnotherPositionIsAskedAboutFirstAndNoIsTheAnswerByDefault()
{
    const QString astra = WriteTestFile(dir_, QStringLiteral("Astra-19.2E"), AsBytes(kDvbv5Table));
    platform_.questions.clear();
    Update(0, astra, [](TransponderUpdatePreview& preview) { preview.reject(); });
    QVERIFY(!previewShown_);
    QCOMPARE(platform_.questions.size(), std::size_t{1});
    QCOMPARE(platform_.questions[0].text,
             QStringLiteral("Astra-19.2E: the table is for 19.2E, satellite 0 \"Hotbird\" is at 13.0E. "
                            "Update from it all the same?"));

    platform_.yesNoAnswers.push_back(true);
    Update(0, astra, [](TransponderUpdatePreview& preview) { preview.reject(); });
    QVERIFY(previewShown_);
    QVERIFY(ImageNow() == built_.bytes);
}

KORVEX_WINDOW_TEST_MAIN(TransponderUpdateWindowTest)

#include "TransponderUpdateWindowTest.moc"
