#include "editors/RecordEditor.h"

#include "db/Encoders.h"
#include "ui/Messages.h"

#include <QKeyEvent>
#include <QPushButton>

namespace korvex {

RecordEditor::RecordEditor(ProgramState& state, Platform& platform, const res::DialogTemplate& dialogTemplate,
                           int okId, int cancelId, QWidget* owner)
    : ModalDialog(owner), state_(state), platform_(platform)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    res::BuildDialog(this, dialogTemplate);

    auto* ok = Control<QPushButton>(okId);
    auto* cancel = Control<QPushButton>(cancelId);
    cancelButton_ = cancel;
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

void RecordEditor::OnCancel()
{
    state_.list().RecordEdited = 0;
    reject();
}

bool RecordEditor::WarnUnlessSavable(bool savable)
{
    if (!savable)
        ShowWarning(platform_, parentWidget(),
                    QString::fromUtf8(kBeyondFlashSizeText.data(), static_cast<qsizetype>(kBeyondFlashSizeText.size())));
    return savable;
}

void RecordEditor::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (focusWidget() == cancelButton_)
            OnCancel();
        else
            OnOK();
        return;
    }
    ModalDialog::keyPressEvent(event);
}

} // namespace korvex
