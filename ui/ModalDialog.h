#pragma once
// A dialog run modally as often as needed: every run prepares its controls in
// OnInitDialog first.

#include <QDialog>

namespace korvex {

class ModalDialog : public QDialog {
public:
    using QDialog::QDialog;

    // The result is QDialog::Accepted (OK) or QDialog::Rejected (Cancel).
    int DoModal()
    {
        OnInitDialog();
        return exec();
    }

    virtual bool OnInitDialog() { return true; }
};

} // namespace korvex
