#include "tools/CliSupport.h"

#include "codepage/NameCharset.h"
#include "db/LoadDatabase.h"
#include "db/Queries.h"
#include "io/AtomicFile.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

namespace korvex::cli {

CliResult Finish(int exitCode, const QString& errorLine)
{
    CliResult result;
    result.exitCode = exitCode;
    result.err = (errorLine + QLatin1Char('\n')).toUtf8();
    return result;
}

CliResult Error(const QString& problem) { return Finish(kExitUsage, QStringLiteral("korvex-cli: ") + problem); }

CliResult Refused() { return Finish(kExitRefused, kRefusedImage); }

CliResult Output(QByteArray out, int exitCode)
{
    CliResult result;
    result.exitCode = exitCode;
    result.out = std::move(out);
    return result;
}

Image::Image(const Image& other)
    : flash(std::make_unique<FlashImage>(*other.flash)),
      db(std::make_unique<ChannelDatabase>(*other.db)),
      fileSize(other.fileSize)
{
}

std::optional<CliResult> LoadImage(const QString& path, Image& image)
{
    std::error_code why;
    const std::filesystem::path file(QFile::encodeName(path).toStdString());
    switch (TakeInFile(*image.flash, file, &why)) {
    case TakeInResult::Taken:
        break;
    case TakeInResult::TooLarge:
        return Refused();
    case TakeInResult::CannotRead:
        return Error(QStringLiteral("%1: cannot read the file: %2").arg(path, QString::fromStdString(why.message())));
    }
    image.fileSize = static_cast<qint64>(std::filesystem::file_size(file, why));
    image.flash->fileOpened = 1;
    if (!LoadDatabase(*image.flash, *image.db))
        return Refused();
    return std::nullopt;
}

std::optional<CliResult> LoadOneOfTwo(const QString& path, Image& image)
{
    std::optional<CliResult> failed = LoadImage(path, image);
    if (failed && failed->exitCode == kExitRefused)
        return Finish(kExitRefused, path + QStringLiteral(": ") + kRefusedImage);
    return failed;
}

void Reload(Image& image) { LoadDatabase(*image.flash, *image.db); }

std::optional<CliResult> WriteImage(const QString& path, const Image& image, bool keepBackup)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(image.flash->bytes.data()), image.flash->flashSize);
    const QString why = keepBackup ? WriteFileKeepingFirstOriginal(path, bytes) : WriteFileAtomically(path, bytes);
    if (!why.isEmpty())
        return Error(QStringLiteral("%1: cannot write the file: %2").arg(path, why));
    return std::nullopt;
}

QCommandLineOption CharsetOption() { return QCommandLineOption(QStringLiteral("charset"), {}, QStringLiteral("NAME")); }

CharsetChoice NamesCharset(const std::optional<std::string>& given, const ChannelDatabase& db)
{
    return korvex::NamesCharset(given, RecordNames(db));
}

std::span<const ProgRecord> ProgramsOf(const ChannelDatabase& db, ProgTable table)
{
    return table == ProgTable::Tv ? db.TvProgs() : db.RadioProgs();
}

QString TableWord(ProgTable table) { return table == ProgTable::Tv ? QStringLiteral("TV") : QStringLiteral("radio"); }

std::optional<qulonglong> RecordIndex(const QString& text)
{
    if (text.isEmpty() || !std::all_of(text.begin(), text.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        }))
        return std::nullopt;
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    return ok ? value : std::numeric_limits<qulonglong>::max();
}

CommandLine::CommandLine(QString command) : command_(std::move(command))
{
    parser_.addOption(help_);
    Add(CharsetOption());
}

void CommandLine::Add(const QCommandLineOption& option)
{
    parser_.addOption(option);
    once_.push_back(option);
}

void CommandLine::AddOutput(const QCommandLineOption& out)
{
    Add(out);
    Add(backup_);
}

void CommandLine::AddRepeatable(const QCommandLineOption& option) { parser_.addOption(option); }

std::optional<QString> CommandLine::Parse(const QStringList& arguments)
{
    if (!parser_.parse(arguments))
        return Problem(parser_.errorText());
    for (const QCommandLineOption& option : once_)
        if (parser_.values(option).size() > 1)
            return Problem(QStringLiteral("--%1 is given more than once").arg(option.names().first()));
    if (parser_.isSet(QStringLiteral("charset"))) {
        const QString name = parser_.value(QStringLiteral("charset"));
        if (!KnownCharset(name.toStdString()))
            return Problem(QStringLiteral("--charset '%1': unknown charset; give a name iconv knows, such as GBK, "
                                          "Big5, WINDOWS-1251, ISO-8859-1 or UTF-8")
                               .arg(name));
        charset_ = name.toStdString();
    }
    return std::nullopt;
}

std::optional<QString> OutPath(const CommandLine& line, const QCommandLineOption& out, QString& path)
{
    if (!line.IsSet(out))
        return line.Problem(QStringLiteral("--out FILE is required"));
    path = line.Value(out);
    if (path.isEmpty())
        return line.Problem(QStringLiteral("--out: no file name given"));
    return std::nullopt;
}

std::optional<QString> OneImage(const CommandLine& line, QString& image)
{
    const QStringList positional = line.Positional();
    if (positional.isEmpty())
        return line.Problem(QStringLiteral("no IMAGE given"));
    if (positional.size() > 1)
        return line.Problem(QStringLiteral("unexpected argument '%1'").arg(positional[1]));
    image = positional.first();
    return std::nullopt;
}

std::optional<QString> TwoArguments(const CommandLine& line, const QString& needed, QStringList& arguments)
{
    arguments = line.Positional();
    if (arguments.size() < 2)
        return line.Problem(needed);
    if (arguments.size() > 2)
        return line.Problem(QStringLiteral("unexpected argument '%1'").arg(arguments[2]));
    return std::nullopt;
}

void TableChoice::AddTo(CommandLine& line) const
{
    line.Add(tv);
    line.Add(radio);
}

std::optional<QString> TableChoice::Chosen(const CommandLine& line, ProgTable& table) const
{
    if (line.IsSet(tv) && line.IsSet(radio))
        return line.Problem(QStringLiteral("give only one of --tv and --radio"));
    if (!line.IsSet(tv) && !line.IsSet(radio))
        return line.Problem(QStringLiteral("one of --tv or --radio is required"));
    table = line.IsSet(tv) ? ProgTable::Tv : ProgTable::Radio;
    return std::nullopt;
}

std::optional<QString> ProgramPositions(const CommandLine& line, const QString& imagePath, const ChannelDatabase& db,
                                        ProgTable table, const QStringList& indices,
                                        std::vector<std::uint32_t>& positions)
{
    const std::span<const ProgRecord> programs = ProgramsOf(db, table);
    QSet<qulonglong> seen;
    for (const QString& text : indices) {
        const std::optional<qulonglong> index = RecordIndex(text);
        if (!index)
            return line.Problem(QStringLiteral("'%1': the index is not a number").arg(text));
        if (*index >= programs.size())
            return line.Problem(QStringLiteral("%1: index out of range; %2 holds %3 %4 programs")
                                    .arg(text, imagePath)
                                    .arg(programs.size())
                                    .arg(TableWord(table)));
        if (seen.contains(*index))
            return line.Problem(QStringLiteral("%1 is given more than once").arg(text));
        seen.insert(*index);
        positions.push_back(programs[static_cast<std::size_t>(*index)].tableIndex);
    }
    return std::nullopt;
}

} // namespace korvex::cli
