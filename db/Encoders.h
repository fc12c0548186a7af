#pragma once
// Writing one edited record back into the image bytes at the place its
// directory entry names. The database itself is never touched: the caller
// decodes it again from the image after every committed edit.

#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

#include <cstdint>

namespace korvex {

// Each writes the record's bytes at entryWord's record offset and returns
// false, writing nothing, when the record would not lie inside the buffer.
bool EncodeSat(FlashImage& image, const SatRecord& sat);
bool EncodeTp(FlashImage& image, const TpRecord& tp);

// Writes program bytes 0..25 and 28..35, then the flag byte of its entry:
// bit 7 as loaded, unlocked in bit 0, favBits in bits 1..6. radioMode is the
// TV (0) / radio (1) selection of the window, which names the block searched
// first for the entry. Returns true when both the record and its flag byte
// were written.
bool EncodeProg(FlashImage& image, const ProgRecord& prog, std::uint32_t radioMode);

// Sets byte 0 of the first entry whose whole 32-bit word equals entryWord, in
// the block radioMode names, or else in the other program block, so that a
// child-lock or favourite change is never lost because the wrong tab is
// showing. Returns false when neither block holds such an entry.
bool UpdateProgFlags(FlashImage& image, std::uint32_t entryWord, std::uint8_t newFlag,
                     std::uint32_t radioMode);

} // namespace korvex
