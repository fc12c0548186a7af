#pragma once
// The application object: owns the one image, the one database and the list
// state for the whole run, and runs the main dialog.

#include "app/Platform.h"
#include "app/ProgramState.h"

#include <QApplication>
#include <QString>

#include <optional>

namespace korvex {

class CKorvexApp final : public QApplication {
public:
    CKorvexApp(int& argc, char** argv, Platform& platform);

    // Runs the main dialog modally and returns false once it has ended, so
    // that the process ends instead of entering an event loop of its own.
    // Given an image, opens it as Open does, once the window is shown.
    bool InitInstance(const std::optional<QString>& image = std::nullopt);

    ProgramState& state() { return state_; }
    Platform& platform() { return platform_; }

private:
    Platform& platform_;
    ProgramState state_;
};

} // namespace korvex
