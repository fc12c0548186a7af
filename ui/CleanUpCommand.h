#pragma once
// Tools → "Clean up…": duplicates, strays, scrambled programs, programs in
// no favourite group and what they leave empty, deleted after a preview as
// one step of the history.

class QWidget;

namespace korvex {

class HistoryStep;
class OpenImage;
class ProgramState;
struct CleanUpPlan;

class CleanUpCommand {
public:
    CleanUpCommand(ProgramState& state, OpenImage& document, HistoryStep& step, QWidget* window);

    // Analyses the open image, previews, and deletes what is ticked on OK.
    void Run();
    // Deletes what a plan made for the open image says goes, as one history
    // step; the status line says what went, or why nothing did.
    void Apply(const CleanUpPlan& plan);

private:
    ProgramState& state_;
    OpenImage& document_;
    HistoryStep& step_;
    QWidget* window_;
};

} // namespace korvex
