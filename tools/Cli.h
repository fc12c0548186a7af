#pragma once
// korvex-cli: inspect, export, check, edit, arrange, compare and import a
// flash image, and carry an earlier list over to a new scan, without a
// display.
//
//   korvex-cli info IMAGE
//   korvex-cli dump [--csv sats|tps|tv|radio] IMAGE
//   korvex-cli check IMAGE
//   korvex-cli set IMAGE --out FILE (--sat N | --tp N | --tv N | --radio N) FIELD=VALUE...
//   korvex-cli move IMAGE --out FILE (--tv|--radio) N... --to M
//   korvex-cli delete IMAGE --out FILE (--tv N... | --radio N... | --tp N | --sat N)
//   korvex-cli sort IMAGE --out FILE (--tv|--radio) --by name|serviceId|satellite
//   korvex-cli flags IMAGE --out FILE (--tv|--radio) N... (--add G | --remove G | --lock | --unlock)...
//   korvex-cli diff A B [--json]
//   korvex-cli import --csv tv|radio IMAGE CSVFILE (--out FILE | --dry-run) [--delete-missing]
//   korvex-cli apply EARLIER IMAGE (--out FILE | --dry-run) [--order] [--favourites] [--lock] [--names]
//              [--unmatched keep|delete] [--tolerance N] [--json]

#include <QByteArray>
#include <QStringList>

namespace korvex::cli {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitRefused = 1,   // the image is not a channel image, or too large to be one
    kExitUsage = 2,     // bad arguments, unreadable or unwritable file, bad field or value
    kExitFindings = 3,  // check found something wrong; diff, a dry-run import or apply found differences
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
