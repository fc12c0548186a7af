#include "tests/support/OverlapImages.h"

#include "db/WriteGuard.h"

namespace korvex::testing {
namespace {

ProgRecord Program(std::uint16_t serviceId, std::uint16_t videoPid, const char* name)
{
    ProgRecord prog;
    prog.satId = 1;
    prog.tpId = 10;
    prog.serviceId = serviceId;
    prog.videoPid = videoPid;
    prog.audioPid = 0x101;
    prog.favBits = 0x7E;
    prog.unlocked = 1;
    prog.progName = Name(name);
    return prog;
}

// Appends one TV entry pointing at recordOffset.
BuiltImage WithExtraTvEntry(BuiltImage built, std::uint32_t recordOffset)
{
    const auto count = static_cast<std::uint32_t>(built.recordOffsets[BuiltImage::Index(BlockId::TvPrograms)].size());
    PutHeader(built.bytes, built.HeaderOffset(BlockId::TvPrograms), BlockId::TvPrograms, count + 1);
    PutEntry(built.bytes, built.EntryOffset(BlockId::TvPrograms, count), 0x7F, recordOffset);
    built.recordOffsets[BuiltImage::Index(BlockId::TvPrograms)].push_back(recordOffset);
    return built;
}

} // namespace

ImageBuilder GuardBaseImage(int layoutKind)
{
    ImageBuilder builder(layoutKind);
    for (std::uint16_t s = 1; s <= 2; ++s) {
        SatRecord sat;
        sat.satId = s;
        sat.longitude = static_cast<std::uint16_t>(130 * s);
        sat.satName = Name(s == 1 ? "Astra" : "Hotbird");
        builder.AddSat(sat);
        TpRecord tp;
        tp.tpId = static_cast<std::uint16_t>(10 * s);
        tp.satId = s;
        tp.frequency = static_cast<std::uint16_t>(11000 + s);
        tp.symbolRate = 27500;
        builder.AddTp(tp);
    }
    builder.AddTv(Program(1, 0x200, "One")).AddTv(Program(2, 0x201, "Two")).AddTv(Program(3, 0x202, "Three"));
    for (std::uint16_t r = 0; r < 12; ++r)
        builder.AddRadio(Program(static_cast<std::uint16_t>(100 + r), 0, "Radio"));
    return builder;
}

std::vector<OverlapImage> OverlapImages()
{
    const BuiltImage one = GuardBaseImage(1).Build();
    const BuiltImage two = GuardBaseImage(2).Build();
    std::vector<OverlapImage> images;
    images.push_back({"over a block header", WithExtraTvEntry(one, one.HeaderOffset(BlockId::Transponders) - 4),
                      kOverlapsDirectoryText});
    images.push_back({"over the signature", WithExtraTvEntry(one, 0), kOverlapsSignatureText});
    images.push_back({"over the layout 2 directory marker", WithExtraTvEntry(two, 0xDFFFC - 8), kOverlapsMarkerText});
    images.push_back({"over another table's entries", WithExtraTvEntry(one, one.EntryOffset(BlockId::RadioPrograms, 2)),
                      kOverlapsDirectoryText});
    images.push_back({"inside another record", WithExtraTvEntry(one, one.RecordOffset(BlockId::Satellites, 0) + 4),
                      kOverlapsRecordText});
    return images;
}

BuiltImage RadioTableRunningIntoTvHeader()
{
    ImageBuilder builder = GuardBaseImage(1);
    // Three more radio programs: fifteen entries before the TV header.
    for (std::uint16_t r = 12; r < 15; ++r)
        builder.AddRadio(Program(static_cast<std::uint16_t>(100 + r), 0, "Radio"));
    // 48 TV programs: the TV entryCount read as an entry points at offset 48,
    // a record that overlaps nothing, so only its flag byte is at fault.
    for (std::uint16_t t = 4; t <= 48; ++t)
        builder.AddTv(Program(t, static_cast<std::uint16_t>(0x200 + t), "More"));
    BuiltImage built = builder.Build();
    PutEntry(built.bytes, built.EntryOffset(BlockId::RadioPrograms, 5), 0x7F, 0xFFFFF0);
    // Fifteen entries, then the TV header's five words read as entries 15..19
    // and the first two TV entries as 20 and 21.
    PutHeader(built.bytes, built.HeaderOffset(BlockId::RadioPrograms), BlockId::RadioPrograms, 22);
    return built;
}

} // namespace korvex::testing
