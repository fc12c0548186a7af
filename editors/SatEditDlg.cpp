#include "editors/SatEditDlg.h"

#include "db/Encoders.h"
#include "db/WriteGuard.h"
#include "editors/FieldConversions.h"
#include "res/EditorTemplates.h"

#include <QComboBox>
#include <QLineEdit>

namespace korvex {

using namespace res::sat_edit;

SatEditDlg::SatEditDlg(ProgramState& state, Platform& platform, QWidget* owner)
    : RecordEditor(state, platform, res::SatEditTemplate(), IDC_OK, IDC_CANCEL, owner)
{
    // A choice in a combo goes straight into the live record.
    const auto onChoice = [this](int id, auto store) {
        connect(Control<QComboBox>(id), &QComboBox::activated, this, [this, store](int position) {
            if (SatRecord* sat = Record())
                store(*sat, static_cast<unsigned>(position));
        });
    };
    onChoice(IDC_LNB_TYPE, [](SatRecord& s, unsigned v) { s.lnbType = LowBits(static_cast<int>(v), 2); });
    onChoice(IDC_LNB_POWER, [](SatRecord& s, unsigned v) { s.lnbPower = LowBits(static_cast<int>(v), 2); });
    onChoice(IDC_DISEQC10, [](SatRecord& s, unsigned v) { s.diseqc10 = LowBits(static_cast<int>(v), 3); });
    onChoice(IDC_TONE22K, [](SatRecord& s, unsigned v) { s.tone22K = LowBits(static_cast<int>(v), 1); });
    onChoice(IDC_DISEQC12, [](SatRecord& s, unsigned v) { s.diseqc12En = LowBits(static_cast<int>(v), 1); });
    onChoice(IDC_POWER012V, [](SatRecord& s, unsigned v) { s.power012V = LowBits(static_cast<int>(v), 1); });
    LimitNameBytes(IDC_NAME);
}

SatRecord* SatEditDlg::Record()
{
    const ListState& list = state_.list();
    const std::uint16_t index = list.RowMap[list.CurrentRow % kMaxListRows];
    return index < state_.database().numSats ? &state_.database().sats[index] : nullptr;
}

bool SatEditDlg::OnInitDialog()
{
    const SatRecord* sat = Record();
    if (!sat || !WarnUnlessWritable(WriteRefusal(state_.image(), *sat)))
        return false;
    const ListState& list = state_.list();
    Control<QLineEdit>(IDC_NUMBER)->setText(ShowNumber(list.RowMap[list.CurrentRow % kMaxListRows]));
    shownName_ = ShowName(sat->satName, Charset());
    Control<QLineEdit>(IDC_NAME)->setText(shownName_);
    Control<QLineEdit>(IDC_LONGITUDE)->setText(ShowNumber(sat->longitude));
    Control<QLineEdit>(IDC_LNB_FRE_LOW)->setText(ShowNumber(sat->lnbFreLow));
    Control<QLineEdit>(IDC_LNB_FRE_HIGH)->setText(ShowNumber(sat->lnbFreHigh));
    Control<QLineEdit>(IDC_POSITION)->setText(ShowNumber(sat->position));
    FillCombo(Control<QComboBox>(IDC_LNB_TYPE), kLnbTypeNames, sat->lnbType);
    FillCombo(Control<QComboBox>(IDC_LNB_POWER), kLnbPowerNames, sat->lnbPower);
    FillCombo(Control<QComboBox>(IDC_DISEQC10), kDiseqcPortNames, sat->diseqc10);
    FillCombo(Control<QComboBox>(IDC_TONE22K), kSwitchNames, sat->tone22K);
    FillCombo(Control<QComboBox>(IDC_DISEQC12), kSwitchNames, sat->diseqc12En);
    FillCombo(Control<QComboBox>(IDC_POWER012V), kSwitchNames, sat->power012V);
    Control<QLineEdit>(IDC_NAME)->setFocus();
    return true;
}

void SatEditDlg::OnOK()
{
    SatRecord* sat = Record();
    if (!sat) {
        OnCancel();
        return;
    }
    // Every field is read before any is stored: a refused one leaves the
    // record as it was.
    NameBytes name = sat->satName;
    if (!StoreTypedName(IDC_NAME, shownName_, name))
        return;
    const auto longitude = TypedNumber(IDC_LONGITUDE, fields::kLongitude);
    const auto lnbFreLow = longitude ? TypedNumber(IDC_LNB_FRE_LOW, fields::kLnbFreLow) : std::nullopt;
    const auto lnbFreHigh = lnbFreLow ? TypedNumber(IDC_LNB_FRE_HIGH, fields::kLnbFreHigh) : std::nullopt;
    const auto position = lnbFreHigh ? TypedNumber(IDC_POSITION, fields::kPosition) : std::nullopt;
    if (!position)
        return;
    state_.list().RecordEdited = 1;
    sat->satName = name;
    sat->longitude = static_cast<std::uint16_t>(*longitude);
    sat->lnbFreLow = static_cast<std::uint16_t>(*lnbFreLow);
    sat->lnbFreHigh = static_cast<std::uint16_t>(*lnbFreHigh);
    sat->position = *position;
    EncodeSat(state_.image(), *sat);
    accept();
}

} // namespace korvex
