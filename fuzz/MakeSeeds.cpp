// Writes the seed corpora of the two fuzz targets: images of both layouts in
// every shape the image builder can break them into, each written as the
// sparse input that stands for it (fuzz/SparseFile.h), and typed texts for
// the editors' fields. The seeds are made at build time, never kept in the
// repository.
//
// Usage: korvex_fuzz_seeds IMAGE-FOLDER TEXT-FOLDER

#include "fuzz/SparseFile.h"
#include "tests/support/ImageBuilder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace korvex;
using namespace korvex::testing;

namespace {

namespace fs = std::filesystem;

void Write(const fs::path& folder, const std::string& name, const Bytes& bytes)
{
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + (folder / name).string());
}

SatRecord Sat(std::uint16_t satId, NameBytes name)
{
    SatRecord sat;
    sat.satId = satId;
    sat.longitude = 192;
    sat.lnbFreLow = 9750;
    sat.lnbFreHigh = 10600;
    sat.lnbType = 2;
    sat.lnbPower = 2;
    sat.tone22K = 1;
    sat.satName = name;
    return sat;
}

TpRecord Tp(std::uint16_t tpId, std::uint16_t satId)
{
    TpRecord tp;
    tp.tpId = tpId;
    tp.satId = satId & 0x3FFF;
    tp.frequency = 11778;
    tp.polarisation = 1;
    tp.symbolRate = 27500;
    return tp;
}

ProgRecord Prog(std::uint16_t satId, std::uint16_t tpId, std::uint16_t videoPid, NameBytes name)
{
    ProgRecord prog;
    prog.satId = satId;
    prog.tpId = tpId;
    prog.serviceId = 28006;
    prog.pcrPid = 255;
    prog.videoPid = videoPid;
    prog.audioPid = 256;
    prog.track = 2;
    prog.unlocked = 1;
    prog.favBits = 0x7E;
    prog.progName = name;
    return prog;
}

NameBytes RawName(std::initializer_list<std::uint8_t> bytes)
{
    NameBytes name{};
    std::copy(bytes.begin(), bytes.end(), name.begin());
    return name;
}

// A small, consistent channel list: every table present and cross-referenced.
ImageBuilder Small(int layout)
{
    ImageBuilder b(layout);
    b.AddSat(Sat(1, Name("Astra 19.2E"))).AddSat(Sat(2, Name("Hotbird"))).AddSat(Sat(3, Name("TWELVE_CHARS")));
    b.AddTp(Tp(10, 1)).AddTp(Tp(11, 1)).AddTp(Tp(20, 2)).AddTp(Tp(30, 3));
    b.AddTv(Prog(1, 10, 101, Name("Das Erste"))).AddTv(Prog(1, 11, 102, Name("ZDF"))).AddTv(Prog(2, 20, 0, Name("NoVideo")));
    b.AddRadio(Prog(1, 10, 0, Name("Radio One"))).AddRadio(Prog(3, 30, 0, Name("Radio Two")));
    return b;
}

// Table sizes of `shape`, at most the given numbers of each kind.
ImageBuilder Random(std::mt19937& rng, int layout, std::size_t sats, std::size_t tps, std::size_t tv,
                    std::size_t radio)
{
    RandomShape shape;
    shape.layoutKind = layout;
    shape.sats = sats;
    shape.tps = tps;
    shape.tv = tv;
    shape.radio = radio;
    return RandomImage(rng, shape);
}

