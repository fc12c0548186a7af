#include "db/RecordCodec.h"

#include "db/BigEndian.h"
#include "db/PackedWord.h"

#include <algorithm>
#include <cstring>

namespace korvex {
namespace {

std::uint16_t U16(std::uint32_t value)
{
    return static_cast<std::uint16_t>(value);
}

} // namespace

void DecodeSat(std::span<const std::uint8_t, kSatRecordSize> in, SatRecord& sat)
{
    sat.satId = LoadBe16(in.subspan<0, 2>());
    sat.longitude = LoadBe16(in.subspan<2, 2>());
    sat.lnbFreLow = LoadBe16(in.subspan<4, 2>());
    sat.lnbFreHigh = LoadBe16(in.subspan<6, 2>());
    MsbFirstReader bits(LoadBe16(in.subspan<8, 2>()), 16);
    sat.power012V = U16(bits.Take(1));
    sat.tone22K = U16(bits.Take(1));
    sat.diseqc10 = U16(bits.Take(3));
    sat.diseqc12En = U16(bits.Take(1));
    sat.lnbType = U16(bits.Take(2));
    sat.lnbPower = U16(bits.Take(2));
    sat.position = U16(bits.Take(6));
    std::ranges::copy(in.subspan<10, kNameBytes>(), sat.satName.begin());
}

void WriteSat(const SatRecord& sat, std::span<std::uint8_t, kSatRecordSize> out)
{
    StoreBe16(out.subspan<0, 2>(), sat.satId);
    StoreBe16(out.subspan<2, 2>(), sat.longitude);
    StoreBe16(out.subspan<4, 2>(), sat.lnbFreLow);
    StoreBe16(out.subspan<6, 2>(), sat.lnbFreHigh);
    MsbFirstWriter bits(16);
    bits.Put(sat.power012V, 1);
    bits.Put(sat.tone22K, 1);
    bits.Put(sat.diseqc10, 3);
    bits.Put(sat.diseqc12En, 1);
    bits.Put(sat.lnbType, 2);
    bits.Put(sat.lnbPower, 2);
    bits.Put(sat.position, 6);
    StoreBe16(out.subspan<8, 2>(), U16(bits.Word()));
    std::ranges::copy(sat.satName, out.subspan<10, kNameBytes>().begin());
}

void DecodeTp(std::span<const std::uint8_t, kTpRecordSize> in, TpRecord& tp)
{
    tp.tpId = LoadBe16(in.subspan<0, 2>());
    MsbFirstReader satWord(LoadBe16(in.subspan<2, 2>()), 16);
    tp.satId = U16(satWord.Take(14));
    tp.opaque2 = U16(satWord.Take(2));
    MsbFirstReader freqWord(LoadBe16(in.subspan<4, 2>()), 16);
    tp.frequency = U16(freqWord.Take(14));
    tp.polarisation = U16(freqWord.Take(2));
    tp.symbolRate = LoadBe16(in.subspan<6, 2>());
}

void WriteTp(const TpRecord& tp, std::span<std::uint8_t, kTpRecordSize> out)
{
    StoreBe16(out.subspan<0, 2>(), tp.tpId);
    MsbFirstWriter satWord(16);
    satWord.Put(tp.satId, 14);
    satWord.Put(tp.opaque2, 2);
    StoreBe16(out.subspan<2, 2>(), U16(satWord.Word()));
    MsbFirstWriter freqWord(16);
    freqWord.Put(tp.frequency, 14);
    freqWord.Put(tp.polarisation, 2);
    StoreBe16(out.subspan<4, 2>(), U16(freqWord.Word()));
    StoreBe16(out.subspan<6, 2>(), tp.symbolRate);
}

void DecodeProg(std::span<const std::uint8_t, kProgRecordSize> in, ProgTable table, ProgRecord& prog)
{
    prog.satId = LoadBe16(in.subspan<0, 2>());
    prog.tpId = LoadBe16(in.subspan<2, 2>());
    prog.serviceId = LoadBe16(in.subspan<4, 2>());
    MsbFirstReader pcrWord(LoadBe16(in.subspan<6, 2>()), 16);
    prog.pcrPid = U16(pcrWord.Take(13));
    prog.scramble = U16(pcrWord.Take(1));
    prog.track = U16(pcrWord.Take(2));
    MsbFirstReader videoWord(LoadBe32(in.subspan<8, 4>()), 32);
    prog.opaque1 = videoWord.Take(1);
    prog.opaque13 = videoWord.Take(13);
    prog.opaque5 = videoWord.Take(5);
    const std::uint32_t videoPid = videoWord.Take(13);
    prog.table = table;
    prog.videoPid = table == ProgTable::Tv ? videoPid : 0;
    prog.radioVideoBits = U16(table == ProgTable::Radio ? videoPid : 0);
    MsbFirstReader audioWord(LoadBe16(in.subspan<12, 2>()), 16);
    prog.audioPid = U16(audioWord.Take(13));
    prog.opaque3 = U16(audioWord.Take(3));
    std::ranges::copy(in.subspan<14, kNameBytes>(), prog.progName.begin());
    std::memcpy(prog.tailWords.data(), in.subspan<28, 8>().data(), 8);
}

void WriteProg(const ProgRecord& prog, std::span<std::uint8_t, kProgRecordSize> out)
{
    StoreBe16(out.subspan<0, 2>(), prog.satId);
    StoreBe16(out.subspan<2, 2>(), prog.tpId);
    StoreBe16(out.subspan<4, 2>(), prog.serviceId);
    MsbFirstWriter pcrWord(16);
    pcrWord.Put(prog.pcrPid, 13);
    pcrWord.Put(prog.scramble, 1);
    pcrWord.Put(prog.track, 2);
    StoreBe16(out.subspan<6, 2>(), U16(pcrWord.Word()));
    MsbFirstWriter videoWord(32);
    videoWord.Put(prog.opaque1, 1);
    videoWord.Put(prog.opaque13, 13);
    videoWord.Put(prog.opaque5, 5);
    videoWord.Put(prog.table == ProgTable::Radio ? prog.radioVideoBits : prog.videoPid, 13);
    StoreBe32(out.subspan<8, 4>(), videoWord.Word());
    MsbFirstWriter audioWord(16);
    audioWord.Put(prog.audioPid, 13);
    audioWord.Put(prog.opaque3, 3);
    StoreBe16(out.subspan<12, 2>(), U16(audioWord.Word()));
    std::ranges::copy(prog.progName, out.subspan<14, kNameBytes>().begin());
    std::memcpy(out.subspan<28, 8>().data(), prog.tailWords.data(), 8);
}

} // namespace korvex
