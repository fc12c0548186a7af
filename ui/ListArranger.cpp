#include "ui/ListArranger.h"

#include "codepage/Utf16Text.h"
#include "db/LoadDatabase.h"

#include <algorithm>
#include <set>

namespace korvex {
namespace {

QString Plural(std::size_t n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1StringView(n == 1 ? one : many));
}

QString FromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

std::span<const ProgRecord> Table(const ChannelDatabase& db, ProgTable table)
{
    return table == ProgTable::Tv ? db.TvProgs() : db.RadioProgs();
}

} // namespace

bool ListArranger::ListsPrograms() const
{
    const std::uint32_t type = state_.list().ListType;
    return type == kListAllPrograms || type == kListTpPrograms;
}

std::optional<ProgTable> ListArranger::ListedTable() const
{
    return state_.list().radioMode == 0 ? ProgTable::Tv : ProgTable::Radio;
}

QString ListArranger::MoveRefusal(bool filtered) const
{
    const ListState& list = state_.list();
    if (list.ListType != kListAllPrograms)
        return QStringLiteral("Moving and sorting work in the list of all programs (AllPrograms).");
    if (filtered)
        return QStringLiteral("Clear the find field and show all rows to move or sort: the list shows only some "
                              "programs.");
    const ChannelDatabase& db = state_.database();
    // The TV tab lists the programs with video, the Radio tab those without;
    // the rows must be exactly every entry of one table.
    const auto withoutVideo = static_cast<std::size_t>(
        std::count_if(db.TvProgs().begin(), db.TvProgs().end(), [](const ProgRecord& p) { return p.videoPid == 0; }));
    if (withoutVideo > 0 && list.radioMode == 0)
        return QStringLiteral("The TV tab hides %1 of the TV table that have no video: the rows are not the whole table.")
            .arg(Plural(withoutVideo, "program", "programs"));
    if (withoutVideo > 0)
        return QStringLiteral("The Radio tab also lists %1 of the TV table without video: the rows are not one table.")
            .arg(Plural(withoutVideo, "program", "programs"));
    const ProgTable table = *ListedTable();
    if (Table(db, table).empty())
        return QStringLiteral("There are no programs to move.");
    if (const std::string why = ArrangeRefusal(state_.image(), db, BlockOf(table)); !why.empty())
        return QStringLiteral("Not safe to rearrange: %1.").arg(FromStd(why));
    return {};
}

std::vector<ProgramEntry> ListArranger::ProgramsOf(std::span<const int> rows) const
{
    const ListState& list = state_.list();
    const ChannelDatabase& db = state_.database();
    std::vector<ProgramEntry> programs;
    for (const int row : rows) {
        const std::size_t r = static_cast<std::size_t>(row) % kMaxListRows;
        const ProgRecord* prog = nullptr;
        if (list.ListType == kListAllPrograms) {
            const std::span<const ProgRecord> table = Table(db, list.RowTable[r]);
            if (list.RowMap[r] < table.size())
                prog = &table[list.RowMap[r]];
        } else if (list.ListType == kListTpPrograms) {
            if (list.radioMode == 0 && list.RowMap[r] < list.tpTvProgs.size())
                prog = &list.tpTvProgs[list.RowMap[r]];
            else if (list.radioMode != 0 && list.RowMap[r] < list.tpRadioProgs.size())
                prog = &list.tpRadioProgs[list.RowMap[r]];
        }
        if (prog)
            programs.push_back({prog->table, prog->tableIndex});
    }
    return programs;
}

ArrangeReport ListArranger::Reorder(ProgTable table, const std::vector<std::uint32_t>& order, const QString& done)
{
    const ChangeOutcome outcome = ReorderPrograms(state_.image(), state_.database(), table, order);
    if (!outcome.done)
        return {false, QStringLiteral("Not moved: %1.").arg(FromStd(outcome.refusal))};
    return {true, done};
}

namespace {

std::vector<std::uint32_t> Positions(const std::vector<ProgramEntry>& programs)
{
    std::vector<std::uint32_t> positions;
    for (const ProgramEntry& p : programs)
        positions.push_back(p.position);
    return positions;
}

} // namespace

ArrangeReport ListArranger::MoveByOne(std::span<const int> rows, int step)
{
    if (const QString why = MoveRefusal(false); !why.isEmpty())
        return {false, why};
    const ProgTable table = *ListedTable();
    const auto count = static_cast<std::uint32_t>(Table(state_.database(), table).size());
    const std::vector<std::uint32_t> positions = Positions(ProgramsOf(rows));
    return Reorder(table, OrderMovingByOne(count, positions, step),
                   QStringLiteral("Moved %1 %2.").arg(Plural(positions.size(), "program", "programs"),
                                                      step < 0 ? QStringLiteral("up") : QStringLiteral("down")));
}

