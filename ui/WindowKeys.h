#pragma once
// Keys of the main window beyond those its controls bring along.

#include <QKeySequence>

class QKeyEvent;

namespace korvex {

// The shortcut of a menu command: Ctrl+O open, Ctrl+S save, Ctrl+Q exit;
// none for the others.
QKeySequence CommandShortcut(int commandId);

// Enter, Return and F2 without modifiers (the keypad's Enter carries the
// keypad modifier): the keys that open the editor on the list's current row.
bool OpensCurrentRow(const QKeyEvent& event);

// The context-menu key and Shift+F10: the keys that open the list's context
// menu at its current row.
bool OpensContextMenu(const QKeyEvent& event);

} // namespace korvex
