#include "ui/shell/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace korvex {

StartRequest ParseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("image"), {});

    StartRequest request;
    if (!parser.parse(arguments)) {
        request.action = StartAction::Refuse;
        request.problem = parser.errorText();
    } else if (parser.isSet(help)) {
        request.action = StartAction::ShowHelp;
    } else if (parser.isSet(version)) {
        request.action = StartAction::ShowVersion;
    } else if (const QStringList images = parser.positionalArguments(); images.size() > 1) {
        request.action = StartAction::Refuse;
        request.problem = QStringLiteral("%1 images given; Korvex opens one image at a time").arg(images.size());
    } else if (images.size() == 1) {
        request.image = images.front();
    }
    return request;
}

QString HelpText()
{
    return QStringLiteral(
        "Usage: korvex [IMAGE]\n"
        "\n"
        "Edits the channel list in a flash image of a satellite set-top box.\n"
        "With IMAGE, opens it at start, as Open does.\n"
        "\n"
        "  -h, --help     show this text\n"
        "  -v, --version  show the version\n"
        "\n"
        "Qt's own options, such as -platform and -style, are taken as well.\n"
        "Exit status: 0, or 2 for arguments Korvex refuses.\n");
}

} // namespace korvex