ArrangeReport ListArranger::MoveTo(std::span<const int> rows, int programNumber)
{
    if (const QString why = MoveRefusal(false); !why.isEmpty())
        return {false, why};
    const ProgTable table = *ListedTable();
    const auto count = static_cast<std::uint32_t>(Table(state_.database(), table).size());
    const std::vector<std::uint32_t> positions = Positions(ProgramsOf(rows));
    const auto to = static_cast<std::uint32_t>(std::max(programNumber, 1) - 1);
    return Reorder(table, OrderMovingTo(count, positions, to),
                   QStringLiteral("Moved %1 to number %2.")
                       .arg(Plural(positions.size(), "program", "programs"))
                       .arg(std::min<std::size_t>(to, count - positions.size()) + 1));
}

ArrangeReport ListArranger::MoveBefore(std::span<const int> rows, int beforeRow)
{
    const std::set<int> moved(rows.begin(), rows.end());
    int unmovedBefore = 0;
    for (int r = 0; r < beforeRow; ++r)
        unmovedBefore += moved.contains(r) ? 0 : 1;
    return MoveTo(rows, unmovedBefore + 1);
}

ArrangeReport ListArranger::Sort(SortKey key)
{
    if (const QString why = MoveRefusal(false); !why.isEmpty())
        return {false, why};
    const ProgTable table = *ListedTable();
    const NameCharset& charset = state_.nameCharset().charset;
    const NameSortKey folded = [&charset](const NameBytes& name) {
        return CaseFolded(charset.Decode(NameView(name)));
    };
    const char* by = key == SortKey::Name ? "name" : key == SortKey::ServiceId ? "service ID" : "satellite";
    return Reorder(table, OrderSortedBy(state_.database(), table, key, folded),
                   QStringLiteral("Sorted the %1 programs by %2.")
                       .arg(table == ProgTable::Tv ? QStringLiteral("TV") : QStringLiteral("radio"),
                            QLatin1StringView(by)));
}

ArrangeReport ListArranger::Delete(std::span<const int> rows)
{
    if (rows.empty())
        return {false, QStringLiteral("Nothing is selected.")};
    switch (state_.list().ListType) {
    case kListAllPrograms:
    case kListTpPrograms:
        return DeletePrograms(rows);
    case kListSatellites:
        return DeleteSatellites(rows);
    case kListSatTransponders:
        return DeleteTransponders(rows);
    default:
        return {false, QStringLiteral("Nothing to delete here.")};
    }
}

ArrangeReport ListArranger::DeletePrograms(std::span<const int> rows)
{
    FlashImage& image = state_.image();
    const ChannelDatabase& db = state_.database();
    std::vector<std::uint32_t> tv, radio;
    for (const ProgramEntry& p : ProgramsOf(rows))
        (p.table == ProgTable::Tv ? tv : radio).push_back(p.position);
    // Both tables are checked before either is written: one action, whole or
    // not at all.
    for (const auto& [positions, table] : {std::pair{&tv, ProgTable::Tv}, std::pair{&radio, ProgTable::Radio}}) {
        if (positions->empty())
            continue;
        if (const std::string why = ArrangeRefusal(image, db, BlockOf(table)); !why.empty())
            return {false, QStringLiteral("Not deleted: %1.").arg(FromStd(why))};
    }
    for (const auto& [positions, table] : {std::pair{&tv, ProgTable::Tv}, std::pair{&radio, ProgTable::Radio}}) {
        if (positions->empty())
            continue;
        const ChangeOutcome outcome = korvex::DeletePrograms(image, db, table, *positions);
        if (!outcome.done)
            return {false, QStringLiteral("Not deleted: %1.").arg(FromStd(outcome.refusal))};
    }
    return {true, QStringLiteral("Deleted %1.").arg(Plural(tv.size() + radio.size(), "program", "programs"))};
}

namespace {

// What a cascade removed and kept, added up over several deletions.
struct CascadeTotals {
    std::array<std::uint32_t, 4> removed{};
    std::uint32_t keptTransponders = 0;
    std::uint32_t keptPrograms = 0;

    void Add(const ChangeOutcome& outcome)
    {
        for (std::size_t i = 0; i < removed.size(); ++i)
            removed[i] += outcome.removed[i];
        keptTransponders += outcome.keptTransponders;
        keptPrograms += outcome.keptPrograms;
    }

