#pragma once
// What the three record editors share: the dialog built from its template,
// the program state they edit, and the way they end. OK stores the fields,
// encodes the record into the image and sets RecordEdited; Cancel clears it.
// Enter does what OK does unless the Cancel button has the focus; Escape and
// the close box leave without storing anything.

#include "res/DialogTemplate.h"
#include "app/ModalDialog.h"
#include "app/Platform.h"
#include "app/ProgramState.h"
#include "editors/FieldConversions.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvex {

class RecordEditor : public ModalDialog {
public:
    RecordEditor(ProgramState& state, Platform& platform, const res::DialogTemplate& dialogTemplate,
                 int okId, int cancelId, QWidget* owner);

    virtual void OnOK() = 0;
    // The one Cancel handler of all editors.
    void OnCancel();

protected:
    // An editor opens only on a record that the image's write guard lets it
    // write: one below the flash size (Save writes nothing beyond it) whose
    // bytes and flag byte touch no part of the directory, the signature or
    // another record. Returns true when writable; otherwise warns with the
    // guard's reason, so that OnInitDialog can refuse to open.
    bool WarnUnlessWritable(std::string_view refusal);

    // The image's name charset, which names are shown and stored in.
    const NameCharset& Charset() const;

    // Stores the name typed into the control `nameId` into field (unless it
    // is the text the editor showed). False, storing nothing, when the name
    // does not fit the field or the charset cannot store some of its
    // characters: the user is told why, and the name is selected so that the
    // editor stays open on it.
    bool StoreTypedName(int nameId, const QString& shownText, NameBytes& field);

    // The number typed into the control `id`, or nothing when it is no number
    // or does not fit the field: the user is told why, and the field is
    // selected so that the editor stays open on it.
    std::optional<std::uint32_t> TypedNumber(int id, const NumberField& field);

    // Typing into the name control `nameId` stops where the name would take
    // more than 12 bytes in the image's charset, as a field with a maximum
    // length does. A pasted name is taken as it is and refused on OK.
    void LimitNameBytes(int nameId);

    void keyPressEvent(QKeyEvent* event) override;

    template <typename Widget>
    Widget* Control(int id) const
    {
        return res::FindControl<Widget>(this, id);
    }

    ProgramState& state_;
    Platform& platform_;

private:
    QWidget* cancelButton_;
};

} // namespace korvex
