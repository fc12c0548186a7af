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

// ListType values.
inline constexpr std::uint32_t kListSatellites = 0;
inline constexpr std::uint32_t kListSatTransponders = 1;
inline constexpr std::uint32_t kListAllPrograms = 2;
inline constexpr std::uint32_t kListTpPrograms = 4;

struct ListState {
    std::uint32_t ListType = kListSatellites;
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
