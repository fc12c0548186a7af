#pragma once
// What must hold after any write into a loaded image: the layout and the four
// blocks are found exactly as before, and no byte outside what the write owns
// has changed. The guard enforces it; tests and fuzz targets check it with
// these functions after every writer.

#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"
#include "db/WriteGuard.h"

#include <span>
#include <string>
#include <vector>

namespace korvex {

// The bytes an edit of the record may change: the record and, for a program,
// the flag byte of its own entry.
std::vector<ByteSpan> OwnedByEdit(const FlashImage& image, const SatRecord& sat);
std::vector<ByteSpan> OwnedByEdit(const FlashImage& image, const TpRecord& tp);
std::vector<ByteSpan> OwnedByEdit(const FlashImage& image, const ProgRecord& prog);

// The bytes an arrangement of a table may change: its header's entryCount
// and its entries.
std::vector<ByteSpan> OwnedByArranging(const FlashImage& image, BlockId block);

// Empty when the invariant holds; otherwise what broke it, for a test's
// failure message. `before` is the whole buffer as it was before the write,
// `landmarks` what Landmarks::Of gave then. The image's layout fields are
// left as they were.
std::string InvariantBreach(FlashImage& image, std::span<const std::uint8_t> before, const Landmarks& landmarks,
                            std::span<const ByteSpan> owned);

} // namespace korvex
