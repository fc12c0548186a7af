#include "tools/Cli.h"

#include "db/Encoders.h"
#include "db/WriteGuard.h"
#include "tools/Check.h"
#include "tools/CliSupport.h"
#include "tools/Commands.h"
#include "tools/CsvTables.h"
#include "tools/Dump.h"
#include "tools/RecordEdit.h"

#include <optional>
#include <vector>

namespace korvex::cli {
namespace {

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
    return Output(table ? TableCsv(*image.db, *table, names.charset) : DumpJson(*image.flash, *image.db, names));
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

// Why the record may not be changed (read-only, or beyond what Save
// writes), or empty when it may.
std::string_view RecordRefusal(const Image& image, RecordKind kind, std::size_t index)
{
    const FlashImage& flash = *image.flash;
    const ChannelDatabase& db = *image.db;
    switch (kind) {
    case RecordKind::Satellite: return WriteRefusal(flash, db.sats[index]);
    case RecordKind::Transponder: return WriteRefusal(flash, db.tps[index]);
    case RecordKind::TvProgram: return WriteRefusal(flash, db.tvProgs[index]);
    case RecordKind::RadioProgram: return WriteRefusal(flash, db.radioProgs[index]);
    }
    return {};
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
    line.AddOutput(out);
    for (const RecordChoice& choice : choices)
        line.Add(choice.option);
    if (auto problem = line.Parse(arguments))
        return Error(*problem);
    if (line.HelpAsked())
        return Usage();

    const QCommandLineParser& parser = line.Parser();
    const QStringList positional = line.Positional();
    if (positional.isEmpty())
        return Error(line.Problem(QStringLiteral("no IMAGE given")));
    if (positional.size() < 2)
        return Error(line.Problem(QStringLiteral("no FIELD=VALUE given")));
    QString outPath;
    if (auto problem = OutPath(line, out, outPath))
        return Error(*problem);

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

    const QString unstorable = EncodeNames(edits, NamesCharset(line.Charset(), *image.db).charset);
    if (!unstorable.isEmpty())
        return Error(line.Problem(unstorable));
    if (const std::string_view why = RecordRefusal(image, chosen->kind, static_cast<std::size_t>(*index));
        !why.empty())
        return Error(QStringLiteral("%1[%2]: %3")
                         .arg(QLatin1StringView(chosen->table), indexText,
                              QString::fromUtf8(why.data(), static_cast<qsizetype>(why.size()))));
    if (!EditRecord(image, chosen->kind, static_cast<std::size_t>(*index), edits))
        return Error(line.Problem(QStringLiteral("%1[%2]: the record could not be written into %3")
                                      .arg(QLatin1StringView(chosen->table), indexText, imagePath)));

    if (auto failed = WriteImage(outPath, image, line.KeepsBackup()))
        return *failed;
    return Output({});
}

// info, dump and check: one IMAGE and their own options.
CliResult RunInspection(const QString& command, const QStringList& arguments)
{
    CommandLine line(command);
    const QCommandLineOption csv(QStringLiteral("csv"), {}, QStringLiteral("TABLE"));
    if (command == u"dump")
        line.Add(csv);
    if (auto problem = line.Parse(arguments))
        return Error(*problem);
    if (line.HelpAsked())
        return Usage();
    QString image;
    if (auto problem = OneImage(line, image))
        return Error(*problem);

    if (command == u"info")
        return RunInfo(image, line.Charset());
    if (command == u"dump")
        return RunDump(line, image, csv, line.Charset());
    return RunCheck(image);
}

struct Command {
    const char* name;
    CliResult (*run)(const QStringList& arguments);
};

const Command kCommands[] = {
    {"info", [](const QStringList& a) { return RunInspection(QStringLiteral("info"), a); }},
    {"dump", [](const QStringList& a) { return RunInspection(QStringLiteral("dump"), a); }},
    {"check", [](const QStringList& a) { return RunInspection(QStringLiteral("check"), a); }},
    {"set", RunSet},
    {"move", RunMove},
    {"delete", RunDelete},
    {"sort", RunSort},
    {"flags", RunFlags},
    {"diff", RunDiff},
    {"import", RunImport},
    {"apply", RunApply},
    {"rename", RunRename},
    {"clean", RunClean},
    {"update-tps", RunUpdateTps},
};

QString CommandNames()
{
    QStringList names;
    for (const Command& command : kCommands)
        names << QLatin1StringView(command.name);
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

} // namespace

CliResult RunCli(const QStringList& arguments)
{
    const QString program = arguments.value(0, QStringLiteral("korvex-cli"));
    if (arguments.size() < 2)
        return Error(QStringLiteral("no command given; the commands are %1 (see --help)").arg(CommandNames()));
    const QString command = arguments[1];
    // The parser sees the program's name, then everything after the command.
    const QStringList rest = QStringList{program} + arguments.mid(2);

    if (command == u"--help" || command == u"-h" || command == u"help")
        return Usage();
    if (command == u"--version")
        return Output(QByteArrayLiteral("korvex-cli " KORVEX_VERSION "\n"));
    for (const Command& known : kCommands)
        if (command == QLatin1StringView(known.name))
            return known.run(rest);
    return Error(QStringLiteral("'%1': unknown command; the commands are %2").arg(command, CommandNames()));
}

} // namespace korvex::cli
