// korvex-cli: the channel list of a flash image, without a display.

#include "tools/Cli.h"

#include <QCoreApplication>

#include <clocale>
#include <cstdio>

namespace {

bool WriteAll(std::FILE* stream, const QByteArray& bytes)
{
    if (!bytes.isEmpty() && std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream) !=
                                static_cast<std::size_t>(bytes.size()))
        return false;
    return std::fflush(stream) == 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Names in an image are bytes of the system's charset: the locale's.
    std::setlocale(LC_ALL, "");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvex-cli"));

    const korvex::cli::CliResult result = korvex::cli::RunCli(QCoreApplication::arguments());
    // A dump cut short by a full disk or a closed pipe must not end as success.
    if (!WriteAll(stdout, result.out)) {
        WriteAll(stderr, QByteArrayLiteral("korvex-cli: standard output: cannot write\n"));
        return korvex::cli::kExitUsage;
    }
    WriteAll(stderr, result.err);
    return result.exitCode;
}
