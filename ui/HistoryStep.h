#pragma once
// A change of the open image as one step of the history: the one way the
// window's commands write the image. The image is copied before the change;
// a change that was refused is put back, whatever it had written, and the
// status line says why; a change that was made is kept as one step under its
// label, for Undo, the window shows the image as it now stands, and the
// status line says what was done. Undo and Redo move through these steps.

#include "db/ChangeOutcome.h"

#include <QString>

#include <functional>
#include <string>

class QLabel;

namespace korvex {

class OpenImage;
class ProgramState;

// What a change came to, for the status line.
struct ChangeReport {
    bool changed = false;
    QString status;  // what was done, or why nothing was
};

// "Not changed: " and the reason an image writer refused, ended by one full
// stop.
QString NotChangedText(const std::string& refusal);

class HistoryStep {
public:
    // showImageAgain: decodes the image again and shows it, keeping the
    // selected records selected.
    HistoryStep(ProgramState& state, OpenImage& document, QLabel* statusLine, std::function<void()> showImageAgain);

    // Runs `change` as one step labelled `label`; true when it changed the
    // image. The status line says the report's text, or, when `said` is
    // given and the image changed, what `said` says once the image is shown
    // again.
    bool Run(const QString& label, const std::function<ChangeReport()>& change,
             const std::function<QString()>& said = {});
    // Runs an image writer as one step: refused, the status line says "Not
    // changed: " and why; written, it says what `said` makes of the outcome
    // once the image is shown again.
    bool Run(const QString& label, const std::function<ChangeOutcome()>& write,
             const std::function<QString(const ChangeOutcome&)>& said);

    // Takes the last step back, or makes the step taken back last again; the
    // window shows the image again and the status line names the step.
    void Undo();
    void Redo();

private:
    ProgramState& state_;
    OpenImage& document_;
    QLabel* statusLine_;
    std::function<void()> showImageAgain_;
};

} // namespace korvex
