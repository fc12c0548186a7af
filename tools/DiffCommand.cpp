// diff A B [--json] [--match offsets|channels|auto]: what changed between two
// images, with records paired by offset or by channel.

#include "tools/CliSupport.h"
#include "tools/Commands.h"
#include "tools/ImageDiff.h"

namespace korvex::cli {

CliResult RunDiff(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("diff"));
    const QCommandLineOption json(QStringLiteral("json"));
    line.Add(json);
    const QCommandLineOption match(QStringLiteral("match"), {}, QStringLiteral("offsets|channels|auto"));
    line.Add(match);
    if (auto problem = line.Parse(arguments))
        return Error(*problem);
    if (line.HelpAsked())
        return Usage();
    QStringList positional;
    if (auto problem = TwoArguments(line, QStringLiteral("two images A and B are needed"), positional))
        return Error(*problem);

    const QString matchValue = line.IsSet(match) ? line.Value(match) : QStringLiteral("auto");
    if (matchValue != u"offsets" && matchValue != u"channels" && matchValue != u"auto")
        return Error(line.Problem(QStringLiteral("--match '%1': give offsets, channels or auto").arg(matchValue)));

    Image before, after;
    if (auto failed = LoadOneOfTwo(positional[0], before))
        return *failed;
    if (auto failed = LoadOneOfTwo(positional[1], after))
        return *failed;
    const CharsetChoice namesBefore = NamesCharset(line.Charset(), *before.db);
    const CharsetChoice namesAfter = NamesCharset(line.Charset(), *after.db);
    const DiffSide sideBefore{*before.flash, *before.db, before.fileSize};
    const DiffSide sideAfter{*after.flash, *after.db, after.fileSize};
    const DiffPairing pairing = matchValue == u"offsets"    ? DiffPairing::Offsets
                                : matchValue == u"channels" ? DiffPairing::Channels
                                                            : ChoosePairing(sideBefore, sideAfter);
    const ImageDifference difference = DiffImages(sideBefore, sideAfter, pairing, OutsideBytes::Compared,
                                                  {.names = SingleByteCharactersOf(namesAfter.charset)});
    const DiffCharsets names{namesBefore.charset, namesAfter.charset};
    return Output(line.IsSet(json) ? DiffJson(difference, names) : DiffText(difference, names),
                  difference.identical ? kExitSuccess : kExitFindings);
}

} // namespace korvex::cli
