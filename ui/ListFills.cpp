#include "ui/ListFills.h"

#include "db/Queries.h"

#include <algorithm>
#include <array>
#include <span>

namespace korvex {

QString ListFills::Fill(ListType listType, std::uint16_t selectedSat, std::uint16_t selectedTp)
{
    ListState& list = state_.list();
    std::ranges::fill(state_.database().satTps, TpRecord{});
    list.RowMap.fill(0);
    list.RowTable.fill(ProgTable::Tv);
    list.ListType = listType;

    switch (listType) {
    case ListType::Satellites:
        model_.SetColumns(SatelliteColumns());
        return FillSatellites();
    case ListType::SatTransponders:
        model_.SetColumns(TransponderColumns());
        FillSatTransponders(selectedSat);
        break;
    case ListType::AllPrograms:
        model_.SetColumns(ProgramColumns());
        FillAllPrograms();
        break;
    case ListType::TpPrograms:
        model_.SetColumns(ProgramColumns());
        FillTpPrograms(selectedTp);
        break;
    }
    return {};
}

bool ListFills::PassesTabFilter(const ProgRecord& prog) const
{
    return state_.list().radioMode == 0 ? prog.videoPid != 0 : prog.videoPid == 0;
}

QString ListFills::FillSatellites()
{
    const ChannelDatabase& db = state_.database();
    ListState& list = state_.list();
    // A coded LNB value without a name stops the list at that satellite. The
    // row still opens its own satellite, so the user can repair it.
    constexpr int kCellsBeforeLnbType = 3;
    constexpr int kCellsBeforeLnbPower = 4;
    for (std::uint16_t i = 0; i < db.numSats; ++i) {
        const SatRecord& sat = db.sats[i];
        list.RowMap[i] = i;
        if (CodedValueName(kLnbTypeNames, sat.lnbType).empty()) {
            model_.AppendSatellite(sat, i, kCellsBeforeLnbType);
            return QStringLiteral("LNB Type is error!");
        }
        if (CodedValueName(kLnbPowerNames, sat.lnbPower).empty()) {
            model_.AppendSatellite(sat, i, kCellsBeforeLnbPower);
            return QStringLiteral("LNB Power is error!");
        }
        model_.AppendSatellite(sat, i, static_cast<int>(SatelliteColumns().size()));
    }
    return {};
}

void ListFills::FillSatTransponders(std::uint16_t selectedSat)
{
    ChannelDatabase& db = state_.database();
    ListState& list = state_.list();
    if (selectedSat >= kMaxSats)
        return;
    const std::size_t count = CollectSatTps(db, db.satTps, db.sats[selectedSat].satId);
    for (std::size_t i = 0; i < count; ++i) {
        model_.AppendTransponder(db.satTps[i]);
        list.RowMap[i] = static_cast<std::uint16_t>(i);
    }
}

void ListFills::FillAllPrograms()
{
    const ChannelDatabase& db = state_.database();
    ListState& list = state_.list();
    std::size_t row = 0;
    for (std::uint16_t k = 0; k < db.numProgs && row < kMaxListRows; ++k) {
        const ProgRecord& prog = db.allProgs[k];
        if (!PassesTabFilter(prog))
            continue;
        model_.AppendProgram(prog);
        // allProgs holds the TV table, then the radio table.
        if (k < db.numTv) {
            list.RowMap[row] = k;
            list.RowTable[row] = ProgTable::Tv;
        } else {
            list.RowMap[row] = static_cast<std::uint16_t>(k - db.numTv);
            list.RowTable[row] = ProgTable::Radio;
        }
        ++row;
    }
}

void ListFills::FillTpPrograms(std::uint16_t selectedTp)
{
    const ChannelDatabase& db = state_.database();
    ListState& list = state_.list();
    if (selectedTp >= kMaxTps)
        return;
    std::array<ProgRecord, kTpProgBufferSize> collected;
    const std::size_t count = CollectTpProgs(db, collected, db.tps[selectedTp].tpId);
    const bool radio = list.radioMode != 0;
    const std::span<ProgRecord> view = radio ? std::span<ProgRecord>(list.tpRadioProgs)
                                             : std::span<ProgRecord>(list.tpTvProgs);
    std::size_t row = 0;
    for (std::size_t i = 0; i < count && row < view.size(); ++i) {
        if (!PassesTabFilter(collected[i]))
            continue;
        view[row] = collected[i];
        model_.AppendProgram(view[row]);
        list.RowMap[row] = static_cast<std::uint16_t>(row);
        list.RowTable[row] = radio ? ProgTable::Radio : ProgTable::Tv;
        ++row;
    }
}

} // namespace korvex
