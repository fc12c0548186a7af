#include "db/Queries.h"

#include "db/BigEndian.h"
#include "db/HeldRecords.h"
#include "db/RecordCodec.h"

namespace korvex {

std::size_t CollectSatTps(const ChannelDatabase& db, std::span<TpRecord> dest, std::uint16_t satId)
{
    std::size_t copied = 0;
    for (const TpRecord& tp : db.Tps()) {
        if (copied == dest.size())
            break;
        if (tp.satId == satId)
            dest[copied++] = tp;
    }
    return copied;
}

std::size_t CollectTpProgs(const ChannelDatabase& db, std::span<ProgRecord> dest, std::uint16_t tpId)
{
    std::size_t copied = 0;
    for (const ProgRecord& prog : db.AllProgs()) {
        if (copied == dest.size())
            break;
        if (prog.tpId == tpId)
            dest[copied++] = prog;
    }
    return copied;
}

std::uint16_t FindSatIndex(const FlashImage& image, std::uint16_t satId)
{
    // Walks the entries exactly as the loader does, so that the position
    // found is the satellite's index in sats even when entries were skipped.
    std::uint16_t held = 0;
    std::uint16_t found = kNoSatIndex;
    WalkHeldRecords<kSatRecordSize>(image, BlockId::Satellites, kMaxSats,
                                    [&](std::uint32_t, std::uint32_t, auto bytes) {
                                        if (LoadBe16(bytes.template subspan<0, 2>()) == satId) {
                                            found = held;
                                            return false;
                                        }
                                        ++held;
                                        return true;
                                    });
    return found;
}

std::vector<std::string_view> RecordNames(const ChannelDatabase& db)
{
    std::vector<std::string_view> names;
    names.reserve(std::size_t{db.numSats} + db.numProgs);
    for (const SatRecord& sat : db.Sats())
        names.push_back(NameView(sat.satName));
    for (const ProgRecord& prog : db.AllProgs())
        names.push_back(NameView(prog.progName));
    return names;
}

} // namespace korvex
