#include "tools/Cli.h"

#include "codepage/CharsetDetection.h"
#include "db/Encoders.h"
#include "db/LoadDatabase.h"
#include "db/Queries.h"
#include "db/RecordCodec.h"
#include "io/AtomicFile.h"
#include "tools/Check.h"
#include "tools/Dump.h"
#include "tools/RecordEdit.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFile>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

namespace korvex::cli {
namespace {

// The one message for every image that is not a channel image, as the
// editor shows it.
constexpr QLatin1StringView kRefusedImage("The bin file is not right!");

constexpr QLatin1StringView kUsage(
    "Usage:\n"
    "  korvex-cli info IMAGE [--charset NAME]\n"
    "  korvex-cli dump IMAGE [--charset NAME]\n"
    "  korvex-cli dump --csv sats|tps|tv|radio IMAGE [--charset NAME]\n"
    "  korvex-cli check IMAGE [--charset NAME]\n"
    "  korvex-cli set IMAGE --out FILE (--sat N | --tp N | --tv N | --radio N) FIELD=VALUE...\n"
    "                 [--charset NAME]\n"
    "\n"
    "Inspects, exports, checks and edits the channel list in a set-top box flash image.\n"
    "\n"
    "  info   layout, flash size, directory start and the number of records of each table\n"
    "  dump   the decoded database as JSON, or one table as CSV\n"
    "  check  what is wrong in the image, one finding a line\n"
    "  set    changes one record (N is its index in sats, tps, tvProgs or radioProgs)\n"
    "         and writes the image to FILE, which may be IMAGE itself\n"
    "\n"
    "Fields for set:\n"
    "  --sat    satName, longitude, lnbFreLow, lnbFreHigh, position, lnbType, lnbPower,\n"
    "           diseqc10, tone22K, diseqc12En, power012V\n"
    "  --tp     frequency, symbolRate, polarisation\n"
    "  --tv     progName, videoPid, audioPid, pcrPid, serviceId, track, unlocked, favBits\n"
    "  --radio  the same but videoPid, which the radio table does not keep\n"
    "Numbers are decimal and must fit their field; a name takes at most 12 bytes.\n"
    "\n"
    "Names are read and written in the image's name charset: --charset NAME, as\n"
    "iconv knows it (GBK, Big5, WINDOWS-1251, ISO-8859-1, UTF-8, ...); without it,\n"
    "the locale's charset, or under a UTF-8 locale the charset detected from the\n"
    "image's names when they are not UTF-8. info shows which and how it was chosen.\n"
    "\n"
    "Exit status: 0 done, 1 the image is not a channel image, 2 an error in the\n"
    "arguments, a file, a field or a value, 3 check found something wrong.\n");

CliResult Finish(int exitCode, const QString& errorLine)
{
    CliResult result;
    result.exitCode = exitCode;
    result.err = (errorLine + QLatin1Char('\n')).toUtf8();
    return result;
}

CliResult Error(const QString& problem)
{
    return Finish(kExitUsage, QStringLiteral("korvex-cli: ") + problem);
}

CliResult Refused() { return Finish(kExitRefused, kRefusedImage); }

CliResult Output(QByteArray out, int exitCode = kExitSuccess)
{
    CliResult result;
    result.exitCode = exitCode;
    result.out = std::move(out);
    return result;
}

// The image and its database are a megabyte and more: they live on the heap.
struct Image {
    std::unique_ptr<FlashImage> flash = std::make_unique<FlashImage>();
    std::unique_ptr<ChannelDatabase> db = std::make_unique<ChannelDatabase>();
};

// Reads and loads IMAGE. A file too large to be an image is refused like an
// image that fails its checks; a file that cannot be read is an error of its own.
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
    image.flash->fileOpened = 1;
    if (!LoadDatabase(*image.flash, *image.db))
        return Refused();
    return std::nullopt;
}

// The --charset option every command takes.
QCommandLineOption CharsetOption()
{
    return QCommandLineOption(QStringLiteral("charset"), {}, QStringLiteral("NAME"));
}

// The charset given with --charset, checked before the image is read; nothing
// when none was given.
std::optional<QString> GivenCharset(const QCommandLineParser& parser, std::optional<std::string>& given)
{
    if (!parser.isSet(QStringLiteral("charset")))
        return std::nullopt;
    const QString name = parser.value(QStringLiteral("charset"));
    if (!KnownCharset(name.toStdString()))
        return QStringLiteral("--charset '%1': unknown charset; give a name iconv knows, such as GBK, Big5, "
                              "WINDOWS-1251, ISO-8859-1 or UTF-8")
            .arg(name);
    given = name.toStdString();
    return std::nullopt;
}

// The charset the loaded image's names are read and written in.
CharsetChoice NamesCharset(const std::optional<std::string>& given, const ChannelDatabase& db)
{
    if (given)
        return {NameCharset(*given), CharsetSource::Given};
    return DefaultNameCharset(RecordNames(db), LocaleCharset());
}

// A record index: decimal digits only. One too large for any number is past
// the end of every table all the same.
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

// The parser for one command, with the options it takes, and a check that
// no option is given twice.
class CommandLine {
public:
    explicit CommandLine(QString command) : command_(std::move(command))
    {
        parser_.addOption(help_);
    }

