#pragma once
// Writing one edited record back into the image bytes at the place its
// directory entry names. The database itself is never touched: the caller
// decodes it again from the image after every committed edit.
//
// Save writes only the first flashSize bytes of the buffer. In a 512 KiB image
// an entry can still point at a record behind them (the buffer holds 1 MiB),
// and a block's entries can run past them: such bytes load and show, but a
// change to them would never reach the saved file, so the encoders refuse it.

#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

#include <cstdint>
#include <string_view>

namespace korvex {

// Why the write guard refuses a record that lies beyond the flash size (Save
// writes nothing beyond it), in the user's words.
inline constexpr std::string_view kBeyondFlashSizeText =
    "This record lies beyond the image's flash size and cannot be saved.";

// Each writes the record's bytes at entryWord's record offset and returns
// false, writing nothing, when the write guard refuses the record
// (WriteRefusal in db/WriteGuard.h says why) or the write would move the
// directory.
bool EncodeSat(FlashImage& image, const SatRecord& sat);
bool EncodeTp(FlashImage& image, const TpRecord& tp);

// Writes program bytes 0..25 and 28..35, then the flag byte of its own entry:
// bit 7 as loaded, unlocked in bit 0, favBits in bits 1..6. Writes nothing
// and returns false when the write guard refuses the record or its entry.
bool EncodeProg(FlashImage& image, const ProgRecord& prog);

// Sets byte 0 of the program's own directory entry, whichever tab the window
// shows. Two entries of a table may hold the same word; only the position
// tells them apart. False, writing nothing, when the write guard refuses the
// program or its entry.
bool UpdateProgFlags(FlashImage& image, const ProgRecord& prog, std::uint8_t newFlag);

} // namespace korvex
