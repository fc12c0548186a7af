// The COM port setting dialog, run without being shown: its list, the port
// tried at once, and what a failed and a successful choice show.

#include "serial/CCOMSetDlg.h"
#include "serial/FakePortLayer.h"
#include "serial/PosixPortLayer.h"
#include "tests/ui/FakePlatform.h"

#include <QComboBox>
#include <QLabel>
#include <QtTest>

#include <pty.h>
#include <unistd.h>

using korvex::CCOMSetDlg;
using korvex::MessageIcon;
using korvex::serial::FakePortLayer;
using korvex::testing::FakePlatform;

namespace {

QString Lamp(const CCOMSetDlg& dialog)
{
    const bool green = !dialog.lampOn->isHidden();
    const bool gray = !dialog.lampOff->isHidden();
    return green && !gray ? QStringLiteral("green") : gray && !green ? QStringLiteral("gray") : QStringLiteral("both or none");
}

QStringList Entries(const QComboBox& combo)
{
    QStringList entries;
    for (int i = 0; i < combo.count(); ++i)
        entries << combo.itemText(i);
    return entries;
}

// What the user does by picking an entry (or none) from the list.
void Choose(CCOMSetDlg& dialog, int index)
{
    dialog.portCombo->setCurrentIndex(index);
    emit dialog.portCombo->activated(index);
}

} // namespace

class CCOMSetDlgTest : public QObject {
    Q_OBJECT

private slots:
    void listsFifteenPortsWithTheChosenOneSelected_data()
    {
        QTest::addColumn<int>("selectedPort");
        QTest::addColumn<int>("selectedEntry");
        QTest::newRow("port 1") << 1 << 0;
        QTest::newRow("port 15") << 15 << 14;
    }

    void listsFifteenPortsWithTheChosenOneSelected()
    {
        QFETCH(int, selectedPort);
        QFETCH(int, selectedEntry);
        FakePortLayer layer;
        FakePlatform platform;
        CCOMSetDlg dialog(platform, layer);
        dialog.selectedPort = static_cast<std::uint16_t>(selectedPort);

        dialog.OnInitDialog();
        dialog.OnInitDialog();  // every run of the dialog fills the list afresh

        QStringList expected;
        for (int number = 1; number <= 15; ++number)
            expected << QStringLiteral("COM%1").arg(number);
        QCOMPARE(Entries(*dialog.portCombo), expected);
        QCOMPARE(dialog.portCombo->currentIndex(), selectedEntry);
    }

    void triesTheFirstPortAtOnceWithoutAMessage_data()
    {
        QTest::addColumn<bool>("portExists");
        QTest::addColumn<QString>("lamp");
        QTest::newRow("usable") << true << "green";
        QTest::newRow("missing") << false << "gray";
    }

    void triesTheFirstPortAtOnceWithoutAMessage()
    {
        QFETCH(bool, portExists);
        QFETCH(QString, lamp);
        FakePortLayer layer;
        if (portExists)
            layer.AddDevice(u"COM1");
        FakePlatform platform;
        CCOMSetDlg dialog(platform, layer);
        dialog.selectedPort = 1;

        QVERIFY(dialog.OnInitDialog());

        QVERIFY(!layer.Calls().empty());
        QCOMPARE(layer.Calls().front(), std::string("Open COM1 0x40000080"));
        QCOMPARE(Lamp(dialog), lamp);
        QVERIFY(platform.messages.empty());
    }

    void failedChoiceShowsTheGrayLampAndTheMessage_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("opened");
        QTest::newRow("COM3, no such device") << 2 << 3 << true;
        QTest::newRow("no entry selected") << -1 << 0 << false;
    }

    void failedChoiceShowsTheGrayLampAndTheMessage()
    {
        QFETCH(int, entry);
        QFETCH(int, port);
        QFETCH(bool, opened);
        FakePortLayer layer;
        layer.AddDevice(u"COM1");
        FakePlatform platform;
        CCOMSetDlg dialog(platform, layer);
        dialog.selectedPort = 1;
        dialog.OnInitDialog();
        QCOMPARE(Lamp(dialog), QStringLiteral("green"));
        layer.ClearCalls();

        Choose(dialog, entry);

        QCOMPARE(dialog.selectedPort, port);
        const std::vector<std::string> calls = layer.Calls();
        QCOMPARE(std::count(calls.begin(), calls.end(), "Open COM3 0x40000080"), opened ? 1 : 0);
        QCOMPARE(Lamp(dialog), QStringLiteral("gray"));
        QCOMPARE(platform.messages.size(), std::size_t{1});
        QCOMPARE(platform.messages.front().text, QStringLiteral("Can't open the port!"));
        QCOMPARE(platform.messages.front().caption, QStringLiteral("Error"));
        QCOMPARE(platform.messages.front().icon, MessageIcon::Warning);
    }

    void choosingAUsablePortShowsTheGreenLamp()
    {
        int master = -1;
        int slave = -1;
        char name[256] = {};
        QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
        const std::string ptyPath = name;
        {
            // COM2 is the pseudo-terminal; COM1 names no device.
            korvex::serial::PosixPortLayer layer([&](unsigned number) {
                return number == 2 ? ptyPath : std::string("/dev/korvex-test-no-such-port");
            });
            FakePlatform platform;
            CCOMSetDlg dialog(platform, layer);
            dialog.selectedPort = 1;
            dialog.OnInitDialog();
            QCOMPARE(Lamp(dialog), QStringLiteral("gray"));

            Choose(dialog, 1);

            QCOMPARE(dialog.selectedPort, 2);
            QCOMPARE(Lamp(dialog), QStringLiteral("green"));
            QVERIFY(platform.messages.empty());
            QVERIFY(dialog.comPort.portHandle != korvex::serial::kInvalidPortHandle);
        }
        close(master);
        close(slave);
    }
};

QTEST_MAIN(CCOMSetDlgTest)
#include "CCOMSetDlgTest.moc"
