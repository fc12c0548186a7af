// The main window driven through the platform seam: open, tree, list, tabs,
// counters, save, tools, caption and the ways out.

#include "db/LoadDatabase.h"
#include "res/ResourceIds.h"
#include "res/DialogTemplate.h"
#include "res/EditorTemplates.h"
#include "res/Templates.h"
#include "tests/support/ImageBuilder.h"
#include "tests/ui/FakePlatform.h"
#include "tests/ui/TestFiles.h"
#include "ui/AccessKeys.h"
#include "ui/CKorvexApp.h"
#include "ui/CKorvexDlg.h"

#include <QAbstractItemModelTester>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

#include <functional>
#include <memory>
#include <unistd.h>
#include <random>

using namespace korvex;
using korvex::testing::Bytes;
using korvex::testing::FakePlatform;
using korvex::testing::WriteTestFile;
using korvex::testing::ImageBuilder;
using korvex::testing::Name;

Q_DECLARE_METATYPE(korvex::VersionInfo)

namespace {

SatRecord Sat(std::uint16_t satId, const char* name)
{
    SatRecord sat;
    sat.satId = satId;
    sat.satName = Name(name);
    sat.lnbType = 2;
    sat.lnbPower = 1;
    return sat;
}

TpRecord Tp(std::uint16_t tpId, std::uint16_t satId, std::uint16_t frequency)
{
    TpRecord tp;
    tp.tpId = tpId;
    tp.satId = satId;
    tp.frequency = frequency;
    tp.symbolRate = 27500;
    return tp;
}

ProgRecord Prog(std::uint16_t satId, std::uint16_t tpId, std::uint16_t videoPid, const char* name)
{
    ProgRecord prog;
    prog.satId = satId;
    prog.tpId = tpId;
    prog.videoPid = videoPid;
    prog.progName = Name(name);
    prog.unlocked = 1;
    prog.favBits = 0x7E;
    return prog;
}

// Two satellites; the transponder table is not grouped by satellite, and the
// TV table holds one program without video.
ImageBuilder SampleImage()
{
    ImageBuilder builder(2);
    builder.AddSat(Sat(1, "Astra")).AddSat(Sat(2, "TWELVE_CHARS")).AddSat(Sat(3, "Empty"));
    builder.AddTp(Tp(10, 2, 11000)).AddTp(Tp(20, 1, 3840)).AddTp(Tp(30, 2, 12500));
    ProgRecord news = Prog(1, 20, 101, "News");
    news.favBits = 0x7E & ~0x02 & ~0x10;  // Movies and News
    ProgRecord locked = Prog(2, 10, 102, "Locked");
    locked.unlocked = 0;
    builder.AddTv(news).AddTv(locked).AddTv(Prog(2, 30, 0, "NoVideo"));
    builder.AddRadio(Prog(1, 20, 0, "Radio One")).AddRadio(Prog(2, 30, 0, "Radio Two"));
    return builder;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

public:
    MainWindowTest(CKorvexApp& app, FakePlatform& platform) : app_(app), platform_(platform) {}

private slots:
    void init();
    void cleanup();

    void startsWithTheVersionInTheCaptionAndAnEmptyWindow();
    void formatsTheVersionText_data();
    void formatsTheVersionText();
    void laysOutControlsAndMenuFromTheTemplate();
    void everyLabelShowsItsWholeText();
    void opensAnImageAndShowsCountersTreeAndPrograms();
    void refusesBadFilesWithTheirMessage_data();
    void refusesBadFilesWithTheirMessage();
    void aFileThatCannotBeOpenedLeavesTheOpenImageAsItWas_data();
    void aFileThatCannotBeOpenedLeavesTheOpenImageAsItWas();
    void aFileThatCannotBeReadIsNamedInTheWarning();
    void cancellingOpenKeepsTheImageOpen();
    void namesMenuReadsTheNamesAnewWithoutTouchingTheImage();
    void labelsTreeNodes();
    void transponderNodesSelectTheirOwnTransponder();
    void listsSatellitesWithTheirColumns();
    void stopsTheSatelliteListAtAnLnbValueWithoutName_data();
    void stopsTheSatelliteListAtAnLnbValueWithoutName();
    void listsProgramsUnderEachTab();
    void listsATranspondersProgramsUnderEachTab();
    void switchingTabsBeforeAnImageLaysOutSatelliteColumns();
    void savesTheImageAndConfirms();
    void saveRefusesWithoutAnAcceptedImage();
    void aFailedSaveNamesTheFileAndKeepsTheOldOne();
    void startsTheToolsBesideTheExecutable();
    void systemCommandsOpenTheAboutBox();
    void endsOnExitEnterEscapeAndClose();

private:
    void Open(const Bytes& bytes);
    QString Cell(int row, int column) const;
    int Rows() const { return dlg_->channelList->model()->rowCount(); }
    QStringList Headers() const;
    // Everything the window shows of an image: tree labels, counters, cells.
    QStringList ShownTexts() const;
    QString Counter(int id) const { return res::FindControl<QLabel>(dlg_.get(), id)->text(); }
    void SelectTreeNode(QTreeWidgetItem* item) { dlg_->channelTree->setCurrentItem(item); }
    QTreeWidgetItem* SatelliteRoot() const { return dlg_->channelTree->topLevelItem(1); }
    void ExpectOnlyMessage(const QString& text, const QString& caption, MessageIcon icon);
    static void CloseNextModal(int* closed);

    CKorvexApp& app_;
    FakePlatform& platform_;
    std::unique_ptr<CKorvexDlg> dlg_;
    std::unique_ptr<QAbstractItemModelTester> modelTester_;
    QTemporaryDir dir_;
};

void MainWindowTest::init()
{
    // Each test starts as the program does: no list shown, nothing loaded.
    app_.state().list() = *std::make_unique<ListState>();
    app_.state().database() = *std::make_unique<ChannelDatabase>();
    app_.state().files() = {};
    platform_.Reset();
    platform_.versionInfo = VersionInfo{{1, 0, 0, 3}, {10, 10, 22, 9}};
    dlg_ = std::make_unique<CKorvexDlg>(app_.state(), platform_);
    dlg_->OnInitDialog();
    dlg_->show();
    modelTester_ = std::make_unique<QAbstractItemModelTester>(
        dlg_->channelList->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
}

void MainWindowTest::cleanup()
{
    modelTester_.reset();
    dlg_.reset();
}

void MainWindowTest::Open(const Bytes& bytes)
{
    platform_.openAnswers.push_back(WriteTestFile(dir_, QStringLiteral("image.bin"), bytes));
    dlg_->OnCommand(res::IDC_OPEN);
}

QStringList MainWindowTest::ShownTexts() const
{
    QStringList texts;
    for (QTreeWidgetItemIterator it(dlg_->channelTree); *it; ++it)
        texts << (*it)->text(0);
    for (const int id : {res::IDC_SAT_COUNT, res::IDC_TP_COUNT, res::IDC_TV_COUNT, res::IDC_RADIO_COUNT})
        texts << Counter(id);
    texts << Headers();
    const QAbstractItemModel* model = dlg_->channelList->model();
    for (int row = 0; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column)
            texts << Cell(row, column);
    return texts;
}

QString MainWindowTest::Cell(int row, int column) const
{
    const QAbstractItemModel* model = dlg_->channelList->model();
    return model->data(model->index(row, column)).toString();
}

QStringList MainWindowTest::Headers() const
{
    QStringList titles;
    const QAbstractItemModel* model = dlg_->channelList->model();
    for (int c = 0; c < model->columnCount(); ++c)
        titles << model->headerData(c, Qt::Horizontal).toString();
    return titles;
}

void MainWindowTest::ExpectOnlyMessage(const QString& text, const QString& caption, MessageIcon icon)
{
    QCOMPARE(platform_.messages.size(), std::size_t{1});
    QCOMPARE(platform_.messages[0].text, text);
    QCOMPARE(platform_.messages[0].caption, caption);
    QVERIFY(platform_.messages[0].icon == icon);
    platform_.messages.clear();
}

void MainWindowTest::CloseNextModal(int* closed)
{
    QTimer::singleShot(0, [closed] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            static_cast<QDialog*>(modal)->accept();
            ++*closed;
        }
    });
}

