#pragma once
// A channel list with something of every kind a clean-up finds: duplicates
// (by the same ids and by the same frequency), a program with the name of
// another but its own service, strays of each sort, a scrambled program, one
// in a favourite group, and satellites and transponders that the deletions
// leave empty or that were empty before.

#include "tests/support/ImageBuilder.h"

namespace korvex::testing {

// A TV program: not locked, in the groups favBits says (0x7E: in none).
ProgRecord Tv(std::uint16_t satId, std::uint16_t tpId, std::uint16_t serviceId, const char* name,
              std::uint8_t favBits = 0x7E, std::uint16_t scramble = 0);
ProgRecord Radio(std::uint16_t satId, std::uint16_t tpId, std::uint16_t serviceId, const char* name);

// Satellites 0 Astra (satId 1), 1 Hotbird (2), 2 Hotbird B (2, sharing the
// id), 3 Empty (3, never held anything), 4 Thor (4). Transponders 0 (tpId
// 10, Astra, 11778 V), 1 (11, Astra, 11778 V), 2 (20, Hotbird 10992 H), 3
// (30, satId 9: no such satellite), 4 (40, Thor), 5 (50, Astra, empty).
// TV: 0 Das Erste, 1 its duplicate on transponder 1, 2 and 3 "Rai 3" with
// two service ids, 4 a duplicate of 0 by the same ids, 5 scrambled, 6 on no
// transponder, 7 on no satellite (transponder 4's only program), 8 on no
// satellite on transponder 3, 9 in "Movies". Radio: 0, 1 its duplicate, 2 the
// service of TV 0, 3 on transponder 3 with a satellite of its own.
BuiltImage EveryKind();

} // namespace korvex::testing
