#pragma once
// Resource identifiers: dialog templates, icons, bitmaps, menus, strings,
// controls and menu commands. Controls are found by these ids at run time.

namespace korvex::res {

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_KORVEX_DIALOG = 102;
inline constexpr int IDD_COMSET = 131;
inline constexpr int IDD_SATEDIT = 136;
inline constexpr int IDD_TPEDIT = 137;
inline constexpr int IDD_PROGEDIT = 138;

// Icons, menus and bitmaps.
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDR_MAINMENU = 129;
inline constexpr int IDB_LAMP_GREEN = 132;
inline constexpr int IDB_LAMP_GRAY = 134;

// Strings.
inline constexpr int IDS_ABOUTBOX = 101;

// Standard dialog commands.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Main dialog controls.
inline constexpr int IDC_CHANNEL_LIST = 1001;
inline constexpr int IDC_CHANNEL_TREE = 1002;
inline constexpr int IDC_SAT_COUNT = 1007;
inline constexpr int IDC_TP_COUNT = 1008;
inline constexpr int IDC_TV_COUNT = 1009;
inline constexpr int IDC_RADIO_COUNT = 1010;
inline constexpr int IDC_COUNT_FRAME = 1011;
inline constexpr int IDC_KIND_TABS = 1012;
inline constexpr int IDC_UPGRADE = 1015;
inline constexpr int IDC_DUMP = 1016;
inline constexpr int IDC_OPEN = 1017;
inline constexpr int IDC_SAVE = 1020;
// Added for arranging the list: the find field above it, the status line
// below the counters.
inline constexpr int IDC_FILTER = 1021;
inline constexpr int IDC_STATUS = 1022;

// COM port setting dialog controls.
inline constexpr int IDC_PORT_COMBO = 1004;
inline constexpr int IDC_PORT_TEXT = 1005;
inline constexpr int IDC_LAMP_OFF = 1006;
inline constexpr int IDC_LAMP_ON = 1007;

// Controls without an id of their own.
inline constexpr int IDC_STATIC = -1;

// Menu commands.
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_EXIT = 32773;
inline constexpr int ID_FILE_COMPARE = 32790;
inline constexpr int ID_FILE_END_COMPARE = 32791;
inline constexpr int ID_TOOLS_UPGRADE = 32774;
inline constexpr int ID_TOOLS_DUMP = 32775;
inline constexpr int ID_TOOLS_CLEANUP = 32792;
inline constexpr int ID_TOOLS_UPDATE_TPS = 32793;
inline constexpr int ID_HELP_ABOUT = 32781;
inline constexpr int ID_HELP_USERGUIDE = 32783;
inline constexpr int ID_HELP = 57670;

// The system-menu entry of the About box.
inline constexpr int IDM_ABOUTBOX = 0x0010;

} // namespace korvex::res
