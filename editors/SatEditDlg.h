#pragma once
// The "Satellite" editor: changes one satellite of sats in place and, on OK,
// encodes it into the image.

#include "editors/RecordEditor.h"

namespace korvex {

class SatEditDlg final : public RecordEditor {
public:
    SatEditDlg(ProgramState& state, Platform& platform, QWidget* owner = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;

private:
    // sats[RowMap[CurrentRow]], or nothing when that row holds no satellite.
    SatRecord* Record();

    QString shownName_;
};

} // namespace korvex
