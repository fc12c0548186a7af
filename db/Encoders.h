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
#include <optional>
#include <string_view>

namespace korvex {

// Why an edit of a record that is not savable is refused, in the user's words.
inline constexpr std::string_view kBeyondFlashSizeText =
    "This record lies beyond the image's flash size and cannot be saved.";

// True when every byte an edit of the record writes lies below flashSize: the
// record itself and, for a program, the flag byte of its directory entry.
bool IsSavable(const FlashImage& image, const SatRecord& sat);
bool IsSavable(const FlashImage& image, const TpRecord& tp);
bool IsSavable(const FlashImage& image, const ProgRecord& prog);

// Where a program's own directory entry stands in the image: entry tableIndex
// of the block it was loaded from. Nothing when that entry no longer exists or
// no longer points at the program's record.
std::optional<std::uint32_t> OwnEntryOffset(const FlashImage& image, const ProgRecord& prog);

// Each writes the record's bytes at entryWord's record offset and returns
// false, writing nothing, when the record is not savable.
bool EncodeSat(FlashImage& image, const SatRecord& sat);
bool EncodeTp(FlashImage& image, const TpRecord& tp);

// Writes program bytes 0..25 and 28..35, then the flag byte of its own entry:
// bit 7 as loaded, unlocked in bit 0, favBits in bits 1..6. Writes nothing
// and returns false when the record or its entry is not savable.
bool EncodeProg(FlashImage& image, const ProgRecord& prog);

// Sets byte 0 of the program's own directory entry, whichever tab the window
// shows. Two entries of a table may hold the same word; only the position
// tells them apart. False, writing nothing, when the entry is not found or
// lies at or beyond flashSize.
bool UpdateProgFlags(FlashImage& image, const ProgRecord& prog, std::uint8_t newFlag);

} // namespace korvex
