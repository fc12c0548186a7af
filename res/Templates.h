#pragma once
// The dialog templates, the main menu and the string table of Korvex.

#include "res/DialogTemplate.h"

#include <QIcon>
#include <QString>

#include <span>
#include <vector>

namespace korvex::res {

const DialogTemplate& AboutTemplate();       // 100
const DialogTemplate& MainDialogTemplate();  // 102
const DialogTemplate& ComSetTemplate();      // 131

// How the main dialog's controls follow its edges as it grows past its
// template size.
std::span<const Anchor> MainDialogAnchors();

struct MenuItemTemplate {
    QString text;
    int commandId;
};

struct PopupTemplate {
    QString title;
    std::vector<MenuItemTemplate> items;
};

const std::vector<PopupTemplate>& MainMenuTemplate();  // 129

// The string table; an unknown id gives an empty string.
QString LoadString(int id);

// Icon resource 128, in every size it is drawn at.
QIcon ApplicationIcon();

// A bitmap resource by its number (132 green lamp, 134 gray lamp).
QPixmap BitmapResource(int id);

} // namespace korvex::res