void MainWindowTest::startsWithTheVersionInTheCaptionAndAnEmptyWindow()
{
    QCOMPARE(dlg_->windowTitle(), QStringLiteral("Korvex V1.003 Build 10102209"));
    QCOMPARE(dlg_->kindTabs->count(), 2);
    QCOMPARE(dlg_->kindTabs->tabText(0), QStringLiteral("TV"));
    QCOMPARE(dlg_->kindTabs->tabText(1), QStringLiteral("Radio"));
    QCOMPARE(dlg_->kindTabs->currentIndex(), 0);
    QCOMPARE(app_.state().list().radioMode, 0u);
    QCOMPARE(dlg_->channelList->model()->columnCount(), 0);
    QCOMPARE(Rows(), 0);
    QVERIFY(dlg_->channelList->showGrid());
    QCOMPARE(dlg_->channelList->selectionBehavior(), QAbstractItemView::SelectRows);
    for (const int id : {res::IDC_SAT_COUNT, res::IDC_TP_COUNT, res::IDC_TV_COUNT, res::IDC_RADIO_COUNT})
        QVERIFY(Counter(id).isEmpty());
    QCOMPARE(dlg_->channelTree->topLevelItemCount(), 0);
    QCOMPARE(app_.state().image().fileOpened, 0u);
    QVERIFY(std::all_of(app_.state().image().bytes.begin(), app_.state().image().bytes.end(),
                        [](std::uint8_t b) { return b == 0; }));
    QCOMPARE(platform_.systemMenuItems.size(), std::size_t{1});
    QCOMPARE(platform_.systemMenuItems[0].first, 0x0010);
    QCOMPARE(platform_.systemMenuItems[0].second, QStringLiteral("&About Korvex..."));
    QCOMPARE(dlg_->focusWidget(), static_cast<QWidget*>(dlg_->channelList));
}

