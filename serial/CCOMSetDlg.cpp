#include "serial/CCOMSetDlg.h"

#include "res/ResourceIds.h"
#include "res/Templates.h"
#include "serial/PlatformReport.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace korvex {
namespace {

constexpr int kListedPorts = 15;
constexpr std::uint16_t kHighestPort = 1024;

const QString kCannotOpen = QStringLiteral("Can't open the port!");
const QString kErrorCaption = QStringLiteral("Error");

} // namespace

CCOMSetDlg::CCOMSetDlg(Platform& platform, serial::PortLayer& layer)
    : ModalDialog(nullptr),
      comPort(serial::kFlagOverlapped, true, layer, serial::ReportThroughPlatform(platform, this)),
      platform_(platform)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    res::BuildDialog(this, res::ComSetTemplate());
    DoDataExchange();

    // A drop-down with an edit field. What is typed there names no port:
    // only a choice from the list acts, so Enter in the field is kept from
    // choosing the entry that matches the text.
    portCombo->setEditable(true);
    portCombo->setInsertPolicy(QComboBox::NoInsert);
    portCombo->lineEdit()->installEventFilter(this);
    connect(portCombo, &QComboBox::activated, this, [this] { OnSelchangePort(); });

    // A picture control takes the size of its bitmap.
    for (QLabel* lamp : {lampOff, lampOn})
        lamp->resize(lamp->pixmap().size());
    lampOn->hide();
}

// comPort, a member, closes its port and ends its event thread before the
// dialog's own parts go.
CCOMSetDlg::~CCOMSetDlg() = default;

void CCOMSetDlg::DoDataExchange()
{
    portCombo = res::FindControl<QComboBox>(this, res::IDC_PORT_COMBO);
    lampOff = res::FindControl<QLabel>(this, res::IDC_LAMP_OFF);
    lampOn = res::FindControl<QLabel>(this, res::IDC_LAMP_ON);
}

bool CCOMSetDlg::OnInitDialog()
{
    FillPortList();
    TryOpenPort(false);
    return true;
}

void CCOMSetDlg::FillPortList()
{
    // The dialog outlives its runs, so a new run starts from an empty list.
    const QSignalBlocker quiet(portCombo);
    portCombo->clear();
    for (int number = 1; number <= kListedPorts; ++number)
        portCombo->insertItem(number - 1, QStringLiteral("COM%1").arg(number));
    portCombo->setCurrentIndex(static_cast<int>(selectedPort) - 1);
}

void CCOMSetDlg::OnSelchangePort()
{
    // No entry selected gives port 0, which no port has.
    selectedPort = static_cast<std::uint16_t>(portCombo->currentIndex() + 1);
    TryOpenPort(true);
}

void CCOMSetDlg::TryOpenPort(bool reportFailure)
{
    bool usable = false;
    if (selectedPort >= 1 && selectedPort <= kHighestPort) {
        comPort.SetPortNumber(selectedPort);
        usable = comPort.OpenPort() && comPort.ConfigurePort() && comPort.ApplyLineSettings();
    }
    if (usable) {
        lampOn->show();
        lampOff->hide();
        return;
    }
    lampOn->hide();
    lampOff->show();
    if (reportFailure)
        platform_.ShowMessage(this, kCannotOpen, kErrorCaption, MessageIcon::Warning);
}

bool CCOMSetDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched == portCombo->lineEdit()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return ModalDialog::eventFilter(watched, event);
}

} // namespace korvex
