#include "ui/list/RecordNames.h"

#include "db/ChannelMatch.h"
#include "text/ShownText.h"
#include "ui/list/ChannelListModel.h"

#include <QStringList>

namespace korvex {

QString ProgramNumber::Text() const
{
    return (radioTab ? QStringLiteral("Radio %1") : QStringLiteral("TV %1")).arg(number);
}

RecordNames::RecordNames(const ChannelDatabase& db, const NameCharset& names) : db_(db), names_(names)
{
    // The list of all programs goes through the TV table, then the radio
    // table, and lists a program under the TV tab when it has video.
    std::uint32_t shown[2] = {0, 0};
    for (const ProgRecord& prog : db.AllProgs()) {
        const bool radioTab = prog.videoPid == 0;
        auto& numbers = programs_[prog.table == ProgTable::Tv ? 0 : 1];
        if (prog.tableIndex >= numbers.size())
            numbers.resize(prog.tableIndex + 1);
        numbers[prog.tableIndex] = {radioTab, ++shown[radioTab ? 1 : 0]};
    }
    // The tree puts under each satellite, in table order, the transponders
    // with its satId.
    const RecordsById ids(db);
    tpPlace_.assign(db.Tps().size(), kNone);
    tpSatellite_.assign(db.Tps().size(), kNone);
    std::vector<std::uint32_t> placed(db.Sats().size(), 0);
    for (std::size_t t = 0; t < db.Tps().size(); ++t) {
        const std::uint32_t sat = ids.SatelliteOf(db.Tps()[t]);
        if (sat == kNoMatch || sat >= placed.size())
            continue;
        tpSatellite_[t] = sat;
        tpPlace_[t] = placed[sat]++;
    }
}

ProgramNumber RecordNames::Program(ProgTable table, std::uint32_t position) const
{
    const auto& numbers = programs_[table == ProgTable::Tv ? 0 : 1];
    return position < numbers.size() ? numbers[position] : ProgramNumber{table == ProgTable::Radio, 0};
}

QString RecordNames::Satellite(std::size_t index) const
{
    return index < db_.Sats().size() ? SatelliteLabel(index, NameText(db_.Sats()[index].satName, names_)) : QString();
}

QString RecordNames::Transponder(std::size_t index) const
{
    if (index >= db_.Tps().size())
        return {};
    const unsigned frequency = db_.Tps()[index].frequency;
    // A transponder no satellite holds stands in no tree: its frequency alone.
    return tpPlace_[index] == kNone ? QString::number(frequency) : TransponderLabel(tpPlace_[index], frequency);
}

QString RecordNames::SatelliteOfTransponder(std::size_t index) const
{
    return index < tpSatellite_.size() && tpSatellite_[index] != kNone ? Satellite(tpSatellite_[index]) : QString();
}

QString RecordNames::SatelliteLabel(std::size_t index, const QString& name)
{
    return QStringLiteral("%1_%2").arg(index).arg(name);
}

QString RecordNames::TransponderLabel(std::size_t place, unsigned frequency)
{
    return QStringLiteral("%1_%2").arg(place).arg(frequency);
}

} // namespace korvex
