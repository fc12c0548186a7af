#include "ui/MainMenu.h"

#include "res/Templates.h"
#include "ui/WindowKeys.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace korvex {

MainMenu BuildMainMenu(QWidget* window, QMenu* editMenu)
{
    MainMenu built{new QMenuBar(window), nullptr, {}};
    for (const res::PopupTemplate& popup : res::MainMenuTemplate()) {
        // The Edit menu stands between File and Tools.
        if (popup.title == QStringLiteral("Tools"))
            built.bar->addMenu(editMenu);
        QMenu* menu = built.bar->addMenu(popup.title);
        if (popup.title == QStringLiteral("Help"))
            built.help = menu->menuAction();
        for (const res::MenuItemTemplate& item : popup.items) {
            QAction* action = menu->addAction(item.text);
            action->setData(item.commandId);
            action->setShortcut(CommandShortcut(item.commandId));
            built.commands[item.commandId] = action;
        }
    }
    return built;
}

} // namespace korvex
