#include "db/Encoders.h"

#include "db/RecordCodec.h"

namespace korvex {
namespace {

bool SetFlagInBlock(FlashImage& image, BlockId blockId, std::uint32_t entryWord, std::uint8_t newFlag)
{
    const FoundBlock block = FindBlock(image, blockId);
    const std::uint32_t entries = block.EntriesInsideBuffer();
    for (std::uint32_t k = 0; k < entries; ++k) {
        if (EntryWordAt(image, block, k) == entryWord)
            return SetEntryFlagAt(image, block, k, newFlag);
    }
    return false;
}

} // namespace

bool EncodeSat(FlashImage& image, const SatRecord& sat)
{
    const auto out = image.Region<kSatRecordSize>(RecordOffsetOf(sat.entryWord));
    if (!out)
        return false;
    WriteSat(sat, *out);
    return true;
}

bool EncodeTp(FlashImage& image, const TpRecord& tp)
{
    const auto out = image.Region<kTpRecordSize>(RecordOffsetOf(tp.entryWord));
    if (!out)
        return false;
    WriteTp(tp, *out);
    return true;
}

bool EncodeProg(FlashImage& image, const ProgRecord& prog, std::uint32_t radioMode)
{
    const auto out = image.Region<kProgRecordSize>(RecordOffsetOf(prog.entryWord));
    if (!out)
        return false;
    WriteProg(prog, *out);
    const auto flag = static_cast<std::uint8_t>((FlagByteOf(prog.entryWord) & 0x80) |
                                                (prog.unlocked & 0x01) | (prog.favBits & 0x7E));
    return UpdateProgFlags(image, prog.entryWord, flag, radioMode);
}

bool UpdateProgFlags(FlashImage& image, std::uint32_t entryWord, std::uint8_t newFlag,
                     std::uint32_t radioMode)
{
    const BlockId selected = radioMode == 0 ? BlockId::TvPrograms : BlockId::RadioPrograms;
    const BlockId other = radioMode == 0 ? BlockId::RadioPrograms : BlockId::TvPrograms;
    return SetFlagInBlock(image, selected, entryWord, newFlag) ||
           SetFlagInBlock(image, other, entryWord, newFlag);
}

} // namespace korvex
