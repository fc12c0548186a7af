#include "tests/support/CleanUpImages.h"

namespace korvex::testing {

ProgRecord Tv(std::uint16_t satId, std::uint16_t tpId, std::uint16_t serviceId, const char* name,
              std::uint8_t favBits, std::uint16_t scramble)
{
    ProgRecord prog{.satId = satId, .tpId = tpId, .serviceId = serviceId, .scramble = scramble, .videoPid = 101,
                    .audioPid = 102, .progName = Name(name)};
    prog.unlocked = 1;
    prog.favBits = favBits;
    return prog;
}

ProgRecord Radio(std::uint16_t satId, std::uint16_t tpId, std::uint16_t serviceId, const char* name)
{
    ProgRecord prog = Tv(satId, tpId, serviceId, name);
    prog.videoPid = 0;
    return prog;
}

BuiltImage EveryKind()
{
    ImageBuilder builder(1);
    builder.AddSat({.satId = 1, .longitude = 192, .satName = Name("Astra")})
        .AddSat({.satId = 2, .longitude = 130, .satName = Name("Hotbird")})
        .AddSat({.satId = 2, .longitude = 130, .satName = Name("Hotbird B")})
        .AddSat({.satId = 3, .longitude = 90, .satName = Name("Empty")})
        .AddSat({.satId = 4, .longitude = 8, .satName = Name("Thor")});
    builder.AddTp({.tpId = 10, .satId = 1, .frequency = 11778, .polarisation = 1, .symbolRate = 27500})
        .AddTp({.tpId = 11, .satId = 1, .frequency = 11778, .polarisation = 1, .symbolRate = 27500})
        .AddTp({.tpId = 20, .satId = 2, .frequency = 10992, .polarisation = 0, .symbolRate = 27500})
        .AddTp({.tpId = 30, .satId = 9, .frequency = 12000, .polarisation = 0, .symbolRate = 27500})
        .AddTp({.tpId = 40, .satId = 4, .frequency = 12100, .polarisation = 0, .symbolRate = 27500})
        .AddTp({.tpId = 50, .satId = 1, .frequency = 12500, .polarisation = 0, .symbolRate = 27500});
    builder.AddTv(Tv(1, 10, 100, "Das Erste"))         // 0
        .AddTv(Tv(1, 11, 100, "Das Erste"))            // 1 duplicate of 0: the same frequency
        .AddTv(Tv(1, 10, 101, "Rai 3"))                // 2
        .AddTv(Tv(1, 10, 102, "Rai 3"))                // 3 the same name, another service: a variant
        .AddTv(Tv(1, 10, 100, "Erste HD"))             // 4 duplicate of 0: the same ids
        .AddTv(Tv(2, 20, 200, "Sky", 0x7E, 1))         // 5 scrambled
        .AddTv(Tv(1, 99, 300, "Lost"))                 // 6 stray: no transponder 99
        .AddTv(Tv(77, 40, 400, "Orphan"))              // 7 stray: no satellite 77
        .AddTv(Tv(9, 30, 500, "Nowhere"))              // 8 stray: no satellite 9
        .AddTv(Tv(2, 20, 201, "Movie", 0x7C));         // 9 in "Movies"
    builder.AddRadio(Radio(2, 20, 600, "Radio 1"))     // 0
        .AddRadio(Radio(2, 20, 600, "Radio 1"))        // 1 duplicate of radio 0
        .AddRadio(Radio(1, 10, 100, "Das Erste"))      // 2 the same service as TV 0, another table
        .AddRadio(Radio(1, 30, 700, "Carried"));       // 3 on transponder 3, which goes
    return builder.Build();
}

} // namespace korvex::testing
