#include "db/Encoders.h"

#include "db/RecordCodec.h"
#include "db/WriteGuard.h"

namespace korvex {
namespace {

// Writes one record's bytes through the guard: refused records are not
// touched, and a write that would move the directory is undone.
template <std::size_t Size, typename Record, void (*Write)(const Record&, std::span<std::uint8_t, Size>)>
bool GuardedRecordWrite(FlashImage& image, const Record& record)
{
    if (!IsWritable(image, record))
        return false;
    const std::uint64_t at = RecordOffsetOf(record.entryWord);
    const ByteSpan owned[] = {{at, at + Size}};
    return WriteThenVerify(image, owned, [&](FlashImage& target) { Write(record, *target.Region<Size>(at)); }).empty();
}

} // namespace

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
    const std::uint64_t at = guard->EntryOffset(BlockOf(prog.table), prog.tableIndex);
    const ByteSpan owned[] = {{at, at + 1}};
    return WriteThenVerify(image, owned, [&](FlashImage& target) { target.bytes[at] = newFlag; }).empty();
}

} // namespace korvex
