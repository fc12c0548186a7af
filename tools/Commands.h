#pragma once
// The commands of korvex-cli beyond inspecting and setting one record; each
// takes the program's name followed by the arguments after the command's own
// name, and writes no file unless it succeeds.

#include "tools/Cli.h"

#include <QStringList>

namespace korvex::cli {

// The text of --help, as a successful run.
CliResult Usage();

// Arranging a table: the same operations, and the same refusals, as the window's.
CliResult RunMove(const QStringList& arguments);
CliResult RunDelete(const QStringList& arguments);
CliResult RunSort(const QStringList& arguments);
CliResult RunFlags(const QStringList& arguments);

// What changed between two images.
CliResult RunDiff(const QStringList& arguments);

// A program table's CSV, edited in a spreadsheet, back into an image.
CliResult RunImport(const QStringList& arguments);

// The order, favourites, locks and names of an earlier image carried over to
// a new scan of the same channels.
CliResult RunApply(const QStringList& arguments);

// Programs renamed by find and replace, plain or by regular expression.
CliResult RunRename(const QStringList& arguments);
// Duplicates, strays, scrambled programs, programs in no favourite group and
// what they leave empty, deleted in one go.
CliResult RunClean(const QStringList& arguments);

// One satellite's transponders brought up to date from a published scan table.
CliResult RunUpdateTps(const QStringList& arguments);

} // namespace korvex::cli
