#pragma once

#include "app/ModalDialog.h"

namespace korvex {

// The About box: the icon, "Korvex Version 1.0" and an OK button.
class CAboutDlg final : public ModalDialog {
public:
    explicit CAboutDlg(QWidget* owner = nullptr);
};

} // namespace korvex
