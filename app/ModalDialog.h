#pragma once
// A dialog run modally as often as needed: every run prepares its controls in
// OnInitDialog first. A dialog whose OnInitDialog finds nothing to show (and
// has told the user why) returns false and ends at once, as with Cancel.

#include <QDialog>

namespace korvex {

class ModalDialog : public QDialog {
public:
    using QDialog::QDialog;

    // The result is QDialog::Accepted (OK) or QDialog::Rejected (Cancel).
    int DoModal()
    {
        if (!OnInitDialog()) {
            setResult(QDialog::Rejected);
            return QDialog::Rejected;
        }
        return exec();
    }

    virtual bool OnInitDialog() { return true; }
};

} // namespace korvex
