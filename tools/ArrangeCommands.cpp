// move, delete, sort and flags: the arranging operations of the window, on an
// image file. Each loads the image, asks db/ to arrange it, and writes the
// result only when the operation was done; a refusal is reported in db/'s
// words.

#include "codepage/Utf16Text.h"
#include "db/Arrange.h"
#include "tools/CliSupport.h"
#include "tools/Commands.h"
#include "tools/FavouriteGroups.h"

#include <QSet>

#include <vector>

namespace korvex::cli {
namespace {

// The image path first, then at least one program index.
std::optional<QString> ImageAndIndices(const CommandLine& line, QString& image, QStringList& indices)
{
    const QStringList positional = line.Positional();
    if (positional.isEmpty())
        return line.Problem(QStringLiteral("no IMAGE given"));
    if (positional.size() < 2)
        return line.Problem(QStringLiteral("no program index N given"));
    image = positional.first();
    indices = positional.mid(1);
    return std::nullopt;
}

CliResult Written(const CommandLine& line, const QString& outPath, const Image& image, QByteArray summary = {})
{
    if (auto failed = WriteImage(outPath, image, line.KeepsBackup()))
        return *failed;
    return Output(std::move(summary));
}

CliResult RefusedArrangement(const CommandLine& line, const ChangeOutcome& outcome)
{
    return Error(line.Problem(QString::fromStdString(outcome.refusal)));
}

QString Counted(std::uint32_t n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1StringView(n == 1 ? one : many));
}

// One line: what was removed, and what was kept because another record with
// the same id still claims it.
QByteArray DeletionSummary(const ChangeOutcome& outcome)
{
    const auto removed = [&](BlockId id) { return outcome.removed[static_cast<std::size_t>(id)]; };
    QString line = QStringLiteral("deleted %1, %2, %3 and %4")
                       .arg(Counted(removed(BlockId::Satellites), "satellite", "satellites"),
                            Counted(removed(BlockId::Transponders), "transponder", "transponders"),
                            Counted(removed(BlockId::TvPrograms), "TV program", "TV programs"),
                            Counted(removed(BlockId::RadioPrograms), "radio program", "radio programs"));
    if (outcome.keptTransponders > 0 || outcome.keptPrograms > 0)
        line += QStringLiteral("; kept %1 and %2 that a record with the same id still claims")
                    .arg(Counted(outcome.keptTransponders, "transponder", "transponders"),
                         Counted(outcome.keptPrograms, "program", "programs"));
    return (line + QLatin1Char('\n')).toUtf8();
}

std::optional<SortKey> SortKeyNamed(const QString& name)
{
    if (name == u"name")
        return SortKey::Name;
    if (name == u"serviceId")
        return SortKey::ServiceId;
    if (name == u"satellite")
        return SortKey::Satellite;
    return std::nullopt;
}

} // namespace

CliResult RunMove(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("move"));
    const QCommandLineOption out(QStringLiteral("out"), {}, QStringLiteral("FILE"));
    const QCommandLineOption to(QStringLiteral("to"), {}, QStringLiteral("M"));
    const TableChoice tables;
    line.AddOutput(out);
    line.Add(to);
    tables.AddTo(line);
    if (auto problem = line.Parse(arguments))
        return Error(*problem);
    if (line.HelpAsked())
        return Usage();
    QString imagePath, outPath;
    QStringList indices;
    ProgTable table{};
    if (auto problem = ImageAndIndices(line, imagePath, indices))
        return Error(*problem);
    if (auto problem = OutPath(line, out, outPath))
        return Error(*problem);
    if (auto problem = tables.Chosen(line, table))
        return Error(*problem);
    if (!line.IsSet(to))
        return Error(line.Problem(QStringLiteral("--to M is required")));
    const std::optional<qulonglong> target = RecordIndex(line.Value(to));
    if (!target)
        return Error(line.Problem(QStringLiteral("--to '%1': the index is not a number").arg(line.Value(to))));

    Image image;
    if (auto failed = LoadImage(imagePath, image))
        return *failed;
    std::vector<std::uint32_t> positions;
    if (auto problem = ProgramPositions(line, imagePath, *image.db, table, indices, positions))
        return Error(*problem);
    const auto count = static_cast<std::uint32_t>(ProgramsOf(*image.db, table).size());
    const std::uint32_t lastStart = count - static_cast<std::uint32_t>(positions.size());
    if (*target > lastStart)
        return Error(line.Problem(QStringLiteral("--to %1: %2 of %3 %4 programs can start at 0 to %5")
                                      .arg(line.Value(to))
                                      .arg(positions.size())
                                      .arg(count)
                                      .arg(TableWord(table))
                                      .arg(lastStart)));
    const std::vector<std::uint32_t> order =
        OrderMovingTo(count, positions, static_cast<std::uint32_t>(*target));
    const ChangeOutcome outcome = ReorderPrograms(*image.flash, *image.db, table, order);
    if (!outcome.done)
        return RefusedArrangement(line, outcome);
    return Written(line, outPath, image);
}