std::vector<std::pair<std::string, Bytes>> ImageSeeds()
{
    std::vector<std::pair<std::string, Bytes>> seeds;
    auto add = [&](std::string name, Bytes bytes) { seeds.emplace_back(std::move(name), std::move(bytes)); };
    std::mt19937 rng(0x6C47);

    for (const int layout : {1, 2}) {
        const std::string l = "layout" + std::to_string(layout) + "-";
        add(l + "small", Small(layout).Build().bytes);
        add(l + "empty-tables", ImageBuilder(layout).Build().bytes);
        add(l + "random", Random(rng, layout, 20, 200, 300, 150).Build().bytes);
        add(l + "no-signature", Small(layout).SignatureAt(std::nullopt).Build().bytes);
        add(l + "signature-at-4", Small(layout).SignatureAt(4).Build().bytes);
        add(l + "signature-at-5", Small(layout).SignatureAt(5).Build().bytes);
        for (const BlockId id : {BlockId::Satellites, BlockId::Transponders, BlockId::TvPrograms, BlockId::RadioPrograms}) {
            const std::string table = std::to_string(static_cast<int>(id));
            add(l + "table-" + table + "-missing", Small(layout).OmitBlock(id).Build().bytes);

            BuiltImage huge = Small(layout).Build();
            PutBe32(huge.bytes, huge.HeaderOffset(id) + 8, 0xFFFFFFFF);
            add(l + "table-" + table + "-entry-count-ffffffff", huge.bytes);
        }

        // Entries whose records lie past the buffer, or cross its end.
        BuiltImage past = Small(layout).Build();
        PutEntry(past.bytes, past.EntryOffset(BlockId::Satellites, 0), 0, 0x0FFFF0);
        PutEntry(past.bytes, past.EntryOffset(BlockId::Transponders, 1), 0, 0xFFFFF8);
        PutEntry(past.bytes, past.EntryOffset(BlockId::TvPrograms, 0), 0x81, 0x0FFFE0);
        PutEntry(past.bytes, past.EntryOffset(BlockId::RadioPrograms, 1), 0xFF, 0xFFFFFF);
        add(l + "entries-past-the-buffer", past.bytes);

        // Records that share bytes with each other and with the directory.
        BuiltImage overlap = Small(layout).Build();
        const std::uint32_t tvRecord = overlap.RecordOffset(BlockId::TvPrograms, 0);
        PutEntry(overlap.bytes, overlap.EntryOffset(BlockId::TvPrograms, 1), 0x00, tvRecord + 3);
        PutEntry(overlap.bytes, overlap.EntryOffset(BlockId::RadioPrograms, 0), 0x01, tvRecord + 2);
        PutEntry(overlap.bytes, overlap.EntryOffset(BlockId::Satellites, 1), 0x00,
                 overlap.HeaderOffset(BlockId::TvPrograms));
        PutEntry(overlap.bytes, overlap.EntryOffset(BlockId::Transponders, 0), 0x00, 0);
        PutEntry(overlap.bytes, overlap.EntryOffset(BlockId::RadioPrograms, 1), 0x01,
                 overlap.EntryOffset(BlockId::TvPrograms, 0) - 10);
        add(l + "overlapping-records", overlap.bytes);

        // A radio record over its own directory entry: writing its video bits
        // back as zero rewrites the entry it was found through.
        BuiltImage overOwnEntry = Small(layout).Build();
        const std::uint32_t ownEntry = overOwnEntry.EntryOffset(BlockId::RadioPrograms, 1);
        PutEntry(overOwnEntry.bytes, ownEntry, 0x85, ownEntry - 10);
        add(l + "radio-record-over-its-own-entry", overOwnEntry.bytes);

        // Two entries with the same word: only the first gets a new flag byte.
        BuiltImage twice = Small(layout).Build();
        PutEntry(twice.bytes, twice.EntryOffset(BlockId::TvPrograms, 1), ProgramFlagByte(Prog(0, 0, 1, {})),
                 twice.RecordOffset(BlockId::TvPrograms, 0));
        PutEntry(twice.bytes, twice.EntryOffset(BlockId::TvPrograms, 0), ProgramFlagByte(Prog(0, 0, 1, {})),
                 twice.RecordOffset(BlockId::TvPrograms, 0));
        add(l + "duplicate-entries", twice.bytes);

        // Tables larger than the arrays that hold them.
        add(l + "over-capacity", Random(rng, layout, 151, 3001, 3500, 2001).Build().bytes);

        // Names that are not plain ASCII: double-byte characters, a lead byte
        // cut by the end of the field, bytes that decode to nothing.
        ImageBuilder names(layout);
        names.AddSat(Sat(1, RawName({0xD6, 0xD0, 0xCE, 0xC4, 0xCC, 0xA8})));
        names.AddSat(Sat(2, RawName({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 0xB0})));
        names.AddSat(Sat(3, RawName({0xE4, 0xB8, 0xAD, 0xE6, 0x96, 0x87, 0xE5, 0x8F, 0xB0, 0xE5, 0x8F, 0xB0})));
        names.AddSat(Sat(4, RawName({0xFF, 0xFE, 0x80, 0x81, 0xC0, 0xAF, 0xED, 0xA0, 0x80, 0xF4, 0x90, 0x80})));
        names.AddTv(Prog(1, 0, 100, RawName({0xE4, 0xB8, 0xAD, 0xE6, 0x96, 0x87, 0xE5, 0x8F, 0xB0, 0xE5, 0x8F, 0xB0})));
        names.AddRadio(Prog(2, 0, 0, RawName({0xA1, 0xA1, 0x81, 0x40, 0xFE, 0x4F, 0x80, 0x20, 0xA1})));
        add(l + "names-beyond-ascii", names.Build().bytes);

        // Coded values that have no name.
        SatRecord odd = Sat(9, Name("NoNames"));
        odd.lnbType = 3;
        odd.lnbPower = 3;
        odd.diseqc10 = 7;
        ProgRecord track = Prog(9, 0, 1, Name("Track3"));
        track.track = 3;
        TpRecord pol = Tp(0, 9);
        pol.polarisation = 3;
        add(l + "values-without-names",
            ImageBuilder(layout).AddSat(Sat(1, Name("Fine"))).AddSat(odd).AddTp(pol).AddTv(track).Build().bytes);

        // The file cut short inside its directory.
        Bytes cut = Small(layout).Build().bytes;
        cut.resize((layout == 1 ? 0x70000 : 0xD0000) + 30);
        add(l + "cut-inside-the-directory", cut);
    }

    // Layout choices at the edges.
    {
        ImageBuilder b(1);
        b.ImageSize(kLayout2Size).SignatureAt(0x7FFF0);
        BuiltImage at = b.Build();
        PutBe32(at.bytes, 0x80000, kBlockMagic);
        add("first-magic-at-0x80000", at.bytes);
        BuiltImage after = ImageBuilder(2).SignatureAt(0x7FFF0).Build();
        PutBe32(after.bytes, 0x80001, kBlockMagic);
        add("first-magic-at-0x80001", after.bytes);
    }
    add("layout2-no-marker", Small(2).MarkerAt(std::nullopt).Build().bytes);
    add("layout2-marker-in-the-second-place", Small(2).MarkerAt(0xEFFFC).Build().bytes);
    {
        BuiltImage both = Small(2).Build();
        PutBe32(both.bytes, 0xEFFFC, kDirectoryMarker);
        add("layout2-marker-in-both-places", both.bytes);
    }
    add("signature-behind-the-directory", Small(1).SignatureAt(0x7F000).Build().bytes);
    {
        // An inactive header first, the active one after it; and a header two
        // bytes off the four-byte steps, which is never found.
        BuiltImage inactive = Small(1).DirectoryAt(0x70000 + 24).Build();
        PutHeader(inactive.bytes, 0x70000, BlockId::Satellites, 1, 0);
        add("inactive-header-first", inactive.bytes);
        BuiltImage skewed = Small(1).DirectoryAt(0x70002).Build();
        add("headers-off-the-four-byte-steps", skewed.bytes);
    }
    {
        // Headers at the end of the scanned region: their entries run on
        // beyond it, and in layout 2 to the end of the buffer.
        add("directory-at-the-end-of-the-scan", Random(rng, 1, 10, 50, 80, 40).DirectoryAt(0x77F80).Build().bytes);
        BuiltImage end = Small(2).MarkerAt(0xEFFFC).Build();
        PutBe32(end.bytes, end.HeaderOffset(BlockId::TvPrograms) + 8, 0x40000);
        add("entries-to-the-end-of-the-buffer", end.bytes);
    }
    add("programs-over-5000-together", Random(rng, 2, 5, 50, 4000, 1500).Build().bytes);

    // Short files.
    add("empty-file", {});
    add("one-byte", {0x36});
    add("signature-only", Bytes(kSignature.begin(), kSignature.end()));
    {
        Bytes header(kSignature.begin(), kSignature.end());
        for (const std::uint8_t b : {0x29, 0x30, 0xAB, 0xCD})
            header.push_back(b);
        add("signature-then-magic", header);
    }
    {
        Bytes random(kImageCapacity);
        for (auto& b : random)
            b = static_cast<std::uint8_t>(rng());
        add("random-1MiB", random);
    }
    return seeds;
}

