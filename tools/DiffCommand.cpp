// diff A B [--json]: what changed between two images.

#include "tools/CliSupport.h"
#include "tools/Commands.h"
#include "tools/ImageDiff.h"

namespace korvex::cli {

CliResult RunDiff(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("diff"));
    const QCommandLineOption json(QStringLiteral("json"));
    line.Add(json);
    if (auto problem = line.Parse(arguments))
        return Error(*problem);
    if (line.HelpAsked())
        return Usage();
    QStringList positional;
    if (auto problem = TwoArguments(line, QStringLiteral("two images A and B are needed"), positional))
        return Error(*problem);

    Image before, after;
    if (auto failed = LoadOneOfTwo(positional[0], before))
        return *failed;
    if (auto failed = LoadOneOfTwo(positional[1], after))
        return *failed;
    const CharsetChoice namesBefore = NamesCharset(line.Charset(), *before.db);
    const CharsetChoice namesAfter = NamesCharset(line.Charset(), *after.db);
    const ImageDifference difference =
        DiffImages({*before.flash, *before.db, before.fileSize}, {*after.flash, *after.db, after.fileSize});
    const DiffCharsets names{namesBefore.charset, namesAfter.charset};
    return Output(line.IsSet(json) ? DiffJson(difference, names) : DiffText(difference, names),
                  difference.identical ? kExitSuccess : kExitFindings);
}

} // namespace korvex::cli
