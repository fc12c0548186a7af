#pragma once
// Lookups by identifier over the loaded database and the image.

#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace korvex {

inline constexpr std::uint16_t kNoSatIndex = 0xFFFF;

// Copies, in table order, every transponder whose 14-bit satId equals satId
// into dest from index 0, stopping when dest is full. Elements past those
// copied are left as they were. Returns how many were copied.
std::size_t CollectSatTps(const ChannelDatabase& db, std::span<TpRecord> dest, std::uint16_t satId);

// Copies every program of allProgs (TV before radio, each in table order)
// whose tpId equals tpId into dest, stopping when dest is full. Returns how
// many were copied.
std::size_t CollectTpProgs(const ChannelDatabase& db, std::span<ProgRecord> dest, std::uint16_t tpId);

// The index in sats of the first satellite whose satId, read from the image,
// equals satId; kNoSatIndex when there is none or the satellite table is
// missing.
std::uint16_t FindSatIndex(const FlashImage& image, std::uint16_t satId);

// The name bytes of every satellite and program, as NameView gives them: what
// tells which charset the image's names are in.
std::vector<std::string_view> RecordNames(const ChannelDatabase& db);

} // namespace korvex
