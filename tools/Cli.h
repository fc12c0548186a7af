#pragma once
// korvex-cli: inspect, export, check and edit a flash image without a display.
//
//   korvex-cli info IMAGE
//   korvex-cli dump [--csv sats|tps|tv|radio] IMAGE
//   korvex-cli check IMAGE
//   korvex-cli set IMAGE --out FILE (--sat N | --tp N | --tv N | --radio N) FIELD=VALUE...

#include <QByteArray>
#include <QStringList>

namespace korvex::cli {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitRefused = 1,   // the image is not a channel image, or too large to be one
    kExitUsage = 2,     // bad arguments, unreadable or unwritable file, bad field or value
    kExitFindings = 3,  // check: the image loads, but something in it is wrong
};

// What a run prints and how it ends. Output is UTF-8; names are converted
// from the locale's charset, in which the image holds them.
struct CliResult {
    int exitCode = kExitSuccess;
    QByteArray out;
    QByteArray err;
};

// Runs one command; arguments[0] is the program's name. Never writes a file
// unless the command succeeds.
CliResult RunCli(const QStringList& arguments);

} // namespace korvex::cli
