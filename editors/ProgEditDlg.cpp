#include "editors/ProgEditDlg.h"

#include "db/Encoders.h"
#include "db/WriteGuard.h"
#include "db/Queries.h"
#include "editors/FieldConversions.h"
#include "res/EditorTemplates.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <array>
#include <string_view>

namespace korvex {

using namespace res::prog_edit;

namespace {

constexpr std::array<std::string_view, 2> kChildLockNames{"Locked", "UnLocked"};

} // namespace

ProgEditDlg::ProgEditDlg(ProgramState& state, Platform& platform, QWidget* owner)
    : RecordEditor(state, platform, res::ProgEditTemplate(), IDC_OK, IDC_CANCEL, owner)
{
    connect(Control<QComboBox>(IDC_TRACK), &QComboBox::activated, this,
            [this](int position) { EditedProgram.track = LowBits(position, 2); });
    connect(Control<QComboBox>(IDC_CHILD_LOCK), &QComboBox::activated, this,
            [this](int position) { EditedProgram.unlocked = static_cast<std::uint8_t>(position); });
    LimitNameBytes(IDC_NAME);
}

const ProgRecord* ProgEditDlg::Source() const
{
    const ListState& list = state_.list();
    const ChannelDatabase& db = state_.database();
    const std::size_t row = list.CurrentRow % kMaxListRows;
    const std::uint16_t i = list.RowMap[row];
    if (list.ListType == kListAllPrograms) {
        // The list of all programs knows which table each row came from: under
        // the Radio tab it also lists TV-table programs without video.
        if (list.RowTable[row] == ProgTable::Tv)
            return i < db.numTv ? &db.tvProgs[i] : nullptr;
        return i < db.numRadio ? &db.radioProgs[i] : nullptr;
    }
    if (list.ListType == kListTpPrograms) {
        if (list.radioMode == 0)
            return i < list.tpTvProgs.size() ? &list.tpTvProgs[i] : nullptr;
        return i < list.tpRadioProgs.size() ? &list.tpRadioProgs[i] : nullptr;
    }
    return nullptr;
}

bool ProgEditDlg::OnInitDialog()
{
    const ProgRecord* source = Source();
    if (!source || !WarnUnlessWritable(WriteRefusal(state_.image(), *source)))
        return false;
    EditedProgram = *source;
    const ListState& list = state_.list();
    Control<QLineEdit>(IDC_PROG_NUMBER)->setText(ShowNumber(list.RowMap[list.CurrentRow % kMaxListRows]));

    // The program's own satellite, found by its satId; empty when none has it.
    const std::uint16_t s = FindSatIndex(state_.image(), EditedProgram.satId);
    Control<QLineEdit>(IDC_SAT_NUMBER)->setText(s == kNoSatIndex ? QString() : ShowNumber(s));
    Control<QLineEdit>(IDC_SAT_NAME)->setText(s == kNoSatIndex ? QString() : ShowName(state_.database().sats[s].satName, Charset()));

    Control<QLineEdit>(IDC_TP_ID)->setText(ShowNumber(EditedProgram.tpId));
    shownName_ = ShowName(EditedProgram.progName, Charset());
    Control<QLineEdit>(IDC_NAME)->setText(shownName_);
    // The radio table stores no video PID: its field shows 0 and takes nothing.
    Control<QLineEdit>(IDC_VIDEO_PID)->setText(ShowNumber(EditedProgram.videoPid));
    Control<QLineEdit>(IDC_VIDEO_PID)->setEnabled(EditedProgram.table == ProgTable::Tv);
    Control<QLineEdit>(IDC_AUDIO_PID)->setText(ShowNumber(EditedProgram.audioPid));
    Control<QLineEdit>(IDC_PCR_PID)->setText(ShowNumber(EditedProgram.pcrPid));
    Control<QLineEdit>(IDC_SERVICE_ID)->setText(ShowNumber(EditedProgram.serviceId));
    Control<QLineEdit>(IDC_SCRAMBLE)->setText(ShowNumber(EditedProgram.scramble));
    FillCombo(Control<QComboBox>(IDC_TRACK), kTrackNames, EditedProgram.track);
    FillCombo(Control<QComboBox>(IDC_CHILD_LOCK), kChildLockNames, EditedProgram.unlocked & 1u);
    for (std::size_t group = 0; group < std::size(IDC_FAVOURITES); ++group)
        Control<QCheckBox>(IDC_FAVOURITES[group])->setChecked(InFavouriteGroup(EditedProgram.favBits, group));
    Control<QLineEdit>(IDC_NAME)->setFocus();
    return true;
}

void ProgEditDlg::OnOK()
{
    // Every field is read before any is stored: a refused one leaves the
    // working copy as it was, so a later OK starts from the record again.
    NameBytes name = EditedProgram.progName;
    if (!StoreTypedName(IDC_NAME, shownName_, name))
        return;
    // The radio table stores no video PID: its field is not read.
    const bool hasVideo = EditedProgram.table == ProgTable::Tv;
    const auto videoPid =
        hasVideo ? TypedNumber(IDC_VIDEO_PID, fields::kVideoPid) : std::optional<std::uint32_t>(std::uint32_t{EditedProgram.videoPid});
    const auto audioPid = videoPid ? TypedNumber(IDC_AUDIO_PID, fields::kAudioPid) : std::nullopt;
    const auto pcrPid = audioPid ? TypedNumber(IDC_PCR_PID, fields::kPcrPid) : std::nullopt;
    const auto serviceId = pcrPid ? TypedNumber(IDC_SERVICE_ID, fields::kServiceId) : std::nullopt;
    if (!serviceId)
        return;
    state_.list().RecordEdited = 1;
    EditedProgram.progName = name;
    EditedProgram.videoPid = *videoPid;
    EditedProgram.audioPid = *audioPid;
    EditedProgram.pcrPid = *pcrPid;
    EditedProgram.serviceId = static_cast<std::uint16_t>(*serviceId);
    std::uint8_t favBits = 0;
    for (std::size_t group = 0; group < std::size(IDC_FAVOURITES); ++group) {
        if (!Control<QCheckBox>(IDC_FAVOURITES[group])->isChecked())
            favBits = static_cast<std::uint8_t>(favBits | FavouriteGroupBit(group));
    }
    EditedProgram.favBits = favBits;
    EncodeProg(state_.image(), EditedProgram);
    accept();
}

} // namespace korvex
