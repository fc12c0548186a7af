#include "ui/list/KindSelection.h"

#include "ui/list/ChannelListModel.h"

namespace korvex {
namespace {

std::uint64_t KeyOf(const ChannelDatabase& db, const CleanUpRecord& record)
{
    switch (record.table) {
    case BlockId::Satellites: return ChannelListModel::SatelliteKey(db.sats[record.index]);
    case BlockId::Transponders: return ChannelListModel::TransponderKey(db.tps[record.index]);
    case BlockId::TvPrograms: return ChannelListModel::ProgramKey(db.tvProgs[record.index]);
    case BlockId::RadioPrograms: return ChannelListModel::ProgramKey(db.radioProgs[record.index]);
    }
    return 0;
}

template <typename Test>
std::vector<std::uint64_t> ProgramKeys(const ChannelDatabase& db, Test test)
{
    std::vector<std::uint64_t> keys;
    for (const ProgRecord& prog : db.AllProgs())
        if (test(prog))
            keys.push_back(ChannelListModel::ProgramKey(prog));
    return keys;
}

} // namespace

std::vector<std::uint64_t> CleanUpKindKeys(const FlashImage& image, const ChannelDatabase& db, CleanUpKind kind)
{
    const CleanUpAnalysis analysis = AnalyseCleanUp(db);
    std::vector<std::uint64_t> keys;
    if (kind != CleanUpKind::LeftEmpty) {
        for (const CleanUpCandidate& candidate : analysis.Of(kind))
            keys.push_back(KeyOf(db, candidate.record));
        return keys;
    }
    for (const CleanUpItem& item : PlanCleanUp(image, db, analysis, CleanUpChoices{}).items)
        if (item.candidate.kind == CleanUpKind::LeftEmpty)
            keys.push_back(KeyOf(db, item.candidate.record));
    return keys;
}

std::vector<std::uint64_t> LockedKeys(const ChannelDatabase& db)
{
    return ProgramKeys(db, [](const ProgRecord& prog) { return prog.unlocked == 0; });
}

std::vector<std::uint64_t> GroupKeys(const ChannelDatabase& db, std::size_t group)
{
    return ProgramKeys(db, [group](const ProgRecord& prog) { return InFavouriteGroup(prog.favBits, group); });
}

} // namespace korvex
