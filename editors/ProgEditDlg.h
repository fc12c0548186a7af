#pragma once
// The "Program" editor: edits a copy of one program, EditedProgram, and on OK
// encodes the copy into the image.

#include "editors/RecordEditor.h"

namespace korvex {

class ProgEditDlg final : public RecordEditor {
public:
    ProgEditDlg(ProgramState& state, Platform& platform, QWidget* owner = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;

    ProgRecord EditedProgram;

private:
    // The program the list row shows, in the array it was listed from.
    const ProgRecord* Source() const;

    QString shownName_;
};

} // namespace korvex
