#include "editors/TpEditDlg.h"

#include "db/Encoders.h"
#include "db/WriteGuard.h"
#include "db/Queries.h"
#include "editors/FieldConversions.h"
#include "res/EditorTemplates.h"
#include "app/Messages.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace korvex {

using namespace res::tp_edit;

TpEditDlg::TpEditDlg(ProgramState& state, Platform& platform, QWidget* owner)
    : RecordEditor(state, platform, res::TpEditTemplate(), IDC_OK, IDC_CANCEL, owner)
{
    connect(Control<QComboBox>(IDC_POLARISATION), &QComboBox::activated, this, [this](int position) {
        if (TpRecord* tp = Record())
            tp->polarisation = LowBits(position, 2);
    });
}

TpRecord* TpEditDlg::Record()
{
    const ListState& list = state_.list();
    const std::uint16_t index = list.RowMap[list.CurrentRow % kMaxListRows];
    return index < kMaxSatTps ? &state_.database().satTps[index] : nullptr;
}

bool TpEditDlg::OnInitDialog()
{
    const TpRecord* tp = Record();
    if (!tp || !WarnUnlessWritable(WriteRefusal(state_.image(), *tp)))
        return false;
    const std::uint16_t s = FindSatIndex(state_.image(), tp->satId);
    if (s == kNoSatIndex) {
        ShowWarning(platform_, this, QStringLiteral("Can't find the current sat no.!"));
        return false;
    }
    Control<QLineEdit>(IDC_SAT_NUMBER)->setText(ShowNumber(s));
    Control<QLineEdit>(IDC_SAT_NAME)->setText(ShowName(state_.database().sats[s].satName, Charset()));
    Control<QLineEdit>(IDC_TP_NUMBER)->setText(ShowNumber(state_.list().CurrentRow));
    Control<QLineEdit>(IDC_FREQUENCY)->setText(ShowNumber(tp->frequency));
    Control<QLineEdit>(IDC_SYMBOL_RATE)->setText(ShowNumber(tp->symbolRate));
    FillCombo(Control<QComboBox>(IDC_POLARISATION), kPolarisationNames, tp->polarisation);
    Control<QPushButton>(IDC_OK)->setFocus();
    return true;
}

void TpEditDlg::OnOK()
{
    TpRecord* tp = Record();
    if (!tp) {
        OnCancel();
        return;
    }
    const auto frequency = TypedNumber(IDC_FREQUENCY, fields::kFrequency);
    const auto symbolRate = frequency ? TypedNumber(IDC_SYMBOL_RATE, fields::kSymbolRate) : std::nullopt;
    if (!symbolRate)
        return;
    tp->frequency = *frequency;
    tp->symbolRate = static_cast<std::uint16_t>(*symbolRate);
    EncodeTp(state_.image(), *tp);
    state_.list().RecordEdited = 1;
    accept();
}

} // namespace korvex
