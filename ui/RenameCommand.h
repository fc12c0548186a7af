#pragma once
// Edit → "Rename…": the programs selected in the list, or every program the
// list shows when none is selected, renamed by find and replace after a
// preview, as one step of the history. The status line says how many were
// renamed.

#include "ui/ListArranger.h"

#include <QString>

#include <vector>

class QWidget;

namespace korvex {

class HistoryStep;
class ListSelection;
class OpenImage;
class ProgramState;
struct RenamePlan;

class RenameCommand {
public:
    RenameCommand(ProgramState& state, OpenImage& document, HistoryStep& step, QWidget* window, ListSelection& list);

    // Why Rename is not offered now, or an empty text.
    QString Refusal() const;
    // The programs it renames: those selected, else all the list shows.
    std::vector<ProgramEntry> Programs() const;

    // Previews the rename of Programs() and applies it on OK.
    void Run();
    // Writes the plan's renames as one history step; the status line says
    // how it went.
    void Apply(const RenamePlan& plan);

private:
    ProgramState& state_;
    OpenImage& document_;
    HistoryStep& step_;
    QWidget* window_;
    ListSelection& list_;
    ListArranger arranger_;
};

} // namespace korvex
