#pragma once
// The commands of korvex-cli that live in units of their own; each takes the
// program's name followed by the arguments after the command's own name, and
// writes no file unless it succeeds.

#include "tools/Cli.h"

#include <QStringList>

namespace korvex::cli {

// The text of --help, as a successful run.
CliResult Usage();

} // namespace korvex::cli
