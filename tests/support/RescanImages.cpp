#include "tests/support/RescanImages.h"

#include "db/ChannelMatch.h"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace korvex::testing {
namespace {

struct Satellite {
    const char* name;
    std::uint16_t longitude;
    std::uint16_t arrangedId;
    std::uint16_t rescanId;  // the scan numbers satellites by longitude
};

// Astra 2 and Eutelsat 28 share a longitude: only their names tell them apart.
constexpr Satellite kSatellites[] = {
    {"Astra 1", 192, 7, 2},
    {"Hotbird", 130, 3, 1},
    {"Astra 2", 282, 12, 3},
    {"Eutelsat 28", 282, 9, 4},
    {"Thor", 3592, 4, 5},
};

struct Transponder {
    int sat;
    std::uint16_t frequency;  // in the arranged image
    std::uint8_t polarisation;
    int shift;                // the scan reads the frequency this far off
    bool arranged;            // the arranged image holds it
};

constexpr Transponder kTransponders[] = {
    {0, 11778, 1, 0, true},  {0, 11836, 0, 2, true},   {0, 12000, 0, 0, false}, {1, 10992, 1, -3, true},
    {1, 11034, 1, 1, true},  {2, 10773, 0, 0, true},   {3, 11426, 0, -1, true}, {4, 12015, 1, 3, true},
};

enum class Presence { Both, Gone, New };

struct Program {
    const char* name;
    int tp;
    std::uint16_t serviceId;
    std::uint16_t rescanServiceId;
    bool tv;
    Presence presence;
    std::uint8_t arrangedFlag;  // the flag byte in the arranged image
};

// Favourite group k is in while bit k + 1 is 0; bit 0 is 0 while locked.
constexpr Program kPrograms[] = {
    {"Das Erste", 0, 28106, 28106, true, Presence::Both, 0x7D},
    {"ZDF", 0, 28006, 28006, true, Presence::Both, 0x7B},
    {"RTL", 1, 12003, 12003, true, Presence::Both, 0x76},
    {"SAT.1", 1, 17500, 17500, true, Presence::Both, 0xFF},
    {"Rai 1", 3, 3401, 3401, true, Presence::Both, 0x3F},
    {"Rai 2", 3, 3402, 3402, true, Presence::Both, 0x7E},
    // The same name on two satellites, each with a new service id.
    {"News 24", 4, 500, 510, true, Presence::Both, 0x6F},
    {"News 24", 5, 600, 610, true, Presence::Both, 0xDF},
    {"BBC One", 5, 6301, 6301, true, Presence::Both, 0x00},
    {"BBC Two", 5, 6302, 6302, true, Presence::Both, 0x7F},
    // One service id twice on one transponder; the scan lists them the other way round.
    {"Sky A", 6, 100, 100, true, Presence::Both, 0x75},
    {"Sky B", 6, 100, 100, true, Presence::Both, 0x6B},
    {"Film 1", 6, 201, 201, true, Presence::Gone, 0x7D},
    {"Thor Kids", 7, 701, 701, true, Presence::Both, 0x77},
    {"Music X", 0, 401, 401, true, Presence::Gone, 0x7B},
    {"Welt", 0, 28721, 28721, true, Presence::New, 0},
    {"Sky C", 6, 102, 102, true, Presence::New, 0},
    {"Extra", 2, 900, 900, true, Presence::New, 0},
    {"Radio 1", 5, 6401, 6401, false, Presence::Both, 0x7D},
    {"Radio 2", 5, 6402, 6402, false, Presence::Both, 0x7E},
    {"Bayern 3", 0, 28402, 28402, false, Presence::Both, 0xFB},
    {"Rai R1", 3, 3601, 3601, false, Presence::Gone, 0x7F},
    {"Klassik", 1, 300, 300, false, Presence::New, 0},
    // The service id of a TV program, in the radio table.
    {"ZDF Audio", 0, 28006, 28006, false, Presence::Both, 0x79},
};

// The arranged tables, by index in kPrograms.
constexpr int kArrangedTv[] = {8, 0, 7, 1, 10, 4, 14, 3, 6, 11, 2, 12, 9, 13, 5};
constexpr int kArrangedRadio[] = {20, 18, 23, 21, 19};

constexpr std::uint8_t kScannedFlag = 0x7F;  // unlocked, in no favourite group

std::string Label(const Program& program)
{
    return std::string(program.name) + "@" + kSatellites[kTransponders[program.tp].sat].name;
}

std::uint16_t ArrangedTpId(std::size_t t) { return static_cast<std::uint16_t>(200 + t); }

std::uint16_t RescanFrequency(const Transponder& tp)
{
    return static_cast<std::uint16_t>(tp.frequency + tp.shift);
}

// Transponders in the scan's order (satellite, then frequency); the scan
// numbers them from 1 in that order.
std::vector<std::size_t> ScanOrderOfTransponders()
{
    std::vector<std::size_t> order(std::size(kTransponders));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [](std::size_t a, std::size_t b) {
        const Transponder& x = kTransponders[a];
        const Transponder& y = kTransponders[b];
        return std::tuple(kSatellites[x.sat].rescanId, RescanFrequency(x)) <
               std::tuple(kSatellites[y.sat].rescanId, RescanFrequency(y));
    });
    return order;
}

