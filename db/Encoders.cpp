#include "db/Encoders.h"

#include "db/RecordCodec.h"
#include "db/WriteGuard.h"

namespace korvex {
namespace {

BlockId BlockOfProgram(const ProgRecord& prog)
{
    return prog.table == ProgTable::Tv ? BlockId::TvPrograms : BlockId::RadioPrograms;
}

// Writes one record's bytes through the guard: refused records are not
// touched, and a write that would move the directory is undone.
template <std::size_t Size, typename Record, void (*Write)(const Record&, std::span<std::uint8_t, Size>)>
bool GuardedRecordWrite(FlashImage& image, const Record& record)
{
    if (!IsWritable(image, record))
        return false;
    const std::uint64_t at = RecordOffsetOf(record.entryWord);
    const ByteSpan owned[] = {{at, at + Size}};
    return WriteThenVerify(
               image, owned,
               [](FlashImage& target, const void* context) {
                   const Record& r = *static_cast<const Record*>(context);
                   Write(r, *target.Region<Size>(RecordOffsetOf(r.entryWord)));
               },
               &record)
        .empty();
}

} // namespace

bool IsSavable(const FlashImage& image, const SatRecord& sat) { return IsWritable(image, sat); }
bool IsSavable(const FlashImage& image, const TpRecord& tp) { return IsWritable(image, tp); }
bool IsSavable(const FlashImage& image, const ProgRecord& prog) { return IsWritable(image, prog); }

std::optional<std::uint32_t> OwnEntryOffset(const FlashImage& image, const ProgRecord& prog)
{
    const FoundBlock block = FindBlock(image, BlockOfProgram(prog));
    const std::optional<std::uint32_t> word = EntryWordAt(image, block, prog.tableIndex);
    if (!word || RecordOffsetOf(*word) != RecordOffsetOf(prog.entryWord))
        return std::nullopt;
    return static_cast<std::uint32_t>(block.offset + kBlockHeaderSize + std::uint64_t{kEntrySize} * prog.tableIndex);
}

bool EncodeSat(FlashImage& image, const SatRecord& sat)
{
    return GuardedRecordWrite<kSatRecordSize, SatRecord, WriteSat>(image, sat);
}

bool EncodeTp(FlashImage& image, const TpRecord& tp)
{
    return GuardedRecordWrite<kTpRecordSize, TpRecord, WriteTp>(image, tp);
}

bool EncodeProg(FlashImage& image, const ProgRecord& prog)
{
    if (!GuardedRecordWrite<kProgRecordSize, ProgRecord, WriteProg>(image, prog))
        return false;
    const auto flag = static_cast<std::uint8_t>((FlagByteOf(prog.entryWord) & 0x80) |
                                                (prog.unlocked & 0x01) | (prog.favBits & 0x7E));
    return UpdateProgFlags(image, prog, flag);
}

bool UpdateProgFlags(FlashImage& image, const ProgRecord& prog, std::uint8_t newFlag)
{
    const WriteGuard* guard = GuardOf(image);
    // A read-only record keeps its flag byte too.
    if (!guard || !IsWritable(image, prog))
        return false;
    const std::uint64_t at = guard->EntryOffset(BlockOfProgram(prog), prog.tableIndex);
    struct Flag {
        std::uint64_t at;
        std::uint8_t value;
    } const flag{at, newFlag};
    const ByteSpan owned[] = {{at, at + 1}};
    return WriteThenVerify(
               image, owned,
               [](FlashImage& target, const void* context) {
                   const Flag& f = *static_cast<const Flag*>(context);
                   target.bytes[f.at] = f.value;
               },
               &flag)
        .empty();
}

} // namespace korvex