CliResult RunDelete(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("delete"));
    const QCommandLineOption out(QStringLiteral("out"), {}, QStringLiteral("FILE"));
    const QCommandLineOption tp(QStringLiteral("tp"), {}, QStringLiteral("N"));
    const QCommandLineOption sat(QStringLiteral("sat"), {}, QStringLiteral("N"));
    const TableChoice tables;
    line.AddOutput(out);
    line.Add(tp);
    line.Add(sat);
    tables.AddTo(line);
    if (auto problem = line.Parse(arguments))
        return Error(*problem);
    if (line.HelpAsked())
        return Usage();
    const int chosen = int(line.IsSet(tables.tv)) + int(line.IsSet(tables.radio)) + int(line.IsSet(tp)) +
                       int(line.IsSet(sat));
    if (chosen == 0)
        return Error(line.Problem(QStringLiteral("one of --tv N..., --radio N..., --tp N or --sat N is required")));
    if (chosen > 1)
        return Error(line.Problem(QStringLiteral("give only one of --tv, --radio, --tp and --sat")));
    const bool programs = line.IsSet(tables.tv) || line.IsSet(tables.radio);
    QString imagePath, outPath;
    QStringList indices;
    if (auto problem = programs ? ImageAndIndices(line, imagePath, indices) : OneImage(line, imagePath))
        return Error(*problem);
    if (auto problem = OutPath(line, out, outPath))
        return Error(*problem);
    const QCommandLineOption& recordOption = line.IsSet(tp) ? tp : sat;
    std::optional<qulonglong> recordIndex;
    if (!programs) {
        recordIndex = RecordIndex(line.Value(recordOption));
        if (!recordIndex)
            return Error(line.Problem(QStringLiteral("--%1 '%2': the index is not a number")
                                          .arg(recordOption.names().first(), line.Value(recordOption))));
    }

    Image image;
    if (auto failed = LoadImage(imagePath, image))
        return *failed;
    const ChannelDatabase& db = *image.db;
    ChangeOutcome outcome;
    if (programs) {
        const ProgTable table = line.IsSet(tables.tv) ? ProgTable::Tv : ProgTable::Radio;
        std::vector<std::uint32_t> positions;
        if (auto problem = ProgramPositions(line, imagePath, db, table, indices, positions))
            return Error(*problem);
        outcome = DeletePrograms(*image.flash, db, table, positions);
    } else {
        const bool transponder = line.IsSet(tp);
        const std::size_t count = transponder ? db.numTps : db.numSats;
        if (*recordIndex >= count)
            return Error(line.Problem(QStringLiteral("--%1 %2: index out of range; %3 holds %4 %5")
                                          .arg(recordOption.names().first(), line.Value(recordOption), imagePath)
                                          .arg(count)
                                          .arg(transponder ? QStringLiteral("transponders")
                                                           : QStringLiteral("satellites"))));
        const auto index = static_cast<std::size_t>(*recordIndex);
        outcome = transponder ? DeleteTransponder(*image.flash, db, index) : DeleteSatellite(*image.flash, db, index);
    }
    if (!outcome.done)
        return RefusedArrangement(line, outcome);
    return Written(line, outPath, image, DeletionSummary(outcome));
}

