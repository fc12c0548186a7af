#pragma once
// Edit → Select: the records of one kind, by the keys the channel list knows
// its rows by (ChannelListModel::RowKey), so that the rows the list shows of
// them can be selected and then deleted, moved, given favourites or locked.
// The clean-up kinds are those of Tools → "Clean up…"; Left empty is what
// deleting the duplicates and strays would leave empty, as the clean-up
// deletes by default.

#include "db/ChannelDatabase.h"
#include "db/CleanUp.h"
#include "db/FlashImage.h"

#include <cstdint>
#include <vector>

namespace korvex {

std::vector<std::uint64_t> CleanUpKindKeys(const FlashImage& image, const ChannelDatabase& db, CleanUpKind kind);
// Programs with the child lock on.
std::vector<std::uint64_t> LockedKeys(const ChannelDatabase& db);
// Programs in favourite group `group` (0 "Movies" to 5 "Adult").
std::vector<std::uint64_t> GroupKeys(const ChannelDatabase& db, std::size_t group);

} // namespace korvex
