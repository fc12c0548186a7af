#pragma once
// Images in which one record overlaps the image's structure or another
// record, made on purpose: each is a small sound image plus one extra TV
// entry (the TV table is laid last, so the entry has room) pointing where the
// case says. The record of that entry is the last TV program.

#include "tests/support/ImageBuilder.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::testing {

struct OverlapImage {
    std::string description;
    BuiltImage built;
    std::string_view reason;  // why the last TV program is read-only
};

std::vector<OverlapImage> OverlapImages();

inline void PrintTo(const OverlapImage& image, std::ostream* os) { *os << image.description; }

// Two satellites, two transponders, three TV and twelve radio programs, all
// sound.
ImageBuilder GuardBaseImage(int layoutKind);

// A radio table whose entryCount runs past its own entries into the TV
// table's header: radio program 15 (entry 17) is the TV header's entryCount
// word read as an entry, so its flag byte is the first byte of that count.
// The TV table holds 48 programs, so that entry's record (at offset 48)
// overlaps nothing. Entries 5, 15 and 19 are skipped (their records lie
// outside the buffer).
BuiltImage RadioTableRunningIntoTvHeader();

} // namespace korvex::testing
