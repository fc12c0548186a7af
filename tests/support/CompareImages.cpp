#include "tests/support/CompareImages.h"

namespace korvex::testing {
namespace {

ProgRecord Program(const char* name, std::uint16_t satId, std::uint16_t tpId, std::uint16_t serviceId, bool tv)
{
    ProgRecord prog;
    prog.satId = satId;
    prog.tpId = tpId;
    prog.serviceId = serviceId;
    prog.videoPid = tv ? static_cast<std::uint16_t>(serviceId + 1000) : 0;
    prog.audioPid = static_cast<std::uint16_t>(serviceId + 2000);
    prog.progName = Name(name);
    prog.unlocked = 1;
    prog.favBits = 0x7E;  // in no group
    return prog;
}

SatRecord Satellite(const char* name, std::uint16_t satId, std::uint16_t longitude)
{
    SatRecord sat;
    sat.satId = satId;
    sat.longitude = longitude;
    sat.satName = Name(name);
    return sat;
}

TpRecord Transponder(std::uint16_t tpId, std::uint16_t satId, std::uint16_t frequency, std::uint8_t polarisation)
{
    TpRecord tp;
    tp.tpId = tpId;
    tp.satId = satId;
    tp.frequency = frequency;
    tp.polarisation = polarisation;
    tp.symbolRate = 27500;
    return tp;
}

} // namespace

ComparePair MakeEditedCopy()
{
    ImageBuilder builder(1);
    builder.AddSat(Satellite("Astra", 1, 192)).AddTp(Transponder(1, 1, 11778, 1));
    std::vector<ProgRecord> tv;
    for (const auto& [name, service] : {std::pair{"A", 101}, {"B", 102}, {"C", 103}, {"D", 104}, {"E", 105},
                                        {"F", 106}})
        tv.push_back(Program(name, 1, 1, static_cast<std::uint16_t>(service), true));
    tv[3].unlocked = 0;  // D is locked
    for (const ProgRecord& prog : tv)
        builder.AddTv(prog);
    const ProgRecord r1 = Program("R1", 1, 1, 201, false);
    const ProgRecord r2 = Program("R2", 1, 1, 202, false);
    builder.AddRadio(r1).AddRadio(r2);

    ComparePair pair;
    pair.earlier = builder.Build();
    BuiltImage& later = pair.later;
    later = pair.earlier;
    // TV entries F A B D E: F to the front, C deleted, D unlocked.
    const int order[] = {5, 0, 1, 3, 4};
    for (std::uint32_t k = 0; k < std::size(order); ++k) {
        ProgRecord prog = tv[static_cast<std::size_t>(order[k])];
        if (order[k] == 3)
            prog.unlocked = 1;
        PutEntry(later.bytes, later.EntryOffset(BlockId::TvPrograms, k), ProgramFlagByte(prog),
                 pair.earlier.RecordOffset(BlockId::TvPrograms, static_cast<std::size_t>(order[k])));
    }
    PutBe32(later.bytes, later.EntryOffset(BlockId::TvPrograms, 5), 0xFFFFFFFF);
    PutBe32(later.bytes, later.HeaderOffset(BlockId::TvPrograms) + 8, 5);
    // B renamed, with a new audio PID, in its own record.
    ProgRecord b = tv[1];
    b.progName = Name("B2");
    b.audioPid = 555;
    PutProgRecord(later.bytes, pair.earlier.RecordOffset(BlockId::TvPrograms, 1), b);
    // R2 joins Movies (group 0: bit 1 cleared).
    ProgRecord movies = r2;
    movies.favBits = 0x7C;
    PutEntry(later.bytes, later.EntryOffset(BlockId::RadioPrograms, 1), ProgramFlagByte(movies),
             pair.earlier.RecordOffset(BlockId::RadioPrograms, 1));

    pair.expected.tv = {{"F", "moved from 6 to 1"}, {"B2", "audio PID was 2102; name was B"}, {"D", "unlocked"}};
    pair.expected.radio = {{"R2", "now in Movies"}};
    pair.expected.goneTv = {"C"};
    pair.expected.goneTvNumbers = {3};
    pair.expected.gone = 1;
    pair.expected.moved = 1;
    pair.expected.changed = 3;
    return pair;
}

ComparePair MakeRescanPair()
{
    // Earlier: Astra (id 7) and Hotbird (id 3), one transponder each.
    ImageBuilder earlier(2);
    earlier.AddSat(Satellite("Astra", 7, 192)).AddSat(Satellite("Hotbird", 3, 130));
    earlier.AddTp(Transponder(20, 7, 11778, 1)).AddTp(Transponder(30, 3, 10992, 0));
    earlier.AddTv(Program("Das Erste", 7, 20, 28106, true))
        .AddTv(Program("ZDF", 7, 20, 28006, true))
        .AddTv(Program("Rai 1", 3, 30, 3401, true))
        .AddTv(Program("Rai 2", 3, 30, 3402, true))
        .AddTv(Program("Old", 7, 20, 500, true))
        .AddRadio(Program("Bayern 3", 7, 20, 28402, false));

    // The scan: Hotbird first (id 1) with its frequency read 3 units high,
    // then Astra (id 2); programs in scan order, Rai 2 now called Rai Due,
    // Old gone, Welt new.
    ImageBuilder rescan(2);
    rescan.AddSat(Satellite("Hotbird", 1, 130)).AddSat(Satellite("Astra", 2, 192));
    rescan.AddTp(Transponder(1, 1, 10995, 0)).AddTp(Transponder(2, 2, 11778, 1));
    ProgRecord raiDue = Program("Rai Due", 1, 1, 3402, true);
    rescan.AddTv(Program("Rai 1", 1, 1, 3401, true))
        .AddTv(raiDue)
        .AddTv(Program("Das Erste", 2, 2, 28106, true))
        .AddTv(Program("ZDF", 2, 2, 28006, true))
        .AddTv(Program("Welt", 2, 2, 28721, true))
        .AddRadio(Program("Bayern 3", 2, 2, 28402, false));

    ComparePair pair{earlier.Build(), rescan.Build(), {}};
    pair.expected.tv = {{"Das Erste", "moved from 1 to 3"},
                        {"ZDF", "moved from 2 to 4"},
                        {"Rai Due", "name was Rai 2"},
                        {"Welt", "new"}};
    pair.expected.goneTv = {"Old"};
    pair.expected.goneTvNumbers = {5};
    pair.expected.added = 1;
    pair.expected.gone = 1;
    pair.expected.moved = 2;
    pair.expected.changed = 1;
    return pair;
}

} // namespace korvex::testing
