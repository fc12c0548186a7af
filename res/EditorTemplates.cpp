#include "res/EditorTemplates.h"

#include "res/ResourceIds.h"

namespace korvex::res {
namespace {

const QString kShellFont = QStringLiteral("MS Shell Dlg");

ControlTemplate Label(int id, const char* text, QRect at)
{
    return {id, ControlKind::Static, QString::fromLatin1(text), at};
}

} // namespace

const DialogTemplate& SatEditTemplate()
{
    using namespace sat_edit;
    static const DialogTemplate dialog{
        IDD_SATEDIT,
        QStringLiteral("Satellite"),
        QSize(227, 166),
        kShellFont,
        8,
        {
            {IDC_NUMBER, ControlKind::NumberEdit, {}, QRect(58, 18, 50, 14), kTabStop | kDisabled},
            Label(1014, "SatNO.", QRect(20, 20, 24, 8)),
            {IDC_NAME, ControlKind::Edit, {}, QRect(58, 33, 50, 14), kTabStop},
            Label(1016, "SatName", QRect(20, 36, 30, 8)),
            {IDC_LONGITUDE, ControlKind::NumberEdit, {}, QRect(58, 52, 50, 14), kTabStop},
            Label(1018, "Longitude", QRect(20, 55, 32, 8)),
            Label(1020, "DiSEqC1.0", QRect(124, 56, 34, 8)),
            Label(1022, "DiSEqC1.2", QRect(124, 93, 34, 8)),
            {IDC_POSITION, ControlKind::NumberEdit, {}, QRect(58, 109, 50, 14), kTabStop},
            Label(1024, "Postion", QRect(20, 111, 24, 8)),
            Label(1026, "Lnb Type", QRect(124, 20, 30, 8)),
            {IDC_LNB_FRE_LOW, ControlKind::NumberEdit, {}, QRect(57, 70, 50, 14), kTabStop},
            Label(1028, "LnbFreLow", QRect(20, 73, 36, 8)),
            {IDC_LNB_FRE_HIGH, ControlKind::NumberEdit, {}, QRect(57, 89, 50, 14), kTabStop},
            Label(1030, "LnbFreHigh", QRect(20, 93, 37, 8)),
            Label(1032, "22K", QRect(124, 73, 13, 8)),
            Label(1034, "Lnb Power", QRect(124, 37, 34, 8)),
            Label(1036, "0/12V", QRect(124, 112, 20, 8)),
            {IDC_OK, ControlKind::PushButton, QStringLiteral("OK"), QRect(20, 136, 50, 14), kTabStop},
            {IDC_CANCEL, ControlKind::PushButton, QStringLiteral("Cancel"), QRect(124, 136, 50, 14), kTabStop},
            {IDC_LNB_TYPE, ControlKind::ComboBox, {}, QRect(162, 18, 48, 24), kTabStop},
            {IDC_LNB_POWER, ControlKind::ComboBox, {}, QRect(162, 35, 48, 30), kTabStop},
            {IDC_DISEQC10, ControlKind::ComboBox, {}, QRect(162, 53, 48, 30), kTabStop},
            {IDC_TONE22K, ControlKind::ComboBox, {}, QRect(162, 71, 48, 30), kTabStop},
            {IDC_DISEQC12, ControlKind::ComboBox, {}, QRect(162, 90, 48, 30), kTabStop},
            {IDC_POWER012V, ControlKind::ComboBox, {}, QRect(162, 109, 48, 30), kTabStop},
        },
    };
    return dialog;
}

const DialogTemplate& TpEditTemplate()
{
    using namespace tp_edit;
    static const DialogTemplate dialog{
        IDD_TPEDIT,
        QStringLiteral("Transponder"),
        QSize(233, 116),
        kShellFont,
        8,
        {
            Label(1026, "SatNO.", QRect(16, 16, 31, 8)),
            Label(1027, "SatName", QRect(16, 36, 31, 8)),
            Label(1028, "TPNO.", QRect(16, 56, 31, 8)),
            Label(1029, "Freq", QRect(122, 16, 31, 8)),
            Label(1030, "SymbolRate", QRect(122, 36, 42, 8)),
            Label(1031, "Polarisation", QRect(122, 56, 38, 8)),
            {IDC_OK, ControlKind::PushButton, QStringLiteral("OK"), QRect(32, 84, 50, 14), kTabStop},
            {IDC_CANCEL, ControlKind::PushButton, QStringLiteral("Cancel"), QRect(155, 84, 50, 14), kTabStop},
            {IDC_SAT_NUMBER, ControlKind::Edit, {}, QRect(46, 14, 46, 14), kTabStop | kDisabled},
            {IDC_SAT_NAME, ControlKind::Edit, {}, QRect(46, 33, 46, 14), kTabStop | kDisabled},
            {IDC_TP_NUMBER, ControlKind::Edit, {}, QRect(46, 54, 46, 14), kTabStop | kDisabled},
            {IDC_FREQUENCY, ControlKind::NumberEdit, {}, QRect(162, 14, 46, 14), kTabStop},
            {IDC_SYMBOL_RATE, ControlKind::NumberEdit, {}, QRect(162, 33, 46, 14), kTabStop},
            {IDC_POLARISATION, ControlKind::ComboBox, {}, QRect(162, 54, 48, 30), kTabStop},
        },
    };
    return dialog;
}

const DialogTemplate& ProgEditTemplate()
{
    using namespace prog_edit;
    static const DialogTemplate dialog{
        IDD_PROGEDIT,
        QStringLiteral("Program"),
        QSize(349, 183),
        kShellFont,
        8,
        {
            {IDC_SAT_NUMBER, ControlKind::Edit, {}, QRect(64, 20, 46, 14), kTabStop | kDisabled},
            Label(1041, "SatNO.", QRect(24, 23, 28, 8)),
            {IDC_SAT_NAME, ControlKind::Edit, {}, QRect(64, 39, 46, 14), kTabStop | kDisabled},
            Label(1043, "SatName", QRect(24, 41, 28, 8)),
            {IDC_TP_ID, ControlKind::Edit, {}, QRect(64, 57, 46, 14), kTabStop | kDisabled},
            Label(1045, "TpIndex", QRect(24, 60, 28, 8)),
            {IDC_PROG_NUMBER, ControlKind::Edit, {}, QRect(64, 76, 46, 14), kTabStop | kDisabled},
            Label(1047, "ProgNO.", QRect(24, 78, 28, 8)),
            {IDC_NAME, ControlKind::Edit, {}, QRect(166, 20, 46, 14), kTabStop},
            Label(1049, "ProgName", QRect(126, 23, 28, 8)),
            {IDC_VIDEO_PID, ControlKind::NumberEdit, {}, QRect(166, 39, 46, 14), kTabStop},
            Label(1051, "VideoPID", QRect(126, 41, 28, 8)),
            {IDC_AUDIO_PID, ControlKind::NumberEdit, {}, QRect(166, 57, 46, 14), kTabStop},
            Label(1053, "AudioPID", QRect(126, 59, 31, 8)),
            {IDC_PCR_PID, ControlKind::NumberEdit, {}, QRect(166, 75, 46, 14), kTabStop},
            Label(1055, "PCRPID", QRect(126, 78, 28, 8)),
            {IDC_SERVICE_ID, ControlKind::NumberEdit, {}, QRect(270, 20, 46, 14), kTabStop},
            Label(1057, "ServiceID", QRect(231, 23, 32, 8)),
            Label(1058, "Scramble", QRect(231, 41, 32, 8)),
            Label(1059, "Track", QRect(231, 59, 32, 8)),
            Label(1060, "ChildLock", QRect(231, 77, 32, 8)),
            {IDC_CHILD_LOCK, ControlKind::ComboBox, {}, QRect(270, 75, 48, 30), kTabStop},
            {IDC_TRACK, ControlKind::ComboBox, {}, QRect(270, 57, 48, 30), kTabStop},
            {IDC_SCRAMBLE, ControlKind::Edit, {}, QRect(270, 39, 46, 14), kTabStop | kDisabled},
            {IDC_STATIC, ControlKind::GroupBox, {}, QRect(17, 14, 308, 85)},
            Label(1065, "Movies", QRect(60, 110, 27, 8)),
            {IDC_FAVOURITES[0], ControlKind::CheckBox, {}, QRect(90, 110, 20, 10), kTabStop},
            Label(1067, "Music", QRect(60, 124, 27, 8)),
            {IDC_FAVOURITES[1], ControlKind::CheckBox, {}, QRect(90, 124, 20, 10), kTabStop},
            Label(1069, "Cartoons", QRect(143, 110, 29, 8)),
            {IDC_FAVOURITES[2], ControlKind::CheckBox, {}, QRect(175, 110, 20, 10), kTabStop},
            Label(1071, "News", QRect(145, 124, 27, 8)),
            {IDC_FAVOURITES[3], ControlKind::CheckBox, {}, QRect(175, 124, 20, 10), kTabStop},
            Label(1073, "Sports", QRect(237, 110, 27, 8)),
            {IDC_FAVOURITES[4], ControlKind::CheckBox, {}, QRect(267, 111, 20, 10), kTabStop},
            Label(1075, "Adult", QRect(237, 124, 27, 8)),
            {IDC_FAVOURITES[5], ControlKind::CheckBox, {}, QRect(267, 124, 20, 10), kTabStop},
            {IDC_OK, ControlKind::PushButton, QStringLiteral("OK"), QRect(60, 154, 50, 14), kTabStop},
            {IDC_CANCEL, ControlKind::PushButton, QStringLiteral("Cancel"), QRect(219, 154, 50, 14), kTabStop},
            {IDC_STATIC, ControlKind::GroupBox, {}, QRect(19, 100, 303, 41)},
        },
    };
    return dialog;
}

} // namespace korvex::res