void MainWindowTest::formatsTheVersionText_data()
{
    QTest::addColumn<bool>("hasVersion");
    QTest::addColumn<VersionInfo>("version");
    QTest::addColumn<QString>("caption");
    QTest::newRow("product 1.2.10.3") << true << VersionInfo{{1, 2, 10, 3}, {10, 10, 22, 9}}
                                      << QStringLiteral("Korvex V1.2103 Build 10102209");
    QTest::newRow("file 9.1.5.0") << true << VersionInfo{{1, 0, 0, 3}, {9, 1, 5, 0}}
                                  << QStringLiteral("Korvex V1.003 Build 09010500");
    QTest::newRow("three-digit part") << true << VersionInfo{{1, 0, 0, 3}, {123, 1, 2, 3}}
                                      << QStringLiteral("Korvex V1.003 Build 123010203");
    QTest::newRow("no version block") << false << VersionInfo{} << QStringLiteral("Korvex ");
}

void MainWindowTest::formatsTheVersionText()
{
    QFETCH(bool, hasVersion);
    QFETCH(VersionInfo, version);
    QFETCH(QString, caption);
    platform_.versionInfo = hasVersion ? std::optional(version) : std::nullopt;
    CKorvexDlg dialog(app_.state(), platform_);
    dialog.OnInitDialog();
    QCOMPARE(dialog.windowTitle(), caption);
}

void MainWindowTest::laysOutControlsAndMenuFromTheTemplate()
{
    const res::DialogUnits units(dlg_->channelList->font());
    QCOMPARE(dlg_->channelList->geometry(), units.ToPixels(QRect(144, 47, 399, 278)));
    QCOMPARE(dlg_->channelTree->geometry(), units.ToPixels(QRect(20, 62, 115, 263)));
    QCOMPARE(res::FindControl<QWidget>(dlg_.get(), res::IDC_OPEN)->geometry(), units.ToPixels(QRect(172, 12, 50, 14)));

    const QMenuBar* menuBar = dlg_->findChild<QMenuBar*>();
    QVERIFY(menuBar);
    QStringList items;
    for (QAction* popup : menuBar->actions()) {
        if (popup->text() == QStringLiteral("&Names") || popup->text() == QStringLiteral("&Edit"))
            continue;  // not menus of the template: the charsets and the arranging, tested on their own
        QStringList texts;
        for (QAction* item : popup->menu()->actions())
            texts << QStringLiteral("%1=%2").arg(item->text()).arg(item->data().toInt());
        items << popup->text() + QLatin1Char(':') + texts.join(QLatin1Char(','));
    }
    // Each text with its access key marked.
    QCOMPARE(items, QStringList({QStringLiteral("&File:&open=57601,&save=57603,&Compare with\u2026=32790,"
                                                "&End comparison=32791,e&xit=32773"),
                                 QStringLiteral("&Tools:&upgrade=32774,&dump=32775,&Clean up…=32792,"
                                                "Update &transponders…=32793"),
                                 QStringLiteral("&Help:&about=32781,&user guide=32783")}));

    // Tab order: list, tree, then the buttons Upgrade, Dump, Open, Save.
    QWidget* expected[] = {dlg_->channelList, dlg_->channelTree,
                           res::FindControl<QWidget>(dlg_.get(), res::IDC_UPGRADE),
                           res::FindControl<QWidget>(dlg_.get(), res::IDC_DUMP),
                           res::FindControl<QWidget>(dlg_.get(), res::IDC_OPEN),
                           res::FindControl<QWidget>(dlg_.get(), res::IDC_SAVE)};
    QList<QWidget*> chain;
    for (QWidget* w = expected[0]; chain.size() < qsizetype(std::size(expected)); w = w->nextInFocusChain()) {
        if (std::find(std::begin(expected), std::end(expected), w) != std::end(expected) && !chain.contains(w))
            chain << w;
    }
    QCOMPARE(chain, QList<QWidget*>(std::begin(expected), std::end(expected)));

    platform_.messages.clear();
    dlg_->OnCommand(res::ID_HELP_USERGUIDE);
    QVERIFY(platform_.messages.empty());
    QVERIFY(platform_.startedPrograms.isEmpty());
}

