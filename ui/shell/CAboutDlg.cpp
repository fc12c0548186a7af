#include "ui/shell/CAboutDlg.h"

#include "res/ResourceIds.h"
#include "res/Templates.h"

#include <QPushButton>

namespace korvex {

CAboutDlg::CAboutDlg(QWidget* owner) : ModalDialog(owner)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    res::BuildDialog(this, res::AboutTemplate());
    connect(res::FindControl<QPushButton>(this, res::IDOK), &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace korvex
