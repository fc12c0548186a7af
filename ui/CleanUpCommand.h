#pragma once
// Tools → "Clean up…": duplicates, strays, scrambled programs, programs in
// no favourite group and what they leave empty, deleted after a preview as
// one step of the history.

#include <functional>

class QLabel;
class QWidget;

namespace korvex {

class OpenImage;
class ProgramState;
struct CleanUpPlan;

class CleanUpCommand {
public:
    // showImageAgain: decodes the image again and shows it, the tree and the
    // counters included.
    CleanUpCommand(ProgramState& state, OpenImage& document, QWidget* window, QLabel* statusLine,
                   std::function<void()> showImageAgain);

    // Analyses the open image, previews, and deletes what is ticked on OK.
    void Run();
    // Deletes what a plan made for the open image says goes, as one history
    // step; the status line says what went, or why nothing did.
    void Apply(const CleanUpPlan& plan);

private:
    ProgramState& state_;
    OpenImage& document_;
    QWidget* window_;
    QLabel* statusLine_;
    std::function<void()> showImageAgain_;
};

} // namespace korvex
