#include "db/WriteInvariant.h"

#include "db/RecordCodec.h"

#include <algorithm>
#include <cstring>

namespace korvex {
namespace {

std::vector<ByteSpan> RecordSpan(std::uint32_t entryWord, std::uint32_t size)
{
    const std::uint64_t at = RecordOffsetOf(entryWord);
    return {{at, at + size}};
}

} // namespace

std::vector<ByteSpan> OwnedByEdit(const FlashImage&, const SatRecord& sat)
{
    return RecordSpan(sat.entryWord, kSatRecordSize);
}

std::vector<ByteSpan> OwnedByEdit(const FlashImage&, const TpRecord& tp)
{
    return RecordSpan(tp.entryWord, kTpRecordSize);
}

std::vector<ByteSpan> OwnedByEdit(const FlashImage& image, const ProgRecord& prog)
{
    std::vector<ByteSpan> owned = RecordSpan(prog.entryWord, kProgRecordSize);
    if (const WriteGuard* guard = GuardOf(image)) {
        const std::uint64_t at =
            guard->EntryOffset(BlockOf(prog.table),
                               prog.tableIndex);
        owned.push_back({at, at + 1});
    }
    return owned;
}

std::vector<ByteSpan> OwnedByArranging(const FlashImage& image, BlockId block)
{
    const WriteGuard* guard = GuardOf(image);
    if (!guard)
        return {};
    const FoundBlock& found = guard->LoadedLandmarks().blocks[static_cast<std::size_t>(block)];
    if (!found.Found())
        return {};
    const std::uint64_t count = std::uint64_t{found.offset} + 8;
    return {{count, count + 4},
            {guard->EntryOffset(block, 0), guard->EntryOffset(block, found.header.entryCount)}};
}

std::string InvariantBreach(FlashImage& image, std::span<const std::uint8_t> before, const Landmarks& landmarks,
                            std::span<const ByteSpan> owned)
{
    const auto owns = [&](std::uint64_t at) {
        return std::any_of(owned.begin(), owned.end(), [&](const ByteSpan& span) { return at >= span.begin && at < span.end; });
    };
    Landmarks now = Landmarks::Of(image);
    // An arrangement that owns a header's entryCount may change that count
    // (a delete shrinks the table); nothing else of a header may change.
    for (std::size_t id = 0; id < now.blocks.size(); ++id)
        if (now.blocks[id].offset == landmarks.blocks[id].offset && owns(std::uint64_t{now.blocks[id].offset} + 8))
            now.blocks[id].header.entryCount = landmarks.blocks[id].header.entryCount;
    if (!(now == landmarks))
        return "the layout or a block is no longer found as before";
    // Most of the image is unchanged: whole chunks are compared first, and
    // bytes one by one only inside a chunk that differs.
    constexpr std::size_t kChunk = 4096;
    const std::size_t size = std::min<std::size_t>(before.size(), image.bytes.size());
    for (std::size_t chunk = 0; chunk < size; chunk += kChunk) {
        const std::size_t end = std::min(size, chunk + kChunk);
        if (std::memcmp(image.bytes.data() + chunk, before.data() + chunk, end - chunk) == 0)
            continue;
        for (std::size_t i = chunk; i < end; ++i)
            if (image.bytes[i] != before[i] && !owns(i))
                return "byte " + std::to_string(i) + " changed outside what the write owns";
    }
    return {};
}

} // namespace korvex
