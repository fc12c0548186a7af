#pragma once
// Two images of the same channels: one as its user arranged it, and the box's
// next scan of them. The scan has what a real rescan has: new satellite and
// transponder ids, scan order (satellite, transponder, service), frequencies
// a few units off on some transponders, every favourite group and child lock
// cleared, a few programs gone and a few new. Among the channels are two
// programs with the same name on different satellites whose service ids
// changed with the scan (they can only be found by name), two programs with
// the same service id on one transponder (listed the other way round by the
// scan), and two satellites at one longitude.
//
// Each program is known by a label, its name and its satellite's name
// ("News 24@Hotbird"), unique in both images. What carrying the arranged list
// over to the scan must give is worked out from the channels themselves.

#include "tests/support/ImageBuilder.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace korvex::testing {

struct RescanExpectation {
    // Labels in the order carrying the order over gives: the programs both
    // images hold in the arranged order, then the scan's new programs in
    // scan order.
    std::vector<std::string> order;
    std::vector<std::string> gone;   // arranged programs the scan lacks, in arranged order
    std::vector<std::string> added;  // scan programs the arranged image lacks, in scan order
    // Label -> the flag byte each program of the scan must have afterwards:
    // bits 0..6 from the arranged image, bit 7 from the scan.
    std::map<std::string, std::uint8_t> flags;
    // Label -> the flag byte in the scan.
    std::map<std::string, std::uint8_t> scannedFlags;
    std::size_t byName = 0;  // how many of the programs both hold can only be found by name
};

struct RescanImages {
    BuiltImage arranged;
    BuiltImage rescan;
    std::array<RescanExpectation, 2> expected;  // TV, radio
};

RescanImages MakeRescanImages(int layoutKind = 2);

// The label of a program of a loaded database.
std::string ProgramLabel(const ChannelDatabase& db, const ProgRecord& prog);

} // namespace korvex::testing