    QString Text() const
    {
        QStringList parts;
        if (removed[0] > 0)
            parts << Plural(removed[0], "satellite", "satellites");
        if (removed[1] > 0)
            parts << Plural(removed[1], "transponder", "transponders");
        if (removed[2] > 0)
            parts << Plural(removed[2], "TV program", "TV programs");
        if (removed[3] > 0)
            parts << Plural(removed[3], "radio program", "radio programs");
        QString text = QStringLiteral("Deleted %1.").arg(parts.join(QStringLiteral(", ")));
        QStringList kept;
        if (keptTransponders > 0)
            kept << Plural(keptTransponders, "transponder", "transponders");
        if (keptPrograms > 0)
            kept << Plural(keptPrograms, "program", "programs");
        if (!kept.isEmpty())
            text += QStringLiteral(" Kept %1 that another satellite or transponder with the same ID still claims.")
                        .arg(kept.join(QStringLiteral(" and ")));
        return text;
    }
};

} // namespace

ArrangeReport ListArranger::DeleteSatellites(std::span<const int> rows)
{
    FlashImage& image = state_.image();
    ChannelDatabase& db = state_.database();
    const ListState& list = state_.list();
    // Each deletion moves the entries after it, so the satellites are found
    // again by their record's offset after each one.
    std::vector<std::uint32_t> offsets;
    for (const int row : rows) {
        const std::uint16_t s = list.RowMap[static_cast<std::size_t>(row) % kMaxListRows];
        if (s < db.numSats)
            offsets.push_back(RecordOffsetOf(db.sats[s].entryWord));
    }
    CascadeTotals totals;
    for (const std::uint32_t offset : offsets) {
        const auto sats = db.Sats();
        const auto it = std::find_if(sats.begin(), sats.end(),
                                     [offset](const SatRecord& s) { return RecordOffsetOf(s.entryWord) == offset; });
        if (it == sats.end())
            continue;  // already gone with an earlier one of the same id
        const ChangeOutcome outcome = DeleteSatellite(image, db, static_cast<std::size_t>(it - sats.begin()));
        if (!outcome.done)
            return {false, QStringLiteral("Not deleted: %1.").arg(FromStd(outcome.refusal))};
        totals.Add(outcome);
        LoadDatabase(image, db);
    }
    return {true, totals.Text()};
}

ArrangeReport ListArranger::DeleteTransponders(std::span<const int> rows)
{
    FlashImage& image = state_.image();
    ChannelDatabase& db = state_.database();
    const ListState& list = state_.list();
    std::vector<std::uint32_t> offsets;
    for (const int row : rows) {
        const std::uint16_t t = list.RowMap[static_cast<std::size_t>(row) % kMaxListRows];
        if (t < db.satTps.size())
            offsets.push_back(RecordOffsetOf(db.satTps[t].entryWord));
    }
    CascadeTotals totals;
    for (const std::uint32_t offset : offsets) {
        const auto tps = db.Tps();
        const auto it = std::find_if(tps.begin(), tps.end(),
                                     [offset](const TpRecord& t) { return RecordOffsetOf(t.entryWord) == offset; });
        if (it == tps.end())
            continue;
        const ChangeOutcome outcome = DeleteTransponder(image, db, static_cast<std::size_t>(it - tps.begin()));
        if (!outcome.done)
            return {false, QStringLiteral("Not deleted: %1.").arg(FromStd(outcome.refusal))};
        totals.Add(outcome);
        LoadDatabase(image, db);
    }
    return {true, totals.Text()};
}

QString NotChangedText(const std::string& refusal)
{
    // The guard's reasons are whole sentences; the arranging code's own are
    // not.
    QString reason = FromStd(refusal);
    if (!reason.endsWith(QLatin1Char('.')))
        reason += QLatin1Char('.');
    return QStringLiteral("Not changed: %1").arg(reason);
}

ArrangeReport ListArranger::ChangeFlags(std::span<const int> rows, FlagChange change, const QString& what)
{
    const std::vector<ProgramEntry> programs = ProgramsOf(rows);
    if (programs.empty())
        return {false, QStringLiteral("No program is selected.")};
    const ChangeOutcome outcome = ChangeProgramFlags(state_.image(), state_.database(), programs, change);
    if (!outcome.done)
        return {false, NotChangedText(outcome.refusal)};
    return {true, what.arg(Plural(programs.size(), "program", "programs"))};
}

} // namespace korvex
