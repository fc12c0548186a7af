#pragma once
// Dialog templates of the three record editors and the ids of their controls.
// Ids repeat across dialogs; each editor's ids live in its own namespace.

#include "res/DialogTemplate.h"

namespace korvex::res {

const DialogTemplate& SatEditTemplate();   // 136, "Satellite"
const DialogTemplate& TpEditTemplate();    // 137, "Transponder"
const DialogTemplate& ProgEditTemplate();  // 138, "Program"

namespace sat_edit {
inline constexpr int IDC_NUMBER = 1013;
inline constexpr int IDC_NAME = 1015;
inline constexpr int IDC_LONGITUDE = 1017;
inline constexpr int IDC_POSITION = 1023;
inline constexpr int IDC_LNB_FRE_LOW = 1027;
inline constexpr int IDC_LNB_FRE_HIGH = 1029;
inline constexpr int IDC_OK = 1019;
inline constexpr int IDC_CANCEL = 1040;
inline constexpr int IDC_LNB_TYPE = 1025;
inline constexpr int IDC_LNB_POWER = 1031;
inline constexpr int IDC_DISEQC10 = 1033;
inline constexpr int IDC_TONE22K = 1035;
inline constexpr int IDC_DISEQC12 = 1037;
inline constexpr int IDC_POWER012V = 1038;
} // namespace sat_edit

namespace tp_edit {
inline constexpr int IDC_OK = 1032;
inline constexpr int IDC_CANCEL = 1033;
inline constexpr int IDC_SAT_NUMBER = 1034;
inline constexpr int IDC_SAT_NAME = 1035;
inline constexpr int IDC_TP_NUMBER = 1036;
inline constexpr int IDC_FREQUENCY = 1037;
inline constexpr int IDC_SYMBOL_RATE = 1038;
inline constexpr int IDC_POLARISATION = 1039;
} // namespace tp_edit

namespace prog_edit {
inline constexpr int IDC_SAT_NUMBER = 1040;
inline constexpr int IDC_SAT_NAME = 1042;
inline constexpr int IDC_TP_ID = 1044;
inline constexpr int IDC_PROG_NUMBER = 1046;
inline constexpr int IDC_NAME = 1048;
inline constexpr int IDC_VIDEO_PID = 1050;
inline constexpr int IDC_AUDIO_PID = 1052;
inline constexpr int IDC_PCR_PID = 1054;
inline constexpr int IDC_SERVICE_ID = 1056;
inline constexpr int IDC_CHILD_LOCK = 1061;
inline constexpr int IDC_TRACK = 1062;
inline constexpr int IDC_SCRAMBLE = 1063;
// Favourite-group boxes, in group order Movies, Music, Cartoons, News, Sport, Adult.
inline constexpr int IDC_FAVOURITES[6] = {1066, 1068, 1070, 1072, 1074, 1076};
inline constexpr int IDC_OK = 1077;
inline constexpr int IDC_CANCEL = 1078;
} // namespace prog_edit

} // namespace korvex::res
