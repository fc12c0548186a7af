#pragma once
// The "Transponder" editor: changes one transponder of satTps in place and,
// on OK, encodes it into the image.

#include "editors/RecordEditor.h"

namespace korvex {

class TpEditDlg final : public RecordEditor {
public:
    TpEditDlg(ProgramState& state, Platform& platform, QWidget* owner = nullptr);

    // False, after telling the user, when no satellite carries the
    // transponder's satId: the editor then ends as with Cancel.
    bool OnInitDialog() override;
    void OnOK() override;

private:
    TpRecord* Record();
};

} // namespace korvex