    void Add(const QCommandLineOption& option)
    {
        parser_.addOption(option);
        options_.push_back(option);
    }

    // An error line, or nothing when the arguments parse.
    std::optional<QString> Parse(const QStringList& arguments)
    {
        if (!parser_.parse(arguments))
            return Problem(parser_.errorText());
        for (const QCommandLineOption& option : options_)
            if (parser_.values(option).size() > 1)
                return Problem(QStringLiteral("--%1 is given more than once").arg(option.names().first()));
        return std::nullopt;
    }

    bool HelpAsked() const { return parser_.isSet(help_); }
    const QCommandLineParser& Parser() const { return parser_; }
    QStringList Positional() const { return parser_.positionalArguments(); }
    QString Problem(const QString& text) const { return command_ + QStringLiteral(": ") + text; }

private:
    QString command_;
    QCommandLineParser parser_;
    QCommandLineOption help_{{QStringLiteral("h"), QStringLiteral("help")}};
    std::vector<QCommandLineOption> options_;
};

// info, dump and check take exactly one IMAGE.
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

CliResult RunInfo(const QString& path, const std::optional<std::string>& charset)
{
    Image image;
    if (auto failed = LoadImage(path, image))
        return *failed;
    return Output(InfoText(*image.flash, *image.db, NamesCharset(charset, *image.db)));
}

CliResult RunDump(CommandLine& line, const QString& path, const QCommandLineOption& csv,
                  const std::optional<std::string>& charset)
{
    std::optional<CsvTable> table;
    if (line.Parser().isSet(csv)) {
        table = CsvTableNamed(line.Parser().value(csv));
        if (!table)
            return Error(line.Problem(QStringLiteral("--csv '%1': unknown table; the tables are sats, tps, tv and radio")
                                          .arg(line.Parser().value(csv))));
    }
    Image image;
    if (auto failed = LoadImage(path, image))
        return *failed;
    const CharsetChoice names = NamesCharset(charset, *image.db);
    return Output(table ? DumpCsv(*image.db, *table, names.charset) : DumpJson(*image.flash, *image.db, names));
}

CliResult RunCheck(const QString& path)
{
    Image image;
    if (auto failed = LoadImage(path, image))
        return *failed;
    const QStringList findings = CheckFindings(*image.flash, *image.db);
    if (findings.isEmpty())
        return Output({});
    return Output((findings.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8(), kExitFindings);
}

struct RecordChoice {
    RecordKind kind;
    QCommandLineOption option;
    const char* table;   // as dump names it
    const char* plural;  // for people
};

// Changes the record in the image bytes through the encoders the editors use.
bool EditRecord(Image& image, RecordKind kind, std::size_t index, const std::vector<FieldEdit>& edits)
{
    FlashImage& flash = *image.flash;
    const ChannelDatabase& db = *image.db;
    switch (kind) {
    case RecordKind::Satellite: {
        SatRecord sat = db.sats[index];
        ApplyFieldEdits(sat, edits);
        return EncodeSat(flash, sat);
    }
    case RecordKind::Transponder: {
        TpRecord tp = db.tps[index];
        ApplyFieldEdits(tp, edits);
        return EncodeTp(flash, tp);
    }
    case RecordKind::TvProgram: {
        ProgRecord prog = db.tvProgs[index];
        ApplyFieldEdits(prog, edits);
        return EncodeProg(flash, prog);
    }
    case RecordKind::RadioProgram: {
        ProgRecord prog = db.radioProgs[index];
        ApplyFieldEdits(prog, edits);
        return EncodeProg(flash, prog);
    }
    }
    return false;
}

// Whether an edit of the record would reach the saved file.
bool RecordSavable(const Image& image, RecordKind kind, std::size_t index)
{
    const FlashImage& flash = *image.flash;
    const ChannelDatabase& db = *image.db;
    switch (kind) {
    case RecordKind::Satellite: return IsSavable(flash, db.sats[index]);
    case RecordKind::Transponder: return IsSavable(flash, db.tps[index]);
    case RecordKind::TvProgram: return IsSavable(flash, db.tvProgs[index]);
    case RecordKind::RadioProgram: return IsSavable(flash, db.radioProgs[index]);
    }
    return false;
}

std::size_t RecordCount(const ChannelDatabase& db, RecordKind kind)
{
    switch (kind) {
    case RecordKind::Satellite: return db.numSats;
    case RecordKind::Transponder: return db.numTps;
    case RecordKind::TvProgram: return db.numTv;
    case RecordKind::RadioProgram: return db.numRadio;
    }
    return 0;
}

CliResult RunSet(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("set"));
    const QCommandLineOption out(QStringLiteral("out"), {}, QStringLiteral("FILE"));
    const RecordChoice choices[] = {
        {RecordKind::Satellite, {QStringLiteral("sat"), {}, QStringLiteral("N")}, "sats", "satellites"},
        {RecordKind::Transponder, {QStringLiteral("tp"), {}, QStringLiteral("N")}, "tps", "transponders"},
        {RecordKind::TvProgram, {QStringLiteral("tv"), {}, QStringLiteral("N")}, "tvProgs", "TV programs"},
        {RecordKind::RadioProgram, {QStringLiteral("radio"), {}, QStringLiteral("N")}, "radioProgs", "radio programs"},
    };
    line.Add(out);
    line.Add(CharsetOption());
    for (const RecordChoice& choice : choices)
        line.Add(choice.option);
    if (auto problem = line.Parse(arguments))
        return Error(*problem);
    if (line.HelpAsked())
        return Output(QByteArray(kUsage.data(), kUsage.size()));
    std::optional<std::string> charset;
    if (auto problem = GivenCharset(line.Parser(), charset))
        return Error(line.Problem(*problem));

    const QCommandLineParser& parser = line.Parser();
    const QStringList positional = line.Positional();
    if (positional.isEmpty())
        return Error(line.Problem(QStringLiteral("no IMAGE given")));
    if (positional.size() < 2)
        return Error(line.Problem(QStringLiteral("no FIELD=VALUE given")));
    if (!parser.isSet(out))
        return Error(line.Problem(QStringLiteral("--out FILE is required")));
    const QString outPath = parser.value(out);
    if (outPath.isEmpty())
        return Error(line.Problem(QStringLiteral("--out: no file name given")));

    const RecordChoice* chosen = nullptr;
    for (const RecordChoice& choice : choices) {
        if (!parser.isSet(choice.option))
            continue;
        if (chosen)
            return Error(line.Problem(QStringLiteral("give only one of --sat, --tp, --tv and --radio")));
        chosen = &choice;
    }
    if (!chosen)
        return Error(line.Problem(QStringLiteral("one of --sat N, --tp N, --tv N or --radio N is required")));
    const QString optionName = QStringLiteral("--") + chosen->option.names().first();
    const QString indexText = parser.value(chosen->option);
    const std::optional<qulonglong> index = RecordIndex(indexText);
    if (!index)
        return Error(line.Problem(QStringLiteral("%1 '%2': the index is not a number").arg(optionName, indexText)));

    std::vector<FieldEdit> edits;
    const QString badField = ParseFieldEdits(chosen->kind, positional.mid(1), edits);
    if (!badField.isEmpty())
        return Error(line.Problem(badField));

    const QString& imagePath = positional.first();
    Image image;
    if (auto failed = LoadImage(imagePath, image))
        return *failed;
    const qulonglong count = RecordCount(*image.db, chosen->kind);
    if (*index >= count)
        return Error(line.Problem(QStringLiteral("%1 %2: index out of range; %3 holds %4 %5")
                                      .arg(optionName, indexText, imagePath)
                                      .arg(count)
                                      .arg(QLatin1StringView(chosen->plural))));

    const QString unstorable = EncodeNames(edits, NamesCharset(charset, *image.db).charset);
    if (!unstorable.isEmpty())
        return Error(line.Problem(unstorable));
    if (!RecordSavable(image, chosen->kind, static_cast<std::size_t>(*index)))
        return Error(QStringLiteral("%1[%2]: %3")
                         .arg(QLatin1StringView(chosen->table), indexText,
                              QString::fromUtf8(kBeyondFlashSizeText.data(),
                                                static_cast<qsizetype>(kBeyondFlashSizeText.size()))));
    if (!EditRecord(image, chosen->kind, static_cast<std::size_t>(*index), edits))
        return Error(line.Problem(QStringLiteral("%1[%2]: the record could not be written into %3")
                                      .arg(QLatin1StringView(chosen->table), indexText, imagePath)));

    // The whole flash, and nothing behind it: what the box takes back.
    const QString why = WriteFileAtomically(
        outPath, QByteArrayView(reinterpret_cast<const char*>(image.flash->bytes.data()), image.flash->flashSize));
    if (!why.isEmpty())
        return Error(QStringLiteral("%1: cannot write the file: %2").arg(outPath, why));
    return Output({});
}

} // namespace