// One typed-text input: name charset, text, the name field as it stood, and a
// seed for the other fields.
Bytes Typed(std::uint8_t codePage, std::u16string_view text, NameBytes name = {}, std::uint8_t seed = 0)
{
    Bytes bytes{codePage, static_cast<std::uint8_t>(text.size())};
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    bytes.insert(bytes.end(), name.begin(), name.end());
    bytes.push_back(seed);
    return bytes;
}

std::vector<std::pair<std::string, Bytes>> TextSeeds()
{
    std::vector<std::pair<std::string, Bytes>> seeds;
    auto add = [&](std::string name, Bytes bytes) { seeds.emplace_back(std::move(name), std::move(bytes)); };
    const NameBytes tenChars = Name("ABCDEFGHIJ");
    // The text target's six charsets: UTF-8, GBK, ASCII, Windows-1251, Big5, Latin-1.
    for (std::uint8_t page = 0; page < 6; ++page) {
        const std::string p = "page" + std::to_string(page) + "-";
        add(p + "empty", Typed(page, u""));
        add(p + "digits", Typed(page, u"123456"));
        add(p + "wraps-14-bits", Typed(page, u"20000"));
        add(p + "wraps-16-bits", Typed(page, u"70000"));
        add(p + "sign-and-blanks", Typed(page, u"  -12x"));
        add(p + "plus", Typed(page, u"+99"));
        add(p + "fullwidth-digits", Typed(page, u"\uFF11\uFF12\uFF13"));
        add(p + "thirteen-characters", Typed(page, u"ABCDEFGHIJKLM"));
        add(p + "shortened-name", Typed(page, u"XY", tenChars));
        add(p + "name-as-shown", Typed(page, u"ABCDEFGHIJ", tenChars));
        add(p + "chinese-five", Typed(page, u"\u4E2D\u6587\u53F0\u9891\u9053"));
        add(p + "traditional-chinese", Typed(page, u"\u83EF\u8996\u65B0\u805E"));
        add(p + "cyrillic", Typed(page, u"\u041F\u0435\u0440\u0432\u044B\u0439 \u043A\u0430\u043D\u0430\u043B"));
        add(p + "latin-accents", Typed(page, u"M\u00FCnchen T\u00E9l\u00E9"));
        add(p + "chinese-straddles", Typed(page, u"ABCDEFGHIJK\u4E2D"));
        add(p + "surrogate-pair-at-the-end", Typed(page, u"ABCDEFGHIJK\U0001F600"));
        add(p + "lone-surrogates", Typed(page, u"A\xD800" u"B\xDC00"));
        add(p + "not-in-gbk", Typed(page, u"\u00E9\u20AC\u0E01"));
        add(p + "zero-inside", Typed(page, std::u16string_view(u"AB\0CD", 5)));
        add(p + "undecodable-old-name", Typed(page, u"N", RawName({0xFF, 0xB0, 0xE4, 0xB8})));
    }
    return seeds;
}

} // namespace

