#pragma once
// The COM port setting dialog: the user picks one of the ports COM1 to
// COM15, and the dialog at once opens and sets up that port through its own
// cnComm; a green lamp shows that the port is usable, a gray one that it is
// not. The main window holds one, never shows it, and sets its port to 1.

#include "serial/cnComm.h"
#include "app/ModalDialog.h"
#include "app/Platform.h"

#include <cstdint>

class QComboBox;
class QLabel;

namespace korvex {

class CCOMSetDlg final : public ModalDialog {
public:
    // No parent window. `layer` is where the port is opened: the system's
    // serial devices unless a test says otherwise.
    explicit CCOMSetDlg(Platform& platform, serial::PortLayer& layer = serial::SystemPortLayer());
    ~CCOMSetDlg() override;

    // Fills the list and tries the selected port, without a failure message.
    bool OnInitDialog() override;

    // "COM1" to "COM15", then selects entry selectedPort - 1.
    void FillPortList();
    // The user chose an entry: that port, with a failure message.
    void OnSelchangePort();
    // Opens, configures and sets up port selectedPort (valid from 1 to
    // 1024); the green lamp when all three succeed, else the gray one and,
    // when asked for, "Can't open the port!".
    void TryOpenPort(bool reportFailure);

    // Overlapped open, event thread started on open.
    serial::cnComm comPort;
    std::uint16_t selectedPort = 0;
    QComboBox* portCombo = nullptr;
    QLabel* lampOff = nullptr;  // gray lamp
    QLabel* lampOn = nullptr;   // green lamp

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DoDataExchange();

    Platform& platform_;
};

} // namespace korvex
