#include "editors/RecordEditor.h"

#include "db/Encoders.h"
#include "editors/FieldConversions.h"
#include "app/Messages.h"

#include <QLineEdit>

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

bool RecordEditor::StoreTypedName(int nameId, const QString& shownText, NameBytes& field)
{
    QLineEdit* name = Control<QLineEdit>(nameId);
    const QString unstorable = ReadName(name->text(), shownText, field, Charset());
    if (unstorable.isEmpty())
        return true;
    QStringList characters;
    for (const QChar* c = unstorable.begin(); c != unstorable.end(); ++c) {
        const bool pair = c->isHighSurrogate() && c + 1 != unstorable.end();
        characters << (pair ? QString(c, 2) : QString(*c));
        c += pair ? 1 : 0;
    }
    ShowWarning(platform_, this,
                QStringLiteral("The image's names are in %1, which cannot store %2. Nothing was written.")
                    .arg(QString::fromStdString(Charset().Name()), characters.join(QStringLiteral(" "))));
    name->setFocus();
    name->selectAll();
    return false;
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