// A sequence input: a script that takes every kind of action once, with
// undo and redo between them, followed by the image's sparse input.
Bytes SequenceInput(const Bytes& image)
{
    Bytes script;
    // Every writing action (kinds 0 to 12), then undo (13) and redo (14).
    for (std::uint8_t kind = 0; kind < 13; ++kind) {
        script.push_back(kind);
        for (std::uint8_t argument = 0; argument < 24; ++argument)
            script.push_back(static_cast<std::uint8_t>(kind * 37 + argument * 11));
    }
    script.insert(script.end(), {13, 13, 14, 12, 1, 0, 3, 0, 1});
    Bytes input(2 + script.size());
    input[0] = static_cast<std::uint8_t>(script.size() >> 8);
    input[1] = static_cast<std::uint8_t>(script.size());
    std::ranges::copy(script, input.begin() + 2);
    input.insert(input.end(), image.begin(), image.end());
    return input;
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s IMAGE-FOLDER TEXT-FOLDER SEQUENCE-FOLDER\n", argv[0]);
        return 2;
    }
    try {
        const fs::path images(argv[1]);
        const fs::path texts(argv[2]);
        const fs::path sequences(argv[3]);
        fs::create_directories(images);
        fs::create_directories(texts);
        fs::create_directories(sequences);
        const auto decoded = std::make_unique<fuzz::SparseFile>();
        for (const auto& [name, bytes] : ImageSeeds()) {
            const Bytes input = fuzz::EncodeSparseFile(bytes);
            decoded->Decode(input);
            if (!std::ranges::equal(decoded->Bytes(), bytes))
                throw std::runtime_error("the sparse input for " + name + " stands for another file");
            Write(images, name, input);
            Write(sequences, name, SequenceInput(input));
        }
        // A file one byte over 1 MiB, which only a sparse input can stand for:
        // one piece of two bytes at the last offset a piece can start from.
        Write(images, "file-over-1MiB", {0x0F, 0xFF, 0xFF, 0x00, 0x02, '6', 'C'});
        for (const auto& [name, bytes] : TextSeeds())
            Write(texts, name, bytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
