#pragma once
// The edit dispatch: the row the user opens goes to the editor for the kind
// of list shown (satellites, transponders or programs), inside the history
// bracket, so that an accepted edit is one step to undo.

namespace korvex {

class OpenImage;
class ProgEditDlg;
class ProgramState;
class SatEditDlg;
class TpEditDlg;

class RecordEditing {
public:
    RecordEditing(ProgramState& state, OpenImage& document, SatEditDlg& satEditor, TpEditDlg& tpEditor,
                  ProgEditDlg& progEditor)
        : state_(state), document_(document), satEditor_(satEditor), tpEditor_(tpEditor), progEditor_(progEditor)
    {
    }

    // Opens the editor for the list's source row `row`. True when the user
    // accepted an edit, which the history then holds as one step; the image
    // still has to be decoded again.
    bool Edit(int row);

private:
    ProgramState& state_;
    OpenImage& document_;
    SatEditDlg& satEditor_;
    TpEditDlg& tpEditor_;
    ProgEditDlg& progEditor_;
};

} // namespace korvex
