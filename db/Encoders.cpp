#include "db/Encoders.h"

#include "db/RecordCodec.h"

namespace korvex {
namespace {

bool BelowFlashSize(const FlashImage& image, std::uint64_t offset, std::uint64_t size)
{
    return offset + size <= image.flashSize;
}

} // namespace

bool IsSavable(const FlashImage& image, const SatRecord& sat)
{
    return BelowFlashSize(image, RecordOffsetOf(sat.entryWord), kSatRecordSize);
}

bool IsSavable(const FlashImage& image, const TpRecord& tp)
{
    return BelowFlashSize(image, RecordOffsetOf(tp.entryWord), kTpRecordSize);
}

bool IsSavable(const FlashImage& image, const ProgRecord& prog)
{
    const std::optional<std::uint32_t> entry = OwnEntryOffset(image, prog);
    return BelowFlashSize(image, RecordOffsetOf(prog.entryWord), kProgRecordSize) && entry &&
           BelowFlashSize(image, *entry, kEntrySize);
}

std::optional<std::uint32_t> OwnEntryOffset(const FlashImage& image, const ProgRecord& prog)
{
    const FoundBlock block =
        FindBlock(image, prog.table == ProgTable::Tv ? BlockId::TvPrograms : BlockId::RadioPrograms);
    const std::optional<std::uint32_t> word = EntryWordAt(image, block, prog.tableIndex);
    if (!word || RecordOffsetOf(*word) != RecordOffsetOf(prog.entryWord))
        return std::nullopt;
    return static_cast<std::uint32_t>(block.offset + kBlockHeaderSize + std::uint64_t{kEntrySize} * prog.tableIndex);
}

bool EncodeSat(FlashImage& image, const SatRecord& sat)
{
    const auto out = image.Region<kSatRecordSize>(RecordOffsetOf(sat.entryWord));
    if (!out || !IsSavable(image, sat))
        return false;
    WriteSat(sat, *out);
    return true;
}

bool EncodeTp(FlashImage& image, const TpRecord& tp)
{
    const auto out = image.Region<kTpRecordSize>(RecordOffsetOf(tp.entryWord));
    if (!out || !IsSavable(image, tp))
        return false;
    WriteTp(tp, *out);
    return true;
}

bool EncodeProg(FlashImage& image, const ProgRecord& prog)
{
    const auto out = image.Region<kProgRecordSize>(RecordOffsetOf(prog.entryWord));
    if (!out || !IsSavable(image, prog))
        return false;
    WriteProg(prog, *out);
    const auto flag = static_cast<std::uint8_t>((FlagByteOf(prog.entryWord) & 0x80) |
                                                (prog.unlocked & 0x01) | (prog.favBits & 0x7E));
    return UpdateProgFlags(image, prog, flag);
}

bool UpdateProgFlags(FlashImage& image, const ProgRecord& prog, std::uint8_t newFlag)
{
    const std::optional<std::uint32_t> entry = OwnEntryOffset(image, prog);
    if (!entry || !BelowFlashSize(image, *entry, kEntrySize))
        return false;
    const auto bytes = image.Region<kEntrySize>(*entry);
    if (!bytes)
        return false;
    (*bytes)[0] = newFlag;
    return true;
}

} // namespace korvex
