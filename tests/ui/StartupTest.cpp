// Korvex's command line, and an image named on it: opened at start as Open
// opens one, or refused with Open's messages.

#include "res/ResourceIds.h"
#include "tests/support/ImageBuilder.h"
#include "tests/ui/WindowFixture.h"
#include "ui/CKorvexApp.h"
#include "ui/CKorvexDlg.h"
#include "ui/CommandLine.h"

#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace korvex;
using namespace korvex::testing;

Q_DECLARE_METATYPE(korvex::StartAction)

namespace {

// One satellite, one transponder, two TV programs.
Bytes SmallImage()
{
    SatRecord sat;
    sat.satId = 1;
    sat.satName = Name("Astra");
    sat.lnbType = 2;
    TpRecord tp;
    tp.tpId = 10;
    tp.satId = 1;
    tp.frequency = 11778;
    ProgRecord prog;
    prog.satId = 1;
    prog.tpId = 10;
    prog.videoPid = 101;
    prog.progName = Name("News");
    ProgRecord other = prog;
    other.videoPid = 102;
    other.progName = Name("Sport");
    return ImageBuilder(1).AddSat(sat).AddTp(tp).AddTv(prog).AddTv(other).Build().bytes;
}

// What the window showed while it ran.
struct Shown {
    bool visible = false;
    int rows = -1;
    int treeNodes = -1;
};

} // namespace

class StartupTest : public QObject, protected WindowFixture {
    Q_OBJECT

public:
    StartupTest(CKorvexApp& app, FakePlatform& platform) : WindowFixture(app, platform) {}

private slots:
    void init();

    void readsTheCommandLine_data();
    void readsTheCommandLine();
    void opensTheImageGivenOnceTheWindowIsShown();
    void refusesAnImageGivenWithOpensMessage_data();
    void refusesAnImageGivenWithOpensMessage();
    void startsEmptyWithoutAnImage();

private:
    // Runs the application object as main does, then ends its window.
    Shown Run(const std::optional<QString>& image);

};

void StartupTest::init()
{
    // The application object runs its own window.
    ResetProgram();
}

Shown StartupTest::Run(const std::optional<QString>& image)
{
    Shown shown;
    // Posted before the start, this runs first in the window's modal loop;
    // what it posts then runs after everything the start posted.
    QTimer::singleShot(0, [&shown] {
        QTimer::singleShot(0, [&shown] {
            auto* window = dynamic_cast<CKorvexDlg*>(QApplication::activeModalWidget());
            if (!window)
                return;
            shown.visible = window->isVisible();
            shown.rows = window->channelList->model()->rowCount();
            shown.treeNodes = window->channelTree->topLevelItemCount();
            window->OnExit();
        });
    });
    app_.InitInstance(image);
    return shown;
}

void StartupTest::readsTheCommandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<StartAction>("action");
    QTest::addColumn<QString>("image");  // null: none
    QTest::addColumn<QString>("problem");

    const QString none;
    QTest::newRow("nothing") << QStringList{"korvex"} << StartAction::Run << none << QString();
    QTest::newRow("an image") << QStringList{"korvex", "box.bin"} << StartAction::Run << "box.bin" << QString();
    QTest::newRow("an image named like an option, after --")
        << QStringList{"korvex", "--", "-v.bin"} << StartAction::Run << "-v.bin" << QString();
    QTest::newRow("--help") << QStringList{"korvex", "--help"} << StartAction::ShowHelp << none << QString();
    QTest::newRow("-h") << QStringList{"korvex", "-h"} << StartAction::ShowHelp << none << QString();
    QTest::newRow("--help beside an image")
        << QStringList{"korvex", "box.bin", "--help"} << StartAction::ShowHelp << none << QString();
    QTest::newRow("--version") << QStringList{"korvex", "--version"} << StartAction::ShowVersion << none << QString();
    QTest::newRow("-v") << QStringList{"korvex", "-v"} << StartAction::ShowVersion << none << QString();
    QTest::newRow("two images") << QStringList{"korvex", "a.bin", "b.bin"} << StartAction::Refuse << none
                                << "2 images given; Korvex opens one image at a time";
    QTest::newRow("an unknown option")
        << QStringList{"korvex", "--frobnicate", "box.bin"} << StartAction::Refuse << none
        << "Unknown option 'frobnicate'.";
}

void StartupTest::readsTheCommandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(StartAction, action);
    QFETCH(QString, image);
    QFETCH(QString, problem);
    const StartRequest request = ParseCommandLine(arguments);
    QCOMPARE(request.action, action);
    QCOMPARE(request.image.has_value(), !image.isNull());
    QCOMPARE(request.image.value_or(QString()), image);
    QCOMPARE(request.problem, problem);
}

void StartupTest::opensTheImageGivenOnceTheWindowIsShown()
{
    const Bytes bytes = SmallImage();
    const Shown shown = Run(WriteFile(QStringLiteral("small.bin"), bytes));
    QVERIFY(platform_.messages.empty());
    QVERIFY(shown.visible);
    QCOMPARE(shown.rows, 2);
    QCOMPARE(shown.treeNodes, 2);  // AllPrograms and the satellites
    QCOMPARE(app_.state().image().fileOpened, 1u);
    QVERIFY(std::equal(bytes.begin(), bytes.end(), app_.state().image().bytes.begin()));
    QCOMPARE(app_.state().database().numTv, std::uint16_t{2});
}

void StartupTest::refusesAnImageGivenWithOpensMessage_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    const QString notRight = QStringLiteral("The bin file is not right!");
    QTest::newRow("not a channel image") << WriteFile(QStringLiteral("zeros.bin"), Bytes(100, 0))
                                         << notRight;
    QTest::newRow("larger than any image")
        << WriteFile(QStringLiteral("long.bin"), Bytes(kImageCapacity + 1, 0)) << notRight;
    const QString missing = dir_.filePath(QStringLiteral("missing.bin"));
    QTest::newRow("a file that is not there")
        << missing << QStringLiteral("Can't open \"%1\": No such file or directory").arg(missing);
}

void StartupTest::refusesAnImageGivenWithOpensMessage()
{
    QFETCH(QString, path);
    QFETCH(QString, message);
    const Shown shown = Run(path);
    QCOMPARE(platform_.messages.size(), std::size_t{1});
    QCOMPARE(platform_.messages[0].text, message);
    QCOMPARE(platform_.messages[0].caption, QStringLiteral("Waring"));
    QVERIFY(platform_.messages[0].icon == MessageIcon::Warning);
    QVERIFY(shown.visible);
    QCOMPARE(shown.rows, 0);
    QCOMPARE(shown.treeNodes, 0);
    QCOMPARE(app_.state().image().fileOpened, 0u);
}

void StartupTest::startsEmptyWithoutAnImage()
{
    const Shown shown = Run(std::nullopt);
    QVERIFY(platform_.messages.empty());
    QVERIFY(platform_.openFilters.isEmpty());
    QVERIFY(shown.visible);
    QCOMPARE(shown.rows, 0);
    QCOMPARE(shown.treeNodes, 0);
    QCOMPARE(app_.state().image().fileOpened, 0u);
}

KORVEX_WINDOW_TEST_MAIN(StartupTest)

#include "StartupTest.moc"