ProgRecord Record(const Program& program, std::uint16_t satId, std::uint16_t tpId, std::uint16_t serviceId,
                  std::uint8_t flag)
{
    ProgRecord prog;
    prog.satId = satId;
    prog.tpId = tpId;
    prog.serviceId = serviceId;
    prog.videoPid = program.tv ? static_cast<std::uint16_t>(100 + serviceId % 7000) : 0;
    prog.audioPid = static_cast<std::uint16_t>(200 + serviceId % 7000);
    prog.progName = Name(program.name);
    prog.unlocked = flag & 0x01;
    prog.favBits = flag & 0x7E;
    prog.entryWord = std::uint32_t{flag & 0x80u} << 24;
    return prog;
}

} // namespace

std::string ProgramLabel(const ChannelDatabase& db, const ProgRecord& prog)
{
    const RecordsById ids(db);
    const std::uint32_t sat = ids.Satellite(prog.satId);
    return std::string(NameView(prog.progName)) + "@" +
           (sat == kNoMatch ? std::string("?") : std::string(NameView(db.sats[sat].satName)));
}

RescanImages MakeRescanImages(int layoutKind)
{
    ImageBuilder arranged(layoutKind), rescan(layoutKind);
    RescanImages images;

    for (const Satellite& sat : kSatellites)
        arranged.AddSat({.satId = sat.arrangedId, .longitude = sat.longitude, .satName = Name(sat.name)});
    std::vector<const Satellite*> satsScanned;
    for (const Satellite& sat : kSatellites)
        satsScanned.push_back(&sat);
    std::sort(satsScanned.begin(), satsScanned.end(),
              [](const Satellite* a, const Satellite* b) { return a->rescanId < b->rescanId; });
    for (const Satellite* sat : satsScanned)
        rescan.AddSat({.satId = sat->rescanId, .longitude = sat->longitude, .satName = Name(sat->name)});

    for (std::size_t t = 0; t < std::size(kTransponders); ++t) {
        const Transponder& tp = kTransponders[t];
        if (tp.arranged)
            arranged.AddTp({.tpId = ArrangedTpId(t), .satId = kSatellites[tp.sat].arrangedId, .frequency = tp.frequency,
                            .polarisation = tp.polarisation, .symbolRate = 27500});
    }
    const std::vector<std::size_t> tpsScanned = ScanOrderOfTransponders();
    std::vector<std::uint16_t> rescanTpId(std::size(kTransponders));
    for (std::size_t k = 0; k < tpsScanned.size(); ++k) {
        const Transponder& tp = kTransponders[tpsScanned[k]];
        rescanTpId[tpsScanned[k]] = static_cast<std::uint16_t>(k + 1);
        rescan.AddTp({.tpId = static_cast<std::uint16_t>(k + 1), .satId = kSatellites[tp.sat].rescanId,
                      .frequency = RescanFrequency(tp), .polarisation = tp.polarisation, .symbolRate = 27500});
    }

    for (const bool tv : {true, false}) {
        RescanExpectation& expected = images.expected[tv ? 0 : 1];
        for (const int p : tv ? std::span<const int>(kArrangedTv) : std::span<const int>(kArrangedRadio)) {
            const Program& program = kPrograms[p];
            const Transponder& tp = kTransponders[program.tp];
            const ProgRecord record = Record(program, kSatellites[tp.sat].arrangedId, ArrangedTpId(program.tp),
                                             program.serviceId, program.arrangedFlag);
            tv ? arranged.AddTv(record) : arranged.AddRadio(record);
            (program.presence == Presence::Gone ? expected.gone : expected.order).push_back(Label(program));
        }

        // The scan: by transponder in scan order, then service id; of two
        // programs with one service id, the later one first.
        std::vector<std::size_t> scanned;
        for (std::size_t p = 0; p < std::size(kPrograms); ++p)
            if (kPrograms[p].tv == tv && kPrograms[p].presence != Presence::Gone)
                scanned.push_back(p);
        std::sort(scanned.begin(), scanned.end(), [&](std::size_t a, std::size_t b) {
            const Program& x = kPrograms[a];
            const Program& y = kPrograms[b];
            return std::tuple(rescanTpId[x.tp], x.rescanServiceId, b) < std::tuple(rescanTpId[y.tp], y.rescanServiceId, a);
        });
        for (std::size_t k = 0; k < scanned.size(); ++k) {
            const Program& program = kPrograms[scanned[k]];
            // Bit 7 of the flag byte is kept by the box but not a choice of
            // the user: the scan sets it on every other entry.
            const auto flag = static_cast<std::uint8_t>(kScannedFlag | (k % 2 == 0 ? 0x80 : 0));
            const ProgRecord record = Record(program, kSatellites[kTransponders[program.tp].sat].rescanId,
                                             rescanTpId[program.tp], program.rescanServiceId, flag);
            tv ? rescan.AddTv(record) : rescan.AddRadio(record);
            const std::string label = Label(program);
            expected.scannedFlags[label] = flag;
            if (program.presence == Presence::New) {
                expected.added.push_back(label);
                expected.flags[label] = flag;
            } else {
                expected.flags[label] = static_cast<std::uint8_t>((program.arrangedFlag & 0x7F) | (flag & 0x80));
                expected.byName += program.serviceId != program.rescanServiceId;
            }
        }
        expected.order.insert(expected.order.end(), expected.added.begin(), expected.added.end());
    }
    images.arranged = arranged.Build();
    images.rescan = rescan.Build();
    return images;
}

} // namespace korvex::testing