// The fonts found here are wider than the one the templates were laid out
// for; no label may lose its last letters, and a label that grew to show them
// covers no control that its template place did not touch already.
void MainWindowTest::everyLabelShowsItsWholeText()
{
    for (const res::DialogTemplate* dialogTemplate :
         {&res::AboutTemplate(), &res::MainDialogTemplate(), &res::ComSetTemplate(), &res::SatEditTemplate(),
          &res::TpEditTemplate(), &res::ProgEditTemplate()}) {
        QWidget client;
        res::BuildControls(&client, *dialogTemplate);
        const res::DialogUnits units(client.font());
        const QList<QWidget*> controls = client.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (const res::ControlTemplate& control : dialogTemplate->controls) {
            if (control.kind != res::ControlKind::Static || control.text.isEmpty())
                continue;
            const auto named = client.findChildren<QLabel*>(res::ControlName(control.id));
            const auto label = std::find_if(named.begin(), named.end(),
                                            [&](const QLabel* l) { return l->text() == control.text; });
            QVERIFY(label != named.end());
            const QString where = QStringLiteral("%1: \"%2\"").arg(dialogTemplate->id).arg(control.text);
            QVERIFY2((*label)->width() >= (*label)->sizeHint().width(), qPrintable(where));
            const QRect templatePlace = units.ToPixels(control.dialogUnits);
            for (const QWidget* other : controls) {
                if (other != *label && !qobject_cast<const QGroupBox*>(other) &&
                    (*label)->geometry().intersects(other->geometry()))
                    QVERIFY2(templatePlace.intersects(other->geometry()), qPrintable(where));
            }
        }
    }
}

void MainWindowTest::opensAnImageAndShowsCountersTreeAndPrograms()
{
    Open(SampleImage().Build().bytes);
    QVERIFY(platform_.messages.empty());
    QCOMPARE(platform_.openFilters, QStringList{QStringLiteral("bin file (*.bin)|*.bin;*.s|All file (*.*)|*.*||")});
    QCOMPARE(app_.state().image().fileOpened, 1u);
    QCOMPARE(Counter(res::IDC_SAT_COUNT), QStringLiteral("Sat: 3"));
    QCOMPARE(Counter(res::IDC_TP_COUNT), QStringLiteral("TP: 3"));
    QCOMPARE(Counter(res::IDC_TV_COUNT), QStringLiteral("TV: 3"));
    QCOMPARE(Counter(res::IDC_RADIO_COUNT), QStringLiteral("Radio: 2"));
    QCOMPARE(dlg_->channelTree->topLevelItem(0)->text(0), QStringLiteral("AllPrograms"));
    QCOMPARE(SatelliteRoot()->text(0), QStringLiteral("Satellite(3)"));
    QCOMPARE(app_.state().list().ListType, kListAllPrograms);
    QCOMPARE(Rows(), 2);
    QCOMPARE(Cell(0, 1), QStringLiteral("News"));
    QCOMPARE(Cell(1, 1), QStringLiteral("Locked"));
}

void MainWindowTest::refusesBadFilesWithTheirMessage_data()
{
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<bool>("message");
    QTest::addColumn<unsigned>("fileOpened");
    std::mt19937 rng(5);
    Bytes random(kImageCapacity);
    for (auto& b : random)
        b = static_cast<std::uint8_t>(rng());
    Bytes largest = ImageBuilder(2).Build().bytes;
    // A refused file is never the open image.
    QTest::newRow("empty file") << Bytes{} << true << 0u;
    QTest::newRow("one byte") << Bytes{0x36} << true << 0u;
    QTest::newRow("1,048,576 random bytes") << random << true << 0u;
    QTest::newRow("1,048,577 bytes") << Bytes(kImageCapacity + 1, 0) << true << 0u;
    QTest::newRow("exactly 1,048,576 bytes, a good image") << largest << false << 1u;
}

void MainWindowTest::refusesBadFilesWithTheirMessage()
{
    QFETCH(Bytes, bytes);
    QFETCH(bool, message);
    QFETCH(unsigned, fileOpened);
    Open(bytes);
    if (message)
        ExpectOnlyMessage(QStringLiteral("The bin file is not right!"), QStringLiteral("Waring"), MessageIcon::Warning);
    else
        QVERIFY(platform_.messages.empty());
    QCOMPARE(app_.state().image().fileOpened, fileOpened);
}

void MainWindowTest::aFileThatCannotBeOpenedLeavesTheOpenImageAsItWas_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    const QString notRight = QStringLiteral("The bin file is not right!");
    QTest::newRow("not a channel image")
        << WriteTestFile(dir_, QStringLiteral("zeros.bin"), Bytes(100, 0)) << notRight;
    Bytes signatureAt4 = SampleImage().Build().bytes;
    std::copy_n("xxxx6CGHLSWZ", 12, signatureAt4.begin());
    QTest::newRow("signature at offset 4") << WriteTestFile(dir_, QStringLiteral("at4.bin"), signatureAt4) << notRight;
    QTest::newRow("1,048,577 bytes")
        << WriteTestFile(dir_, QStringLiteral("long.bin"), Bytes(kImageCapacity + 1, 0)) << notRight;
    const QString missing = dir_.filePath(QStringLiteral("missing.bin"));
    QTest::newRow("a file that is not there") << missing << missing;
}

