#pragma once
// The main window's menu bar as its template lays it out, with the Edit menu
// between File and Tools and each command's shortcut.

#include <unordered_map>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace korvex {

struct MainMenu {
    QMenuBar* bar = nullptr;
    QAction* help = nullptr;  // the Help menu, before which others may go
    std::unordered_map<int, QAction*> commands;  // each item, by its command id
};

// Builds the menu bar on window; whoever handles a command connects its item.
MainMenu BuildMainMenu(QWidget* window, QMenu* editMenu);

} // namespace korvex
