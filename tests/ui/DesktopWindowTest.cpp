// The main window on a desktop: it grows with its frame and never shrinks
// below its template, and its list's columns are the user's to size.

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
    void columnsStartAtTheirWidthsAndFitTheirContentsOnDoubleClick();

private:
    void Open(const Bytes& bytes);
    QWidget* Control(int id) const { return res::FindControl<QWidget>(dlg_.get(), id); }

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
    platform_.yesNoAnswers.push_back(true);
    dlg_.reset();
}

void DesktopWindowTest::Open(const Bytes& bytes)
{
    platform_.openAnswers.push_back(WriteTestFile(dir_, QStringLiteral("open.bin"), bytes));
    dlg_->OnFileOpen();
    QVERIFY(platform_.messages.empty());
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
        {res::IDC_SAT_COUNT, {false, false, true}},
        {res::IDC_TP_COUNT, {false, false, true}},
        {res::IDC_TV_COUNT, {false, false, true}},
        {res::IDC_RADIO_COUNT, {false, false, true}},
        {res::IDC_COUNT_FRAME, {true, false, true}},
        {res::IDC_STATUS, {true, false, true}},
    };
    for (const auto& [control, before] : laidOut) {
        Follows follows{};  // the buttons, their frame and the tabs stay
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

void DesktopWindowTest::columnsStartAtTheirWidthsAndFitTheirContentsOnDoubleClick()
{
    Open(SampleImage(1, "WWWWWWWWWWWW"));
    QHeaderView* header = dlg_->channelList->horizontalHeader();
    QCOMPARE(dlg_->channelList->columnWidth(1), 100);
    QCOMPARE(header->sectionResizeMode(1), QHeaderView::Interactive);

    // A double click on the divider right of "ProgName" fits the column to its longest name.
    const QPoint divider(header->sectionViewportPosition(1) + header->sectionSize(1) - 1, header->height() / 2);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, divider);
    const int fitted = dlg_->channelList->columnWidth(1);
    QVERIFY2(fitted > 100, qPrintable(QString::number(fitted)));
    const QAbstractItemView* view = dlg_->channelList;
    QCOMPARE(fitted, std::max(view->sizeHintForColumn(1), header->sectionSizeHint(1)));

    // The next list starts again at the widths of its columns.
    dlg_->channelTree->setCurrentItem(dlg_->channelTree->topLevelItem(1));
    dlg_->channelTree->setCurrentItem(dlg_->channelTree->topLevelItem(0));
    QCOMPARE(dlg_->channelList->columnWidth(1), 100);
}

int main(int argc, char** argv)
{
    FakePlatform platform;
    CKorvexApp app(argc, argv, platform);
    DesktopWindowTest test(app, platform);
    return QTest::qExec(&test, argc, argv);
}

#include "DesktopWindowTest.moc"