void MainWindowTest::aFileThatCannotBeOpenedLeavesTheOpenImageAsItWas()
{
    QFETCH(QString, path);
    QFETCH(QString, message);
    const Bytes shown = SampleImage().Build().bytes;
    Open(shown);
    SelectTreeNode(SatelliteRoot()->child(1));
    const QStringList texts = ShownTexts();
    const std::uint32_t listType = app_.state().list().ListType;

    platform_.openAnswers.push_back(path);
    dlg_->OnCommand(res::IDC_OPEN);
    QCOMPARE(platform_.messages.size(), std::size_t{1});
    QVERIFY2(platform_.messages[0].text.contains(message), qPrintable(platform_.messages[0].text));
    QCOMPARE(platform_.messages[0].caption, QStringLiteral("Waring"));

    QCOMPARE(ShownTexts(), texts);
    QCOMPARE(app_.state().list().ListType, listType);
    QCOMPARE(app_.state().image().fileOpened, 1u);
    QVERIFY(std::equal(shown.begin(), shown.end(), app_.state().image().bytes.begin()));
    QCOMPARE(app_.state().database().numSats, std::uint16_t{3});
    SelectTreeNode(dlg_->channelTree->topLevelItem(0));
    QCOMPARE(app_.state().list().ListType, kListAllPrograms);
    const QString saved = dir_.filePath(QStringLiteral("still-saves.bin"));
    platform_.saveAnswers.push_back(saved);
    dlg_->OnFileSave();
    QCOMPARE(platform_.messages.back().text, QStringLiteral("Save Success!"));
    QCOMPARE(QFileInfo(saved).size(), static_cast<qint64>(shown.size()));
}

void MainWindowTest::aFileThatCannotBeReadIsNamedInTheWarning()
{
    const QString missing = dir_.filePath(QStringLiteral("gone.bin"));
    platform_.openAnswers.push_back(missing);
    dlg_->OnFileOpen();
    QCOMPARE(platform_.messages.size(), std::size_t{1});
    QVERIFY(platform_.messages[0].text.contains(missing));
    QCOMPARE(platform_.messages[0].caption, QStringLiteral("Waring"));
}

void MainWindowTest::cancellingOpenKeepsTheImageOpen()
{
    Open(SampleImage().Build().bytes);
    const QStringList texts = ShownTexts();
    platform_.openAnswers.push_back(std::nullopt);
    dlg_->OnFileOpen();
    QVERIFY(platform_.messages.empty());
    QCOMPARE(app_.state().image().fileOpened, 1u);
    QCOMPARE(ShownTexts(), texts);
    SelectTreeNode(SatelliteRoot());
    QCOMPARE(app_.state().list().ListType, kListSatellites);
    const QString saved = dir_.filePath(QStringLiteral("after-cancel.bin"));
    platform_.saveAnswers.push_back(saved);
    dlg_->OnFileSave();
    ExpectOnlyMessage(QStringLiteral("Save Success!"), QStringLiteral("save"), MessageIcon::Information);
    QVERIFY(QFileInfo::exists(saved));
}

void MainWindowTest::namesMenuReadsTheNamesAnewWithoutTouchingTheImage()
{
    // Chinese names in GBK, as a box of that region keeps them.
    ImageBuilder builder(1);
    SatRecord sat = Sat(1, "");
    const std::string_view satName = "\xD6\xD0\xD0\xC7\xC1\xF9\xBA\xC5";  // 中星六号
    std::copy(satName.begin(), satName.end(), sat.satName.begin());
    builder.AddSat(sat).AddTp(Tp(10, 1, 3840));
    for (const std::string_view name : {std::string_view("\xD6\xD0\xD1\xEB\xB5\xE7\xCA\xD3\xCC\xA8"),
                                        std::string_view("\xBA\xFE\xC4\xCF\xCE\xC0\xCA\xD3")}) {
        ProgRecord prog = Prog(1, 10, 100, "");
        std::copy(name.begin(), name.end(), prog.progName.begin());
        builder.AddTv(prog);
    }
    const Bytes bytes = builder.Build().bytes;
    Open(bytes);
    QCOMPARE(Cell(0, 1), QStringLiteral("中央电视台"));
    QCOMPARE(SatelliteRoot()->child(0)->text(0), QStringLiteral("  0_中星六号(1)"));

    const QMenuBar* menuBar = dlg_->findChild<QMenuBar*>();
    QMenu* names = nullptr;
    QStringList titles;
    for (QAction* popup : menuBar->actions()) {
        titles << popup->text();
        if (popup->text() == QStringLiteral("&Names"))
            names = popup->menu();
    }
    QCOMPARE(titles, QStringList({"&File", "&Edit", "&Tools", "&Names", "&Help"}));
    QVERIFY(names);
    const auto checked = [names] {
        QStringList texts;
        for (QAction* action : names->actions())
            if (action->isChecked())
                texts << WithoutAccessKey(action->text());
        return texts;
    };
    QCOMPARE(checked(), QStringList{QStringLiteral("GBK (detected)")});

    for (QAction* action : names->actions())
        if (WithoutAccessKey(action->text()) == QStringLiteral("Big5"))
            action->trigger();
    QCOMPARE(checked(), QStringList{QStringLiteral("Big5")});
    QVERIFY(Cell(0, 1) != QStringLiteral("中央电视台"));
    QVERIFY(SatelliteRoot()->child(0)->text(0) != QStringLiteral("  0_中星六号(1)"));
    QVERIFY(std::equal(bytes.begin(), bytes.end(), app_.state().image().bytes.begin()));

    for (QAction* action : names->actions())
        if (WithoutAccessKey(action->text()) == QStringLiteral("GBK"))
            action->trigger();
    QCOMPARE(checked(), QStringList{QStringLiteral("GBK")});
    QCOMPARE(Cell(1, 1), QStringLiteral("湖南卫视"));
    QCOMPARE(SatelliteRoot()->child(0)->text(0), QStringLiteral("  0_中星六号(1)"));
    QVERIFY(std::equal(bytes.begin(), bytes.end(), app_.state().image().bytes.begin()));
}

