#include "bench/LargestImage.h"

#include <cstdio>
#include <memory>
#include <string>

namespace korvex::bench {
namespace {

constexpr std::size_t kSats = kMaxSats;        // 150
constexpr std::size_t kTps = kMaxTps;          // 3000
constexpr std::size_t kTv = 3000;
constexpr std::size_t kRadio = kMaxProgs - kTv;  // 2000
constexpr std::size_t kBusiestSatTps = kMaxSatTps;  // 300
constexpr std::size_t kBusiestTpTv = 300;
constexpr std::size_t kBusiestTpRadio = 200;     // 500 in all

NameBytes NumberedName(const char* stem, std::size_t n)
{
    char text[16];
    std::snprintf(text, sizeof text, "%s%0*zu", stem, static_cast<int>(12 - std::char_traits<char>::length(stem)), n);
    return testing::Name(text);
}

// Transponder t belongs to satellite 0 for the first 300, then round the rest.
std::size_t SatOfTp(std::size_t t)
{
    return t < kBusiestSatTps ? kBusiestSat : 1 + (t - kBusiestSatTps) % (kSats - 1);
}

// The k-th program of a table goes to transponder 0 for the first `busiest`,
// then round the other transponders.
std::size_t TpOfProgram(std::size_t k, std::size_t busiest)
{
    return k < busiest ? kBusiestTp : 1 + (k - busiest) % (kTps - 1);
}

// How a scan numbers the channels and holds them.
struct Scan {
    std::uint16_t firstSatId;
    std::uint16_t firstTpId;
    bool earlier;  // an earlier scan, arranged by its user
};

constexpr Scan kLargest{101, 10001, false};
constexpr Scan kEarlier{2001, 20001, true};

std::uint16_t SatId(std::size_t s, const Scan& scan = kLargest)
{
    return static_cast<std::uint16_t>(scan.firstSatId + s);
}
std::uint16_t TpId(std::size_t t, const Scan& scan = kLargest)
{
    return static_cast<std::uint16_t>(scan.firstTpId + t);
}

// The earlier scan read most frequencies one to three units higher; not on
// the busiest satellite, whose transponders stand one or two units apart.
std::uint16_t Frequency(std::size_t t, const Scan& scan)
{
    const auto frequency = static_cast<std::uint16_t>(10700 + t % 2000);
    const bool shifted = scan.earlier && SatOfTp(t) != kBusiestSat && t % 4 != 0;
    return shifted ? static_cast<std::uint16_t>(frequency + 1 + t % 3) : frequency;
}

// Position i of an arranged table of n programs holds program (i * 7919) % n:
// 7919 is a prime that divides neither table's size, so every program
// stands somewhere, far from where the scan put it.
std::size_t ArrangedProgram(std::size_t i, std::size_t n) { return i * 7919 % n; }

ProgRecord Program(std::size_t k, std::size_t tp, std::uint16_t videoPid, const char* stem,
                   const Scan& scan = kLargest)
{
    ProgRecord prog;
    prog.satId = SatId(SatOfTp(tp), scan);
    prog.tpId = TpId(tp, scan);
    prog.serviceId = static_cast<std::uint16_t>(10000 + k);
    prog.pcrPid = static_cast<std::uint16_t>(8000 + k % 191);
    prog.scramble = k & 1;
    prog.track = 2;
    prog.videoPid = videoPid;
    prog.audioPid = static_cast<std::uint16_t>(7000 + k % 1191);
    prog.progName = NumberedName(stem, k);
    prog.unlocked = 0;  // child-locked
    prog.favBits = 0;   // in every favourite group
    if (scan.earlier) {
        prog.unlocked = k % 3 != 0;
        prog.favBits = static_cast<std::uint8_t>(k * 37 & 0x7E);
        // Since then the provider gave one program in fifty a new service id:
        // only its name finds it.
        if (k % 50 == 7)
            prog.serviceId = static_cast<std::uint16_t>(40000 + k);
    }
    return prog;
}

void AddSatellitesAndTransponders(testing::ImageBuilder& builder, const Scan& scan)
{
    for (std::size_t s = 0; s < kSats; ++s) {
        SatRecord sat;
        sat.satId = SatId(s, scan);
        sat.longitude = static_cast<std::uint16_t>(10000 + s);
        sat.lnbFreLow = 10600;
        sat.lnbFreHigh = 11300;
        sat.power012V = 1;
        sat.tone22K = 1;
        sat.diseqc10 = 7;
        sat.diseqc12En = 1;
        sat.lnbType = 2;
        sat.lnbPower = 2;
        sat.position = 63;
        sat.satName = NumberedName("SATELLITE", s);
        builder.AddSat(sat);
    }
    for (std::size_t t = 0; t < kTps; ++t) {
        TpRecord tp;
        tp.tpId = TpId(t, scan);
        tp.satId = SatId(SatOfTp(t), scan);
        tp.frequency = Frequency(t, scan);
        tp.polarisation = t & 1;
        tp.symbolRate = static_cast<std::uint16_t>(27500 + t % 2500);
        builder.AddTp(tp);
    }
}

} // namespace

testing::BuiltImage LargestImage(TvVideo video)
{
    testing::ImageBuilder builder(2);
    AddSatellitesAndTransponders(builder, kLargest);
    const bool wholeTv = video == TvVideo::WholeTvTable;
    const std::size_t tv = wholeTv ? kMaxProgs : kTv;
    const std::size_t radio = wholeTv ? 0 : kRadio;
    for (std::size_t k = 0; k < tv; ++k) {
        const std::uint16_t videoPid = video == TvVideo::None ? 0 : static_cast<std::uint16_t>(1000 + k % 7000);
        builder.AddTv(Program(k, TpOfProgram(k, wholeTv ? kBusiestTpTv + kBusiestTpRadio : kBusiestTpTv), videoPid,
                              "TELEVIS"));
    }
    for (std::size_t k = 0; k < radio; ++k)
        builder.AddRadio(Program(k, TpOfProgram(k, kBusiestTpRadio), 0, "RADIOST"));
    return builder.Build();
}

testing::BuiltImage EarlierLargestImage()
{
    testing::ImageBuilder builder(2);
    AddSatellitesAndTransponders(builder, kEarlier);
    for (std::size_t i = 0; i < kTv; ++i) {
        const std::size_t k = ArrangedProgram(i, kTv);
        builder.AddTv(Program(k, TpOfProgram(k, kBusiestTpTv), static_cast<std::uint16_t>(1000 + k % 7000), "TELEVIS",
                              kEarlier));
    }
    for (std::size_t i = 0; i < kRadio; ++i) {
        const std::size_t k = ArrangedProgram(i, kRadio);
        builder.AddRadio(Program(k, TpOfProgram(k, kBusiestTpRadio), 0, "RADIOST", kEarlier));
    }
    return builder.Build();
}

bool WriteLargestImage(const std::filesystem::path& path, TvVideo video)
{
    const testing::BuiltImage image = LargestImage(video);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file)
        return false;
    const bool written = std::fwrite(image.bytes.data(), 1, image.bytes.size(), file.get()) == image.bytes.size();
    return std::fclose(file.release()) == 0 && written;
}

} // namespace korvex::bench
