#include "ui/RecordEditing.h"

#include "app/Messages.h"
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
    case kListSatellites:
        satEditor_.DoModal();
        break;
    case kListSatTransponders:
        tpEditor_.DoModal();
        break;
    case kListAllPrograms:
    case kListTpPrograms:
        progEditor_.DoModal();
        break;
    default:
        ShowWarning(platform_, window_, QStringLiteral("The list type is not right!"));
        return false;
    }

    if (list.RecordEdited == 0)
        return false;
    list.RecordEdited = 0;
    document_.Commit("Edit");
    return true;
}

} // namespace korvex
