#pragma once
// What the channel list shows and which record each of its rows stands for.
// The tree selection, the tab strip, the edit dispatch and the editors all
// read it; FillList writes it.

#include "db/ChannelDatabase.h"
#include "db/RecordCodec.h"

#include <array>
#include <cstdint>

namespace korvex {

inline constexpr std::size_t kMaxListRows = 5000;
inline constexpr std::size_t kMaxTpTvProgs = 2500;
inline constexpr std::size_t kMaxTpRadioProgs = 1000;
inline constexpr std::size_t kTpProgBufferSize = 500;

// What the list shows. The numbers are the list types' own and stay as they
// are (there is no 3).
enum class ListType : std::uint32_t {
    Satellites = 0,       // every satellite
    SatTransponders = 1,  // the transponders of the satellite chosen in the tree
    AllPrograms = 2,      // every program of the current tab
    TpPrograms = 4,       // the programs of the transponder chosen in the tree
};

struct ListState {
    // Named as the type is: the member is spelt with the namespace.
    korvex::ListType ListType = korvex::ListType::Satellites;
    // Row r shows the record at RowMap[r] of the array its editor reads:
    // sats, satTps, tvProgs/radioProgs or tpTvProgs/tpRadioProgs.
    std::array<std::uint16_t, kMaxListRows> RowMap{};
    // For the list of all programs: which table RowMap[r] indexes. Under the
    // Radio tab a TV-table program without video is listed too, and it lives
    // in tvProgs, not radioProgs.
    std::array<ProgTable, kMaxListRows> RowTable{};
    std::uint16_t CurrentRow = 0;
    std::uint32_t RecordEdited = 0;
    std::uint32_t radioMode = 0;  // 0 TV tab, 1 Radio tab
    std::array<ProgRecord, kMaxTpTvProgs> tpTvProgs{};
    std::array<ProgRecord, kMaxTpRadioProgs> tpRadioProgs{};
};

} // namespace korvex
