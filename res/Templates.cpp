#include "res/Templates.h"

#include "res/ResourceIds.h"

#include <QPixmap>

namespace korvex::res {
namespace {

const QString kShellFont = QStringLiteral("MS Shell Dlg");

} // namespace

const DialogTemplate& AboutTemplate()
{
    static const DialogTemplate about{
        IDD_ABOUTBOX,
        QStringLiteral("About Korvex"),
        QSize(235, 55),
        kShellFont,
        8,
        {
            {IDR_MAINFRAME, ControlKind::Icon, QString(), QRect(11, 17, 20, 20)},
            {IDC_STATIC, ControlKind::Static, QStringLiteral("Korvex Version 1.0"), QRect(40, 10, 119, 8)},
            {IDOK, ControlKind::DefPushButton, QStringLiteral("OK"), QRect(178, 7, 50, 16), kTabStop},
        },
    };
    return about;
}

const DialogTemplate& MainDialogTemplate()
{
    static const DialogTemplate main{
        IDD_KORVEX_DIALOG,
        QStringLiteral("Korvex"),
        QSize(563, 370),
        kShellFont,
        8,
        {
            {IDC_CHANNEL_LIST, ControlKind::ListView, QString(), QRect(144, 47, 399, 278), kTabStop},
            {IDC_CHANNEL_TREE, ControlKind::TreeView, QString(), QRect(20, 62, 115, 263), kTabStop},
            {IDC_SAT_COUNT, ControlKind::SunkenStatic, QString(), QRect(28, 336, 53, 14)},
            {IDC_TP_COUNT, ControlKind::SunkenStatic, QString(), QRect(91, 336, 53, 14)},
            {IDC_TV_COUNT, ControlKind::SunkenStatic, QString(), QRect(155, 336, 53, 14)},
            {IDC_RADIO_COUNT, ControlKind::SunkenStatic, QString(), QRect(227, 336, 53, 14)},
            {IDC_COUNT_FRAME, ControlKind::GroupBox, QString(), QRect(21, 329, 522, 26)},
            {IDC_KIND_TABS, ControlKind::TabStrip, QString(), QRect(48, 49, 85, 13)},
            {IDC_UPGRADE, ControlKind::PushButton, QStringLiteral("Upgrade"), QRect(105, 12, 50, 14), kTabStop},
            {IDC_DUMP, ControlKind::PushButton, QStringLiteral("Dump"), QRect(39, 12, 50, 14), kTabStop},
            {IDC_STATIC, ControlKind::GroupBox, QString(), QRect(21, 5, 521, 24)},
            {IDC_OPEN, ControlKind::PushButton, QStringLiteral("Open"), QRect(172, 12, 50, 14), kTabStop},
            {IDC_SAVE, ControlKind::PushButton, QStringLiteral("Save"), QRect(241, 12, 50, 14), kTabStop},
            // Beyond the original dialog: they follow its controls in tab order.
            {IDC_FILTER, ControlKind::Edit, QString(), QRect(144, 33, 399, 12), kTabStop},
            {IDC_STATUS, ControlKind::Static, QString(), QRect(21, 358, 522, 9)},
        },
    };
    return main;
}

std::span<const Anchor> MainDialogAnchors()
{
    // The list takes every pixel the window gains, the tree the height beside
    // it, the find field the width above it. What stands below the list goes
    // down with the bottom edge. The frame around the buttons (the template's
    // one control without an id) spans the window's width as the frame of
    // the counters does; the buttons and the tabs stay where the template
    // put them.
    constexpr unsigned kAtTopLeft = kAnchorLeft | kAnchorTop;
    constexpr unsigned kAtBottomLeft = kAnchorLeft | kAnchorBottom;
    static const Anchor anchors[] = {
        {IDC_CHANNEL_LIST, kAtTopLeft | kAnchorRight | kAnchorBottom},
        {IDC_CHANNEL_TREE, kAtTopLeft | kAnchorBottom},
        {IDC_FILTER, kAtTopLeft | kAnchorRight},
        {IDC_STATIC, kAtTopLeft | kAnchorRight},
        {IDC_SAT_COUNT, kAtBottomLeft},
        {IDC_TP_COUNT, kAtBottomLeft},
        {IDC_TV_COUNT, kAtBottomLeft},
        {IDC_RADIO_COUNT, kAtBottomLeft},
        {IDC_COUNT_FRAME, kAtBottomLeft | kAnchorRight},
        {IDC_STATUS, kAtBottomLeft | kAnchorRight},
    };
    return anchors;
}

// The COM port setting dialog. The two lamps lie on the same spot and the
// dialog shows one at a time, the gray one first. The combo box's height
// includes its drop-down list.
const DialogTemplate& ComSetTemplate()
{
    static const DialogTemplate comSet{
        IDD_COMSET,
        QStringLiteral("COM Setting"),
        QSize(173, 70),
        kShellFont,
        8,
        {
            {IDC_PORT_COMBO, ControlKind::ComboBox, QString(), QRect(62, 24, 55, 47), kTabStop},
            {IDC_PORT_TEXT, ControlKind::Static, QStringLiteral("Port NO."), QRect(30, 27, 29, 8)},
            {IDC_LAMP_OFF, ControlKind::Bitmap, QString::number(IDB_LAMP_GRAY), QRect(123, 26, 11, 10)},
            {IDC_LAMP_ON, ControlKind::Bitmap, QString::number(IDB_LAMP_GREEN), QRect(123, 26, 11, 10)},
        },
    };
    return comSet;
}

const std::vector<PopupTemplate>& MainMenuTemplate()
{
    static const std::vector<PopupTemplate> menu{
        {QStringLiteral("File"),
         {{QStringLiteral("open"), ID_FILE_OPEN},
          {QStringLiteral("save"), ID_FILE_SAVE},
          {QStringLiteral("Compare with\u2026"), ID_FILE_COMPARE},
          {QStringLiteral("End comparison"), ID_FILE_END_COMPARE},
          {QStringLiteral("exit"), ID_FILE_EXIT}}},
        {QStringLiteral("Tools"),
         {{QStringLiteral("upgrade"), ID_TOOLS_UPGRADE},
          {QStringLiteral("dump"), ID_TOOLS_DUMP},
          {QStringLiteral("Clean up…"), ID_TOOLS_CLEANUP},
          {QStringLiteral("Update transponders…"), ID_TOOLS_UPDATE_TPS}}},
        {QStringLiteral("Help"),
         {{QStringLiteral("about"), ID_HELP_ABOUT}, {QStringLiteral("user guide"), ID_HELP_USERGUIDE}}},
    };
    return menu;
}

QString LoadString(int id)
{
    switch (id) {
    case IDS_ABOUTBOX:
        return QStringLiteral("&About Korvex...");
    default:
        return {};
    }
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/korvex/icons/korvex-%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap BitmapResource(int id)
{
    return QPixmap(QStringLiteral(":/korvex/bitmaps/%1.png").arg(id));
}

} // namespace korvex::res
