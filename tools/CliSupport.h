#pragma once
// What every korvex-cli command shares: how a run ends (output, one error
// line, the refusal of a file that is not a channel image), reading and loading
// an image, the name charset, the parsing of a command's own options, record
// indices as dump shows them, and writing an image out.

#include "codepage/CharsetDetection.h"
#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"
#include "tools/Cli.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korvex::cli {

// The one message for every image that is not a channel image, as the
// editor shows it.
inline constexpr QLatin1StringView kRefusedImage("The bin file is not right!");

CliResult Finish(int exitCode, const QString& errorLine);
// Exit 2 with one line "korvex-cli: problem".
CliResult Error(const QString& problem);
// Exit 1: the file is not a channel image.
CliResult Refused();
CliResult Output(QByteArray out, int exitCode = kExitSuccess);

// The image and its database are a megabyte and more: they live on the heap.
struct Image {
    std::unique_ptr<FlashImage> flash = std::make_unique<FlashImage>();
    std::unique_ptr<ChannelDatabase> db = std::make_unique<ChannelDatabase>();
    qint64 fileSize = 0;  // bytes the file held

    Image() = default;
    Image(const Image& other);
    Image& operator=(const Image&) = delete;
};

// Reads and loads an image. A file too large to be an image is refused like
// an image that fails its checks; a file that cannot be read is an error of
// its own. Nothing when the image is loaded.
std::optional<CliResult> LoadImage(const QString& path, Image& image);

// As LoadImage, for a command that takes two images: a refusal names the
// image refused.
std::optional<CliResult> LoadOneOfTwo(const QString& path, Image& image);

// Decodes the database again from the image bytes, as after an editor's OK.
void Reload(Image& image);

// Writes the whole flash, and nothing behind it: what the box takes back.
// With keepBackup, a file already at path is first kept as path + ".bak",
// once: an existing backup is never written over, so it stays the first
// original.
std::optional<CliResult> WriteImage(const QString& path, const Image& image, bool keepBackup = false);

// The --charset option every command takes.
QCommandLineOption CharsetOption();

// The charset the loaded image's names are read and written in, by the rule
// the window follows too (NamesCharset over the image's names).
CharsetChoice NamesCharset(const std::optional<std::string>& given, const ChannelDatabase& db);

// The held programs of a table, in entry order.
std::span<const ProgRecord> ProgramsOf(const ChannelDatabase& db, ProgTable table);

// "TV" or "radio", for messages.
QString TableWord(ProgTable table);

// A record index: decimal digits only. One too large for any number is past
// the end of every table all the same.
std::optional<qulonglong> RecordIndex(const QString& text);

// The parser for one command, with the options it takes, and a check that
// no option is given twice unless it may be.
class CommandLine {
public:
    explicit CommandLine(QString command);

    void Add(const QCommandLineOption& option);
    void AddRepeatable(const QCommandLineOption& option);
    // The --out FILE option of a command that writes an image, with --backup.
    void AddOutput(const QCommandLineOption& out);
    bool KeepsBackup() const { return parser_.isSet(backup_); }

    // An error line, or nothing when the arguments parse and any --charset
    // names a charset iconv knows.
    std::optional<QString> Parse(const QStringList& arguments);

    bool HelpAsked() const { return parser_.isSet(help_); }
    const QCommandLineParser& Parser() const { return parser_; }
    bool IsSet(const QCommandLineOption& option) const { return parser_.isSet(option); }
    QString Value(const QCommandLineOption& option) const { return parser_.value(option); }
    QStringList Positional() const { return parser_.positionalArguments(); }
    // The --charset given, if any (checked by Parse).
    const std::optional<std::string>& Charset() const { return charset_; }
    QString Problem(const QString& text) const { return command_ + QStringLiteral(": ") + text; }

private:
    QString command_;
    QCommandLineParser parser_;
    QCommandLineOption backup_{QStringLiteral("backup")};
    QCommandLineOption help_{{QStringLiteral("h"), QStringLiteral("help")}};
    std::vector<QCommandLineOption> once_;
    std::optional<std::string> charset_;
};

// The value of the required option --out FILE, or the error line.
std::optional<QString> OutPath(const CommandLine& line, const QCommandLineOption& out, QString& path);

// The one IMAGE a command takes as its only positional argument, or the
// error line.
std::optional<QString> OneImage(const CommandLine& line, QString& image);

// The two positional arguments of a command that takes exactly two, or the
// error line: `needed` when fewer are given.
std::optional<QString> TwoArguments(const CommandLine& line, const QString& needed, QStringList& arguments);

// The --tv and --radio options of a command that works on one program table.
struct TableChoice {
    QCommandLineOption tv{QStringLiteral("tv")};
    QCommandLineOption radio{QStringLiteral("radio")};

    void AddTo(CommandLine& line) const;
    // The table chosen with --tv or --radio, or the error line.
    std::optional<QString> Chosen(const CommandLine& line, ProgTable& table) const;
};

// The entry positions of the programs at the indices given, as dump shows
// them, in the order given; or the error line.
std::optional<QString> ProgramPositions(const CommandLine& line, const QString& imagePath, const ChannelDatabase& db,
                                        ProgTable table, const QStringList& indices,
                                        std::vector<std::uint32_t>& positions);

} // namespace korvex::cli
