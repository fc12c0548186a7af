#include "tools/PlannedCommand.h"

#include "tools/Commands.h"

namespace korvex::cli {

CliResult PlanInput::Refused(const std::string& why) const
{
    return Error(line.Problem(QStringLiteral("%1: %2").arg(TargetPath(), QString::fromStdString(why))));
}

PlannedCommand::PlannedCommand(QString name, JsonReport json)
    : line_(std::move(name)), hasJson_(json == JsonReport::Yes)
{
    line_.AddOutput(out_);
    line_.Add(dryRun_);
    if (hasJson_)
        line_.Add(json_);
}

CliResult PlannedCommand::Run(const QStringList& arguments, const PlannedSteps& steps)
{
    if (auto problem = line_.Parse(arguments))
        return Error(*problem);
    if (line_.HelpAsked())
        return Usage();
    QStringList paths;
    if (auto problem = steps.images(line_, paths))
        return Error(*problem);
    const bool dryRun = line_.IsSet(dryRun_);
    QString outPath;
    if (!dryRun)
        if (auto problem = OutPath(line_, out_, outPath))
            return Error(*problem);
    if (auto problem = steps.options(line_))
        return Error(*problem);

    // A refusal names the image refused when there are two.
    std::vector<Image> images(static_cast<std::size_t>(paths.size()));
    for (qsizetype k = 0; k < paths.size(); ++k) {
        Image& image = images[static_cast<std::size_t>(k)];
        if (auto failed = paths.size() > 1 ? LoadOneOfTwo(paths[k], image) : LoadImage(paths[k], image))
            return *failed;
    }

    const PlanInput input{line_, paths, images, dryRun, hasJson_ && line_.IsSet(json_)};
    const PlannedChange change = steps.plan(input);
    if (change.failed)
        return *change.failed;
    if (const ChangeOutcome outcome = change.apply(); !outcome.done)
        return input.Refused(outcome.refusal);
    if (dryRun)
        return Output(change.report, change.changes ? kExitFindings : kExitSuccess);
    if (auto failed = WriteImage(outPath, input.Target(), line_.KeepsBackup()))
        return *failed;
    return Output(change.report);
}

std::optional<QString> OneImageToWrite(const CommandLine& line, QStringList& images)
{
    QString image;
    if (auto problem = OneImage(line, image))
        return problem;
    images = {image};
    return std::nullopt;
}

} // namespace korvex::cli
