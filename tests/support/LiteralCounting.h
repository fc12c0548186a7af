#pragma once
// The counting pass written the plain way: every transponder against every
// satellite, every program against every transponder and satellite. The
// loader's counts must equal these on any image; benchmarks time it as the
// baseline.

#include "db/ChannelDatabase.h"

namespace korvex::testing {

inline void LiteralCount(ChannelDatabase& db)
{
    for (std::size_t s = 0; s < db.numSats; ++s)
        db.sats[s].tpCount = db.sats[s].tvCount = db.sats[s].radioCount = 0;
    for (std::size_t t = 0; t < db.numTps; ++t)
        db.tps[t].tvCount = db.tps[t].radioCount = 0;

    for (std::size_t t = 0; t < db.numTps; ++t)
        for (std::size_t s = 0; s < db.numSats; ++s)
            if (db.tps[t].satId == db.sats[s].satId)
                ++db.sats[s].tpCount;
    for (std::size_t p = 0; p < db.numProgs; ++p) {
        const ProgRecord& prog = db.allProgs[p];
        for (std::size_t t = 0; t < db.numTps; ++t)
            if (db.tps[t].tpId == prog.tpId)
                ++(prog.videoPid != 0 ? db.tps[t].tvCount : db.tps[t].radioCount);
        for (std::size_t s = 0; s < db.numSats; ++s)
            if (db.sats[s].satId == prog.satId)
                ++(prog.videoPid != 0 ? db.sats[s].tvCount : db.sats[s].radioCount);
    }
}

} // namespace korvex::testing
