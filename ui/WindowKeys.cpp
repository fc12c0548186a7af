#include "ui/WindowKeys.h"

#include "res/ResourceIds.h"

#include <QKeyEvent>

namespace korvex {

QKeySequence CommandShortcut(int commandId)
{
    // Written out rather than taken from the standard keys, which give Quit
    // no key at all on some platforms.
    switch (commandId) {
    case res::ID_FILE_OPEN:
        return QKeySequence(Qt::CTRL | Qt::Key_O);
    case res::ID_FILE_SAVE:
        return QKeySequence(Qt::CTRL | Qt::Key_S);
    case res::ID_FILE_EXIT:
        return QKeySequence(Qt::CTRL | Qt::Key_Q);
    case res::ID_FILE_COMPARE:
        return QKeySequence(Qt::CTRL | Qt::Key_D);
    default:
        return {};
    }
}

bool OpensCurrentRow(const QKeyEvent& event)
{
    if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        return true;
    default:
        return false;
    }
}

bool OpensContextMenu(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    return (event.key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
           (event.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
}

} // namespace korvex