CliResult RunCli(const QStringList& arguments)
{
    const QString program = arguments.value(0, QStringLiteral("korvex-cli"));
    if (arguments.size() < 2)
        return Error(QStringLiteral("no command given; the commands are info, dump, check and set (see --help)"));
    const QString command = arguments[1];
    // The parser sees the program's name, then everything after the command.
    const QStringList rest = QStringList{program} + arguments.mid(2);

    if (command == u"--help" || command == u"-h" || command == u"help")
        return Output(QByteArray(kUsage.data(), kUsage.size()));
    if (command == u"--version")
        return Output(QByteArrayLiteral("korvex-cli " KORVEX_VERSION "\n"));
    if (command == u"set")
        return RunSet(rest);
    if (command != u"info" && command != u"dump" && command != u"check")
        return Error(QStringLiteral("'%1': unknown command; the commands are info, dump, check and set").arg(command));

    CommandLine line(command);
    const QCommandLineOption csv(QStringLiteral("csv"), {}, QStringLiteral("TABLE"));
    if (command == u"dump")
        line.Add(csv);
    line.Add(CharsetOption());
    if (auto problem = line.Parse(rest))
        return Error(*problem);
    if (line.HelpAsked())
        return Output(QByteArray(kUsage.data(), kUsage.size()));
    std::optional<std::string> charset;
    if (auto problem = GivenCharset(line.Parser(), charset))
        return Error(line.Problem(*problem));
    QString image;
    if (auto problem = OneImage(line, image))
        return Error(*problem);

    if (command == u"info")
        return RunInfo(image, charset);
    if (command == u"dump")
        return RunDump(line, image, csv, charset);
    return RunCheck(image);
}

} // namespace korvex::cli
