#pragma once
// Record layouts in the image, decoded and written back. Each decoder and its
// writer list the same fields in the same order, so one can be checked against
// the other line by line.
//
// Satellite, 22 bytes:   satId, longitude, lnbFreLow, lnbFreHigh (16 bits each);
//                        a packed word power012V:1 tone22K:1 diseqc10:3
//                        diseqc12En:1 lnbType:2 lnbPower:2 position:6; name (12).
// Transponder, 8 bytes:  tpId; packed satId:14 opaque2:2; packed frequency:14
//                        polarisation:2; symbolRate.
// Program, 36 bytes:     satId, tpId, serviceId; packed pcrPid:13 scramble:1
//                        track:2; packed 32-bit opaque1:1 opaque13:13 opaque5:5
//                        videoPid:13; packed audioPid:13 opaque3:3; name (12);
//                        2 bytes never touched; 8 tail bytes kept raw.

#include "db/ChannelDatabase.h"

#include <cstdint>
#include <span>

namespace korvex {

inline constexpr std::size_t kSatRecordSize = 22;
inline constexpr std::size_t kTpRecordSize = 8;
inline constexpr std::size_t kProgRecordSize = 36;
// Where a program record keeps its 12 name bytes.
inline constexpr std::size_t kProgNameOffset = 14;

// Each decoder overwrites the fields that the record bytes hold and leaves the
// others (entryWord, the flags and index of a program's entry, the counts) to
// the caller. Decoding in place, into the array that keeps the record, writes
// each packed word of the destination once instead of building a cleared
// record first and copying it.
void DecodeSat(std::span<const std::uint8_t, kSatRecordSize> in, SatRecord& sat);
void WriteSat(const SatRecord& sat, std::span<std::uint8_t, kSatRecordSize> out);

void DecodeTp(std::span<const std::uint8_t, kTpRecordSize> in, TpRecord& tp);
void WriteTp(const TpRecord& tp, std::span<std::uint8_t, kTpRecordSize> out);

// A radio record's videoPid is 0: the radio table holds no video. What its
// video bits hold is kept in radioVideoBits and written back from there.
void DecodeProg(std::span<const std::uint8_t, kProgRecordSize> in, ProgTable table, ProgRecord& prog);
// Writes bytes 0..25 and 28..35; bytes 26..27 are never written. Which video
// bits are written follows the record's table, not its videoPid.
void WriteProg(const ProgRecord& prog, std::span<std::uint8_t, kProgRecordSize> out);

} // namespace korvex
