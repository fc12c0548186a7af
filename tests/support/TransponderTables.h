#pragma once
// What the transponder-update tests share: satellite and transponder records
// made from the few values those tests look at, and a satellites.xml of two
// satellites as receivers publish it.

#include "db/ChannelDatabase.h"
#include "tests/support/ImageBuilder.h"

#include <cstdint>

namespace korvex::testing {

inline SatRecord SatelliteRecord(std::uint16_t satId, std::uint16_t longitude, const char* name)
{
    SatRecord sat;
    sat.satId = satId;
    sat.longitude = longitude;
    sat.satName = Name(name);
    return sat;
}

// opaque2 is kept by every write; a test can give it bits to see that.
inline TpRecord TransponderRecord(std::uint16_t tpId, std::uint16_t satId, std::uint16_t frequency,
                                  std::uint8_t polarisation, std::uint16_t symbolRate, std::uint8_t opaque2 = 0)
{
    TpRecord tp;
    tp.tpId = tpId;
    tp.satId = satId;
    tp.opaque2 = opaque2;
    tp.frequency = frequency;
    tp.polarisation = polarisation;
    tp.symbolRate = symbolRate;
    return tp;
}

// Hot Bird at 13.0E with 12596 V 27500 (DVB-S2), and Thor at 0.8W with
// 10779 H 25000 (no system given: DVB-S).
inline constexpr char kTwoSatellitesXml[] =
    "<?xml version=\"1.0\"?>\n<satellites>\n"
    " <sat name=\"13.0E Hot Bird\" position=\"130\">\n"
    "  <transponder frequency=\"12596000\" symbol_rate=\"27500000\" polarization=\"1\" system=\"1\"/>\n"
    " </sat>\n"
    " <sat name=\"0.8W Thor\" position=\"-8\">\n"
    "  <transponder frequency=\"10779000\" symbol_rate=\"25000000\" polarization=\"0\"/>\n"
    " </sat>\n"
    "</satellites>\n";

} // namespace korvex::testing