void MainWindowTest::labelsTreeNodes()
{
    Open(SampleImage().Build().bytes);
    QTreeWidgetItem* root = SatelliteRoot();
    QCOMPARE(root->childCount(), 3);
    QCOMPARE(root->child(0)->text(0), QStringLiteral("  0_Astra(1)"));
    QCOMPARE(root->child(1)->text(0), QStringLiteral("  1_TWELVE_CHARS(2)"));
    QCOMPARE(root->child(2)->text(0), QStringLiteral("  2_Empty(0)"));
    QCOMPARE(root->child(2)->childCount(), 0);
    QCOMPARE(root->child(0)->child(0)->text(0), QStringLiteral("  0_ 3840"));
    QCOMPARE(root->child(1)->child(1)->text(0), QStringLiteral("  1_12500"));
    QCOMPARE(dlg_->Tree().numTreeNodes, std::uint16_t{2 + 3 + 3});

    Open(ImageBuilder(1).Build().bytes);
    QCOMPARE(SatelliteRoot()->text(0), QStringLiteral("Satellite(0)"));
    QCOMPARE(SatelliteRoot()->childCount(), 0);
}

void MainWindowTest::transponderNodesSelectTheirOwnTransponder()
{
    // tps is not grouped by satellite: the first node under "Astra" is tps[1].
    Open(SampleImage().Build().bytes);
    SelectTreeNode(SatelliteRoot()->child(0)->child(0));
    QCOMPARE(app_.state().list().ListType, kListTpPrograms);
    QCOMPARE(dlg_->selectedTp, std::uint16_t{1});
    QCOMPARE(Rows(), 1);
    QCOMPARE(Cell(0, 1), QStringLiteral("News"));
    // Keyboard moves refill the list at every step, as a click does.
    QTest::keyClick(dlg_->channelTree, Qt::Key_Up);
    QCOMPARE(app_.state().list().ListType, kListSatTransponders);
    QCOMPARE(dlg_->selectedSat, std::uint16_t{0});
}

void MainWindowTest::listsSatellitesWithTheirColumns()
{
    ImageBuilder builder = SampleImage();
    SatRecord full = Sat(7, "Full");
    full.longitude = 192;
    full.lnbFreLow = 9750;
    full.lnbFreHigh = 10600;
    full.tone22K = 1;
    full.power012V = 1;
    full.diseqc10 = 6;  // no name: shown as a number
    full.diseqc12En = 1;
    full.position = 63;
    builder.AddSat(full);
    Open(builder.Build().bytes);
    SelectTreeNode(SatelliteRoot());
    QCOMPARE(Headers(), QStringList({"SatNO.", "SatName", "Longitude(E)", "LnbType", "LnbPower", "LnbFreLow",
                                     "LnbFreHigh", "22K", "0/12V", "DiSEqC1.0", "DiSEqC1.2En", "Postion"}));
    // Each column as wide as its contents; the last one takes the rest.
    const QAbstractItemView* view = dlg_->channelList;
    QHeaderView* header = dlg_->channelList->horizontalHeader();
    for (int c = 0; c < 11; ++c)
        QCOMPARE(dlg_->channelList->columnWidth(c), std::max(view->sizeHintForColumn(c), header->sectionSizeHint(c)));
    QVERIFY(header->stretchLastSection());
    QCOMPARE(Rows(), 4);
    QStringList row;
    for (int c = 0; c < 12; ++c)
        row << Cell(3, c);
    QCOMPARE(row, QStringList({"3", "Full", "192", "Universal", "13V", "9750", "10600", "1", "1", "6", "1", "63"}));

    SelectTreeNode(SatelliteRoot()->child(1));
    QCOMPARE(Headers(), QStringList({"TpNO.", "Frequency", "Polarization", "Symbol Rate"}));
    QCOMPARE(Rows(), 2);
    QCOMPARE(Cell(1, 0), QStringLiteral("1"));
    QCOMPARE(Cell(1, 1), QStringLiteral("12500"));
    QCOMPARE(Cell(1, 3), QStringLiteral("27500"));
    QCOMPARE(app_.state().database().satTps[1].tpId, std::uint16_t{30});
    QCOMPARE(app_.state().list().RowMap[1], std::uint16_t{1});
}

