#include "ui/CAboutDlg.h"

#include "res/ResourceIds.h"
#include "res/Templates.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace korvex {

CAboutDlg::CAboutDlg(QWidget* owner) : ModalDialog(owner)
{
    const res::DialogTemplate& about = res::AboutTemplate();
    setWindowTitle(about.caption);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* client = new QWidget(this);
    res::BuildControls(client, about);
    layout->addWidget(client);
    connect(res::FindControl<QPushButton>(this, res::IDOK), &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace korvex
