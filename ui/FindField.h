#pragma once
// The find field above the list: what it types filters the list; Escape
// clears it or hands the keys back to the list; Enter selects the first row
// found and goes to the list.

#include <QString>

#include <cstdint>

class QKeyEvent;
class QLineEdit;

namespace korvex {

class ListSelection;

// What the status line says when the typed text matches no row of a list of
// this type: "No program matches 11034."
QString NoMatchText(const QString& typed, std::uint32_t listType);

class FindField {
public:
    FindField(QLineEdit* field, ListSelection& list) : field_(field), list_(list) {}

    // Ctrl+F and the Edit menu's Find: the field takes the keys, its text selected.
    void Focus();
    // A key pressed in the field; true when it was taken here.
    bool Key(const QKeyEvent& event);

private:
    QLineEdit* field_;
    ListSelection& list_;
};

} // namespace korvex
