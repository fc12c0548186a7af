#pragma once
// Access keys of the menus: the underlined letter that, with Alt on the menu
// bar or alone in an open menu, chooses an entry. An entry's text stays what
// it is; only the mark before one of its characters is added.

#include <QString>

class QMenu;
class QMenuBar;

namespace korvex {

// Gives each entry of the menu, and of its submenus, that has no access key
// the first character of its text that no other entry of the same menu uses:
// the first letter of a word when one is free, else any letter or digit.
void GiveAccessKeys(QMenu* menu);
// The same for the menu bar's titles and all its menus.
void GiveAccessKeys(QMenuBar* bar);

// A text as the user reads it: without the access key's mark.
QString WithoutAccessKey(const QString& text);

} // namespace korvex
