#include "ui/shell/CKorvexApp.h"
#include "ui/shell/CommandLine.h"
#include "app/QtPlatform.h"
#include "ui/shell/VersionText.h"

#include <cstdio>

namespace {

QStringList ArgumentsOf(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Help, version or a refusal, on the console; the window is not started.
int Answer(const korvex::StartRequest& request, korvex::Platform& platform)
{
    switch (request.action) {
    case korvex::StartAction::ShowHelp:
        std::fputs(qPrintable(korvex::HelpText()), stdout);
        return 0;
    case korvex::StartAction::ShowVersion: {
        const auto version = platform.ReadVersionInfo();
        std::printf("Korvex %s\n", version ? qPrintable(korvex::FormatVersion(*version)) : "");
        return 0;
    }
    case korvex::StartAction::Refuse:
        std::fprintf(stderr, "korvex: %s\n", qPrintable(request.problem));
        return korvex::kExitUsage;
    case korvex::StartAction::Run:
        break;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    korvex::QtPlatform platform;
    // Help and version are answered before Qt looks for a display, so that
    // they work on a console without one.
    const korvex::StartRequest early = korvex::ParseCommandLine(ArgumentsOf(argc, argv));
    if (early.action == korvex::StartAction::ShowHelp || early.action == korvex::StartAction::ShowVersion)
        return Answer(early, platform);

    korvex::CKorvexApp app(argc, argv, platform);
    // Qt has taken its own options (-platform, -style, ...) out by now.
    const korvex::StartRequest request = korvex::ParseCommandLine(QCoreApplication::arguments());
    if (request.action != korvex::StartAction::Run)
        return Answer(request, platform);
    return app.InitInstance(request.image) ? app.exec() : 0;
}
