#pragma once
// What Korvex is asked to do by its command line: start, with or without an
// image to open, or answer --help or --version, or refuse the arguments.

#include <QString>
#include <QStringList>

#include <optional>

namespace korvex {

enum class StartAction { Run, ShowHelp, ShowVersion, Refuse };

struct StartRequest {
    StartAction action = StartAction::Run;
    // Run: the image file to open once the window is shown.
    std::optional<QString> image;
    // Refuse: what is wrong, in one line.
    QString problem;
};

// Exit status for arguments Korvex refuses.
inline constexpr int kExitUsage = 2;

// `arguments` starts with the program's name, as QCoreApplication::arguments().
// One image at most: the window shows one image, and a launcher that is given
// several files starts one Korvex for each.
StartRequest ParseCommandLine(const QStringList& arguments);

QString HelpText();

} // namespace korvex