void MainWindowTest::stopsTheSatelliteListAtAnLnbValueWithoutName_data()
{
    QTest::addColumn<int>("lnbType");
    QTest::addColumn<int>("lnbPower");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<int>("filledCells");
    QTest::newRow("lnbType 3") << 3 << 0 << QStringLiteral("LNB Type is error!") << 3;
    QTest::newRow("lnbPower 3") << 0 << 3 << QStringLiteral("LNB Power is error!") << 4;
}

void MainWindowTest::stopsTheSatelliteListAtAnLnbValueWithoutName()
{
    QFETCH(int, lnbType);
    QFETCH(int, lnbPower);
    QFETCH(QString, warning);
    QFETCH(int, filledCells);
    SatRecord broken = Sat(9, "Broken");
    broken.lnbType = static_cast<std::uint16_t>(lnbType);
    broken.lnbPower = static_cast<std::uint16_t>(lnbPower);
    Open(ImageBuilder(1).AddSat(Sat(1, "Good")).AddSat(broken).AddSat(Sat(3, "After")).Build().bytes);
    SelectTreeNode(SatelliteRoot());
    ExpectOnlyMessage(warning, QStringLiteral("Waring"), MessageIcon::Warning);
    QCOMPARE(Rows(), 2);
    QCOMPARE(Cell(1, 1), QStringLiteral("Broken"));
    QVERIFY(!Cell(1, filledCells - 1).isEmpty());
    QVERIFY(Cell(1, filledCells).isEmpty());
    QCOMPARE(app_.state().list().RowMap[1], std::uint16_t{1});
}

void MainWindowTest::listsProgramsUnderEachTab()
{
    Open(SampleImage().Build().bytes);
    QCOMPARE(Headers(), QStringList({"ProgNO.", "ProgName", "ServiceID", "VideoPid", "AudioPid", "PcrPid",
                                     "Scramble", "Track", "ChildLock", "Favorite"}));
    QCOMPARE(Cell(0, 0), QStringLiteral("1"));
    QCOMPARE(Cell(0, 8), QStringLiteral("0"));
    QCOMPARE(Cell(0, 9), QStringLiteral("Movies/News/"));
    QCOMPARE(Cell(1, 8), QStringLiteral("1"));
    QCOMPARE(Cell(1, 9), QString());

    dlg_->kindTabs->setCurrentIndex(1);
    QCOMPARE(app_.state().list().radioMode, 1u);
    QCOMPARE(Rows(), 3);
    QCOMPARE(Cell(0, 0), QStringLiteral("1"));
    QCOMPARE(Cell(0, 1), QStringLiteral("NoVideo"));
    QCOMPARE(Cell(2, 1), QStringLiteral("Radio Two"));
    // The TV-table program without video keeps its place in tvProgs.
    const ListState& list = app_.state().list();
    QCOMPARE(list.RowMap[0], std::uint16_t{2});
    QVERIFY(list.RowTable[0] == ProgTable::Tv);
    QCOMPARE(list.RowMap[1], std::uint16_t{0});
    QVERIFY(list.RowTable[1] == ProgTable::Radio);
}

void MainWindowTest::listsATranspondersProgramsUnderEachTab()
{
    Open(SampleImage().Build().bytes);
    SelectTreeNode(SatelliteRoot()->child(1)->child(1));  // tps[2], tpId 30: one TV-table program without video, one radio
    QCOMPARE(Rows(), 0);
    dlg_->kindTabs->setCurrentIndex(1);
    QCOMPARE(app_.state().list().ListType, kListTpPrograms);
    QCOMPARE(Rows(), 2);
    QCOMPARE(Cell(0, 1), QStringLiteral("NoVideo"));
    QCOMPARE(Cell(1, 1), QStringLiteral("Radio Two"));
    QCOMPARE(NameView(app_.state().list().tpRadioProgs[1].progName), std::string_view("Radio Two"));
}

void MainWindowTest::switchingTabsBeforeAnImageLaysOutSatelliteColumns()
{
    dlg_->kindTabs->setCurrentIndex(1);
    QCOMPARE(Headers().size(), 12);
    QCOMPARE(Rows(), 0);
}

