#include "ui/bulk/PreviewFooter.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>

namespace korvex {

PreviewFooter AddPreviewFooter(QDialog* dialog, QBoxLayout* layout)
{
    auto* effect = new QLabel(dialog);
    effect->setWordWrap(true);
    effect->setTextFormat(Qt::PlainText);
    layout->addWidget(effect);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return {effect, buttons->button(QDialogButtonBox::Ok)};
}

} // namespace korvex
