#include "editors/RecordEditor.h"

#include "db/Encoders.h"
#include "app/Messages.h"

#include <QLineEdit>

#include <QInputMethodEvent>
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

bool RecordEditor::WarnUnlessWritable(std::string_view refusal)
{
    if (!refusal.empty())
        ShowWarning(platform_, parentWidget(), QString::fromUtf8(refusal.data(), static_cast<qsizetype>(refusal.size())));
    return refusal.empty();
}

const NameCharset& RecordEditor::Charset() const
{
    return state_.nameCharset().charset;
}

namespace {

void SelectForCorrection(QLineEdit* edit)
{
    edit->setFocus();
    edit->selectAll();
}

// Refuses a typed character, or a character committed by an input method,
// that would make the name longer than its field.
class NameByteLimit final : public QObject {
public:
    NameByteLimit(QLineEdit* edit, ProgramState& state) : QObject(edit), edit_(edit), state_(state) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != edit_)
            return false;
        QString inserted;
        if (event->type() == QEvent::KeyPress) {
            const QString text = static_cast<QKeyEvent*>(event)->text();
            if (!text.isEmpty() && text[0].isPrint())
                inserted = text;
        } else if (event->type() == QEvent::InputMethod) {
            inserted = static_cast<QInputMethodEvent*>(event)->commitString();
        }
        if (inserted.isEmpty())
            return false;
        QString after = edit_->text();
        if (edit_->hasSelectedText())
            after.replace(edit_->selectionStart(), edit_->selectionLength(), inserted);
        else
            after.insert(edit_->cursorPosition(), inserted);
        return NameByteCount(after, state_.nameCharset().charset) > kNameBytes;
    }

private:
    QLineEdit* edit_;
    ProgramState& state_;
};

} // namespace

bool RecordEditor::StoreTypedName(int nameId, const QString& shownText, NameBytes& field)
{
    QLineEdit* name = Control<QLineEdit>(nameId);
    const QString refusal = ReadName(name->text(), shownText, field, Charset());
    if (refusal.isEmpty())
        return true;
    ShowWarning(platform_, this, refusal);
    SelectForCorrection(name);
    return false;
}

std::optional<std::uint32_t> RecordEditor::TypedNumber(int id, const NumberField& field)
{
    QLineEdit* edit = Control<QLineEdit>(id);
    const NumberReading reading = ReadNumber(edit->text(), field);
    if (!reading.value) {
        ShowWarning(platform_, this, reading.refusal);
        SelectForCorrection(edit);
    }
    return reading.value;
}

void RecordEditor::LimitNameBytes(int nameId)
{
    QLineEdit* name = Control<QLineEdit>(nameId);
    name->installEventFilter(new NameByteLimit(name, state_));
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