void MainWindowTest::savesTheImageAndConfirms()
{
    const Bytes image = SampleImage().Build().bytes;
    Open(image);
    platform_.saveAnswers.push_back(std::nullopt);
    dlg_->OnCommand(res::ID_FILE_SAVE);
    QVERIFY(platform_.messages.empty());
    QCOMPARE(platform_.saveInitialNames, QStringList{QStringLiteral("KV2930_FlashMapNew.bin")});
    QCOMPARE(platform_.saveFilters.first(), QStringLiteral("Bin文件(*.bin)|*.bin|所有文件(*.*)|*.*||"));

    const QString target = dir_.filePath(QStringLiteral("saved.bin"));
    platform_.saveAnswers.push_back(target);
    dlg_->OnCommand(res::IDC_SAVE);
    ExpectOnlyMessage(QStringLiteral("Save Success!"), QStringLiteral("save"), MessageIcon::Information);
    QFile saved(target);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QCOMPARE(bytes.size(), qsizetype{0x100000});
    QVERIFY(std::equal(image.begin(), image.end(), reinterpret_cast<const std::uint8_t*>(bytes.constData())));
}

void MainWindowTest::saveRefusesWithoutAnAcceptedImage()
{
    dlg_->OnFileSave();
    ExpectOnlyMessage(QStringLiteral("Please open file first!"), QStringLiteral("Waring"), MessageIcon::Warning);
    Open(Bytes(64, 0));
    platform_.messages.clear();
    platform_.saveAnswers.push_back(dir_.filePath(QStringLiteral("never.bin")));
    dlg_->OnFileSave();
    ExpectOnlyMessage(QStringLiteral("Please open file first!"), QStringLiteral("Waring"), MessageIcon::Warning);
    QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("never.bin"))));
}

void MainWindowTest::aFailedSaveNamesTheFileAndKeepsTheOldOne()
{
    Open(SampleImage().Build().bytes);
    const auto expectRefused = [this](const QString& target) {
        platform_.saveAnswers.push_back(target);
        dlg_->OnFileSave();
        QCOMPARE(platform_.messages.size(), std::size_t{1});
        QVERIFY2(platform_.messages[0].text.contains(target), qPrintable(platform_.messages[0].text));
        QCOMPARE(platform_.messages[0].caption, QStringLiteral("Waring"));
        platform_.messages.clear();
    };

    // Failures that bind every user, the superuser too.
    const QString plainFile = WriteTestFile(dir_, QStringLiteral("plain"), Bytes{1, 2, 3});
    expectRefused(plainFile + QStringLiteral("/inside.bin"));
    expectRefused(dir_.path());

    const QString folder = dir_.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(folder));
    const QString old = WriteTestFile(dir_, QStringLiteral("locked/old.bin"), Bytes{'o', 'l', 'd'});
    if (::geteuid() != 0) {
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        expectRefused(old);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QFile kept(old);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("old"));
}

void MainWindowTest::startsTheToolsBesideTheExecutable()
{
    platform_.executablePath = QStringLiteral("/home/user/My Tools/korvex/korvex");
    dlg_->OnCommand(res::IDC_UPGRADE);
    dlg_->OnCommand(res::ID_TOOLS_UPGRADE);
    dlg_->OnCommand(res::IDC_DUMP);
    dlg_->OnCommand(res::ID_TOOLS_DUMP);
    const QString folder = QStringLiteral("/home/user/My Tools/korvex/Config/");
    QCOMPARE(platform_.startedPrograms,
             QStringList({folder + "Burnix.exe", folder + "Burnix.exe", folder + "Pullix.exe", folder + "Pullix.exe"}));
    QVERIFY(platform_.messages.empty());
}

void MainWindowTest::systemCommandsOpenTheAboutBox()
{
    int closed = 0;
    for (int id = 0x0010; id <= 0x001F; ++id) {
        CloseNextModal(&closed);
        QVERIFY(dlg_->OnSysCommand(id));
    }
    QCOMPARE(closed, 16);
    QVERIFY(!dlg_->OnSysCommand(0xF060));
    CloseNextModal(&closed);
    dlg_->OnCommand(res::ID_HELP_ABOUT);
    QCOMPARE(closed, 17);
}

void MainWindowTest::endsOnExitEnterEscapeAndClose()
{
    const auto ends = [this](const std::function<void(CKorvexDlg&)>& how, int result) {
        CKorvexDlg dialog(app_.state(), platform_);
        dialog.OnInitDialog();
        dialog.show();
        how(dialog);
        QVERIFY(dialog.isHidden());
        QCOMPARE(dialog.result(), result);
        QVERIFY(platform_.messages.empty());
    };
    ends([](CKorvexDlg& d) { d.OnCommand(res::ID_FILE_EXIT); }, QDialog::Accepted);
    // Enter on the list opens a row; anywhere else it ends the program.
    ends([](CKorvexDlg& d) { QTest::keyClick(d.channelTree, Qt::Key_Return); }, QDialog::Accepted);
    ends([](CKorvexDlg& d) { QTest::keyClick(d.channelList, Qt::Key_Escape); }, QDialog::Rejected);
    ends([](CKorvexDlg& d) { d.close(); }, QDialog::Rejected);
}

int main(int argc, char** argv)
{
    FakePlatform platform;
    CKorvexApp app(argc, argv, platform);
    MainWindowTest test(app, platform);
    return QTest::qExec(&test, argc, argv);
}

#include "MainWindowTest.moc"
