#include "samples/DemoImage.h"

#include "codepage/NameCharset.h"

#include <algorithm>
#include <span>
#include <string_view>

namespace korvex::samples {
namespace {

struct DemoSatellite {
    std::u16string_view name;
    std::uint16_t longitude;
    std::uint16_t position;
};

struct DemoTransponder {
    std::uint16_t frequency;
    std::uint16_t polarisation;
    std::uint16_t symbolRate;
};

struct DemoProgram {
    std::u16string_view name;
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

constexpr DemoSatellite kEuropeanSatellites[] = {
    {u"Astra 19.2E", 192, 1},
    {u"Hotbird 13E", 130, 2},
    {u"Eutelsat 7E", 70, 3},
    {u"Thor 1W", 3590, 4},
};

constexpr DemoProgram kEuropeanPrograms[] = {
    {u"Das Erste", false, In({kNews}), false},    {u"ZDF", false, In({kNews}), false},
    {u"Arte", false, In({kMovies}), false},       {u"Kika", false, In({kCartoons}), false},
    {u"Bayern 3", true, In({kMusic}), false},     {u"Rai 1", false, In({kMovies, kNews}), false},
    {u"Rai News 24", false, In({kNews}), false},  {u"Eurosport", false, In({kSport}), false},
    {u"Radio 105", true, In({kMusic}), false},    {u"Night Club", false, kNoGroup, true},
    {u"TRT World", false, In({kNews}), false},    {u"Euronews", false, In({kNews}), false},
    {u"Radio Swiss", true, In({kMusic}), false},  {u"NRK1", false, kNoGroup, false},
    {u"P4 Radio", true, In({kMusic}), false},
};

// A box sold in China: every name in GBK, at most six Chinese characters.
constexpr DemoSatellite kChineseSatellites[] = {
    {u"中星6A", 1250, 1},
    {u"亚洲5号", 1005, 2},
    {u"中星9号", 922, 3},
    {u"亚太7号", 765, 4},
};

constexpr DemoProgram kChinesePrograms[] = {
    {u"中央电视台", false, In({kNews}), false},  {u"湖南卫视", false, In({kMovies}), false},
    {u"电影频道", false, In({kMovies}), false},  {u"少儿频道", false, In({kCartoons}), false},
    {u"音乐之声", true, In({kMusic}), false},    {u"东方卫视", false, In({kMovies, kNews}), false},
    {u"新闻频道", false, In({kNews}), false},    {u"体育频道", false, In({kSport}), false},
    {u"中国之声", true, In({kNews}), false},     {u"深夜剧场", false, kNoGroup, true},
    {u"凤凰中文", false, In({kNews}), false},    {u"北京卫视", false, In({kNews}), false},
    {u"文艺之声", true, In({kMusic}), false},    {u"浙江卫视", false, kNoGroup, false},
    {u"经济之声", true, In({kMusic}), false},
};

} // namespace

testing::Bytes MakeDemoImage(DemoNames names)
{
    const bool chinese = names == DemoNames::ChineseGbk;
    const std::span<const DemoSatellite> satellites = chinese ? std::span(kChineseSatellites)
                                                              : std::span(kEuropeanSatellites);
    const std::span<const DemoProgram> programs = chinese ? std::span(kChinesePrograms)
                                                          : std::span(kEuropeanPrograms);
    const NameCharset charset(chinese ? "GBK" : "UTF-8");
    const auto name = [&](std::u16string_view text) {
        const std::string bytes = charset.Encode(text, kNameBytes).bytes;
        NameBytes field{};
        std::copy(bytes.begin(), bytes.end(), field.begin());
        return field;
    };
    const DemoTransponder transponders[][3] = {
        {{11494, 0, 22000}, {11836, 0, 27500}, {12188, 1, 27500}},
        {{10992, 1, 27500}, {11034, 1, 27500}, {12597, 1, 29900}},
        {{10721, 0, 22000}, {11262, 1, 30000}, {0, 0, 0}},
        {{10872, 1, 25000}, {0, 0, 0}, {0, 0, 0}},
    };

    testing::ImageBuilder builder(1);
    std::uint16_t tpId = 1;
    std::size_t program = 0;
    for (std::size_t s = 0; s < satellites.size(); ++s) {
        SatRecord sat;
        sat.satId = static_cast<std::uint16_t>(s + 1);
        sat.satName = name(satellites[s].name);
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
            for (int i = 0; i < carried && program < programs.size(); ++i, ++program) {
                const DemoProgram& p = programs[program];
                ProgRecord prog;
                prog.satId = sat.satId;
                prog.tpId = tpId;
                prog.serviceId = static_cast<std::uint16_t>(100 + program);
                prog.pcrPid = static_cast<std::uint16_t>(0x100 + program);
                prog.videoPid = p.radio ? 0 : static_cast<std::uint16_t>(0x200 + program);
                prog.audioPid = static_cast<std::uint16_t>(0x300 + program);
                prog.track = 2;  // Stereo
                prog.progName = name(p.name);
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