CliResult RunSort(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("sort"));
    const QCommandLineOption out(QStringLiteral("out"), {}, QStringLiteral("FILE"));
    const QCommandLineOption by(QStringLiteral("by"), {}, QStringLiteral("KEY"));
    const TableChoice tables;
    line.AddOutput(out);
    line.Add(by);
    tables.AddTo(line);
    if (auto problem = line.Parse(arguments))
        return Error(*problem);
    if (line.HelpAsked())
        return Usage();
    QString imagePath, outPath;
    ProgTable table{};
    if (auto problem = OneImage(line, imagePath))
        return Error(*problem);
    if (auto problem = OutPath(line, out, outPath))
        return Error(*problem);
    if (auto problem = tables.Chosen(line, table))
        return Error(*problem);
    if (!line.IsSet(by))
        return Error(line.Problem(QStringLiteral("--by name|serviceId|satellite is required")));
    const std::optional<SortKey> key = SortKeyNamed(line.Value(by));
    if (!key)
        return Error(line.Problem(QStringLiteral("--by '%1': the keys are name, serviceId and satellite")
                                      .arg(line.Value(by))));

    Image image;
    if (auto failed = LoadImage(imagePath, image))
        return *failed;
    // As the window sorts: the name decoded in the image's name charset,
    // folded so that case does not count.
    const NameCharset names = NamesCharset(line.Charset(), *image.db).charset;
    const NameSortKey folded = [&](const NameBytes& name) {
        return CaseFolded(names.Decode(NameView(name)));
    };
    const std::vector<std::uint32_t> order = OrderSortedBy(*image.db, table, *key, folded);
    const ChangeOutcome outcome = ReorderPrograms(*image.flash, *image.db, table, order);
    if (!outcome.done)
        return RefusedArrangement(line, outcome);
    return Written(line, outPath, image);
}

CliResult RunFlags(const QStringList& arguments)
{
    CommandLine line(QStringLiteral("flags"));
    const QCommandLineOption out(QStringLiteral("out"), {}, QStringLiteral("FILE"));
    const QCommandLineOption add(QStringLiteral("add"), {}, QStringLiteral("GROUP"));
    const QCommandLineOption remove(QStringLiteral("remove"), {}, QStringLiteral("GROUP"));
    const QCommandLineOption lock(QStringLiteral("lock"));
    const QCommandLineOption unlock(QStringLiteral("unlock"));
    const TableChoice tables;
    line.AddOutput(out);
    line.AddRepeatable(add);
    line.AddRepeatable(remove);
    line.Add(lock);
    line.Add(unlock);
    tables.AddTo(line);
    if (auto problem = line.Parse(arguments))
        return Error(*problem);
    if (line.HelpAsked())
        return Usage();
    QString imagePath, outPath;
    QStringList indices;
    ProgTable table{};
    if (auto problem = ImageAndIndices(line, imagePath, indices))
        return Error(*problem);
    if (auto problem = OutPath(line, out, outPath))
        return Error(*problem);
    if (auto problem = tables.Chosen(line, table))
        return Error(*problem);

    // Joining a group clears its bit, leaving it sets it; locking clears
    // bit 0, unlocking sets it.
    FlagChange change;
    const auto addGroups = [&](const QCommandLineOption& option, FlagChange (*groupChange)(std::size_t)) {
        for (const QString& name : line.Parser().values(option)) {
            const std::optional<std::size_t> group = FavouriteGroupNamed(name);
            if (!group)
                return std::optional<QString>(line.Problem(
                    QStringLiteral("--%1 '%2': the groups are Movies, Music, Cartoons, News, Sport and Adult")
                        .arg(option.names().first(), name)));
            const FlagChange one = groupChange(*group);
            change.cleared |= one.cleared;
            change.set |= one.set;
        }
        return std::optional<QString>();
    };
    if (auto problem = addGroups(add, JoinGroup))
        return Error(*problem);
    if (auto problem = addGroups(remove, LeaveGroup))
        return Error(*problem);
    for (std::size_t group = 0; group < kFavouriteGroupNames.size(); ++group)
        if (change.cleared & change.set & FavouriteGroupBit(group))
            return Error(line.Problem(QStringLiteral("%1 is both added and removed")
                                          .arg(QLatin1StringView(kFavouriteGroupNames[group].data(),
                                                                 qsizetype(kFavouriteGroupNames[group].size())))));
    if (line.IsSet(lock) && line.IsSet(unlock))
        return Error(line.Problem(QStringLiteral("give only one of --lock and --unlock")));
    if (line.IsSet(lock))
        change.cleared |= Lock().cleared;
    if (line.IsSet(unlock))
        change.set |= Unlock().set;
    if (change.cleared == 0 && change.set == 0)
        return Error(line.Problem(QStringLiteral("no change given: --add GROUP, --remove GROUP, --lock or --unlock")));

    Image image;
    if (auto failed = LoadImage(imagePath, image))
        return *failed;
    std::vector<std::uint32_t> positions;
    if (auto problem = ProgramPositions(line, imagePath, *image.db, table, indices, positions))
        return Error(*problem);
    std::vector<ProgramEntry> programs;
    for (const std::uint32_t position : positions)
        programs.push_back({table, position});
    const ChangeOutcome outcome = ChangeProgramFlags(*image.flash, *image.db, programs, change);
    if (!outcome.done)
        return RefusedArrangement(line, outcome);
    return Written(line, outPath, image);
}

} // namespace korvex::cli
