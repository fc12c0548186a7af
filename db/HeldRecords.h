#pragma once
// Walking a table's directory entries the way the loader holds records. Shared
// by the loader and by the lookups that work on the image, so that "the k-th
// satellite" means the same record in both.

#include "db/BigEndian.h"
#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvex {

// Visits, in entry order, each record whose entry and whole record lie inside
// the buffer, until `capacity` records have been visited or visit returns
// false. Entries or records outside the buffer are skipped; entries past the
// capacity are dropped. visit(entryIndex, entryWord, recordBytes) -> bool.
template <std::size_t RecordSize, typename Visit>
TableAccount WalkHeldRecords(const FlashImage& image, BlockId blockId, std::size_t capacity,
                             Visit&& visit)
{
    TableAccount account;
    const FoundBlock block = FindBlock(image, blockId);
    if (!block.Found())
        return account;
    account.blockFound = true;
    account.entryCount = block.header.entryCount;

    const std::span<const std::uint8_t> entries = EntryBytesOf(image, block);
    std::size_t held = 0;
    for (std::uint32_t k = 0; k < block.header.entryCount; ++k) {
        if (held == capacity) {
            account.dropped = block.header.entryCount - k;
            break;
        }
        const std::size_t at = std::size_t{k} * kEntrySize;
        if (at >= entries.size()) {
            // Entries are consecutive: once one runs past the buffer, all do.
            account.skipped += block.header.entryCount - k;
            break;
        }
        const std::uint32_t entryWord = LoadBe32(entries.subspan(at).template first<kEntrySize>());
        const auto record = image.template Region<RecordSize>(RecordOffsetOf(entryWord));
        if (!record) {
            ++account.skipped;
            continue;
        }
        ++held;
        if (!visit(k, entryWord, *record))
            break;
    }
    return account;
}

} // namespace korvex
