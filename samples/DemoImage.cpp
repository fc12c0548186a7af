#include "samples/DemoImage.h"

#include <string_view>

namespace korvex::samples {
namespace {

using testing::Name;

struct DemoSatellite {
    std::string_view name;
    std::uint16_t longitude;
    std::uint16_t position;
};

struct DemoTransponder {
    std::uint16_t frequency;
    std::uint16_t polarisation;
    std::uint16_t symbolRate;
};

struct DemoProgram {
    std::string_view name;
    bool radio;
    std::uint8_t favBits;  // a group bit of 0 means member
    bool locked;
};

constexpr std::uint8_t kNoGroup = 0x7E;

// Group membership: clear the group's bit.
constexpr std::uint8_t In(std::initializer_list<int> groups)
{
    std::uint8_t bits = kNoGroup;
    for (const int g : groups)
        bits = static_cast<std::uint8_t>(bits & ~(1u << (g + 1)));
    return bits;
}

constexpr int kMovies = 0, kMusic = 1, kCartoons = 2, kNews = 3, kSport = 4;

} // namespace

testing::Bytes MakeDemoImage()
{
    const DemoSatellite satellites[] = {
        {"Astra 19.2E", 192, 1},
        {"Hotbird 13E", 130, 2},
        {"Eutelsat 7E", 70, 3},
        {"Thor 1W", 3590, 4},
    };
    const DemoTransponder transponders[][3] = {
        {{11494, 0, 22000}, {11836, 0, 27500}, {12188, 1, 27500}},
        {{10992, 1, 27500}, {11034, 1, 27500}, {12597, 1, 29900}},
        {{10721, 0, 22000}, {11262, 1, 30000}, {0, 0, 0}},
        {{10872, 1, 25000}, {0, 0, 0}, {0, 0, 0}},
    };
    const DemoProgram programs[] = {
        {"Das Erste", false, In({kNews}), false},    {"ZDF", false, In({kNews}), false},
        {"Arte", false, In({kMovies}), false},       {"Kika", false, In({kCartoons}), false},
        {"Bayern 3", true, In({kMusic}), false},     {"Rai 1", false, In({kMovies, kNews}), false},
        {"Rai News 24", false, In({kNews}), false},  {"Eurosport", false, In({kSport}), false},
        {"Radio 105", true, In({kMusic}), false},    {"Night Club", false, kNoGroup, true},
        {"TRT World", false, In({kNews}), false},    {"Euronews", false, In({kNews}), false},
        {"Radio Swiss", true, In({kMusic}), false},  {"NRK1", false, kNoGroup, false},
        {"P4 Radio", true, In({kMusic}), false},
    };

    testing::ImageBuilder builder(1);
    std::uint16_t tpId = 1;
    std::size_t program = 0;
    for (std::size_t s = 0; s < std::size(satellites); ++s) {
        SatRecord sat;
        sat.satId = static_cast<std::uint16_t>(s + 1);
        sat.satName = Name(satellites[s].name);
        sat.longitude = satellites[s].longitude;
        sat.lnbFreLow = 9750;
        sat.lnbFreHigh = 10600;
        sat.lnbType = 2;   // Universal
        sat.lnbPower = 2;  // Auto
        sat.tone22K = 1;
        sat.diseqc10 = static_cast<std::uint16_t>(s + 1);
        sat.position = satellites[s].position;
        builder.AddSat(sat);
        for (const DemoTransponder& demo : transponders[s]) {
            if (demo.frequency == 0)
                continue;
            TpRecord tp;
            tp.tpId = tpId;
            tp.satId = sat.satId;
            tp.frequency = demo.frequency;
            tp.polarisation = demo.polarisation;
            tp.symbolRate = demo.symbolRate;
            builder.AddTp(tp);
            // Two programs on every other transponder, one on the rest.
            const int carried = tpId % 2 == 0 ? 1 : 2;
            for (int i = 0; i < carried && program < std::size(programs); ++i, ++program) {
                const DemoProgram& p = programs[program];
                ProgRecord prog;
                prog.satId = sat.satId;
                prog.tpId = tpId;
                prog.serviceId = static_cast<std::uint16_t>(100 + program);
                prog.pcrPid = static_cast<std::uint16_t>(0x100 + program);
                prog.videoPid = p.radio ? 0 : static_cast<std::uint16_t>(0x200 + program);
                prog.audioPid = static_cast<std::uint16_t>(0x300 + program);
                prog.track = 2;  // Stereo
                prog.progName = Name(p.name);
                prog.unlocked = p.locked ? 0 : 1;
                prog.favBits = p.favBits;
                if (p.radio)
                    builder.AddRadio(prog);
                else
                    builder.AddTv(prog);
            }
            ++tpId;
        }
    }
    return builder.Build().bytes;
}

} // namespace korvex::samples
