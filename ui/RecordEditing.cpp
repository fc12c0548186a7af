#include "ui/RecordEditing.h"

#include "app/OpenImage.h"
#include "editors/ProgEditDlg.h"
#include "editors/SatEditDlg.h"
#include "editors/TpEditDlg.h"

namespace korvex {

bool RecordEditing::Edit(int row)
{
    ListState& list = state_.list();
    list.RecordEdited = 0;
    list.CurrentRow = static_cast<std::uint16_t>(row);
    document_.Begin();

    switch (list.ListType) {
    case ListType::Satellites:
        satEditor_.DoModal();
        break;
    case ListType::SatTransponders:
        tpEditor_.DoModal();
        break;
    case ListType::AllPrograms:
    case ListType::TpPrograms:
        progEditor_.DoModal();
        break;
    }

    if (list.RecordEdited == 0)
        return false;
    list.RecordEdited = 0;
    document_.Commit("Edit");
    return true;
}

} // namespace korvex
