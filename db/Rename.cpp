#include "db/Rename.h"

#include "db/RecordCodec.h"
#include "db/WriteGuard.h"

#include <algorithm>
#include <map>
#include <vector>

namespace korvex {
// Records are held in entry order: the entry's position is found by halving.
const ProgRecord* HeldProgram(const ChannelDatabase& db, const ProgramEntry& entry)
{
    const std::span<const ProgRecord> programs = entry.table == ProgTable::Tv ? db.TvProgs() : db.RadioProgs();
    const auto it = std::lower_bound(programs.begin(), programs.end(), entry.position,
                                     [](const ProgRecord& p, std::uint32_t k) { return p.tableIndex < k; });
    return it != programs.end() && it->tableIndex == entry.position ? &*it : nullptr;
}

ChangeOutcome RenamePrograms(FlashImage& image, const ChannelDatabase& db, std::span<const ProgramRename> renames)
{
    if (!GuardOf(image))
        return ChangeOutcome::Refused(kNotLoadedText);
    std::vector<ByteSpan> owned;
    owned.reserve(renames.size());
    // A record behind several entries takes one name: the same for each of
    // its entries, or none.
    std::map<std::uint64_t, const ProgramRename*> nameOfRecord;
    for (const ProgramRename& rename : renames) {
        const ProgRecord* prog = HeldProgram(db, rename.program);
        if (!prog)
            return ChangeOutcome::Refused(kNoSuchProgramText);
        if (rename.name.size() > kNameBytes)
            return ChangeOutcome::Refused(kNameTooLongText);
        if (std::string_view why = WriteRefusal(image, *prog); !why.empty())
            return ChangeOutcome::Refused(why);
        const std::uint64_t at = RecordOffsetOf(prog->entryWord) + kProgNameOffset;
        const auto [first, added] = nameOfRecord.try_emplace(at, &rename);
        if (!added && first->second->name != rename.name)
            return ChangeOutcome::Refused(kOneRecordTwoNamesText);
        owned.push_back({at, at + kNameBytes});
    }
    const std::string_view broken = WriteThenVerify(image, owned, [&](FlashImage& target) {
        for (std::size_t k = 0; k < renames.size(); ++k) {
            const auto field = target.Region<kNameBytes>(owned[k].begin);
            NameBytes name;
            std::ranges::copy(*field, name.begin());
            StoreNameBytes(name, renames[k].name);
            std::ranges::copy(name, field->begin());
        }
    });
    if (!broken.empty())
        return ChangeOutcome::Refused(broken);
    return ChangeOutcome::Written();
}

} // namespace korvex
