// Fuzz target "text": whatever a user can type into an editor's fields.
//
// Input: byte 0 picks the name charset (UTF-8, GBK, ASCII, Windows-1251,
// Big5, Latin-1); byte 1 is the number L of UTF-16 units typed; 2L bytes of
// UTF-16LE text follow; then the 12 bytes of the name field as it stood;
// whatever remains seeds the other fields of the records.
//
// Every number field is read from the text as the editors read it: a text of
// ASCII digits (blanks around them allowed) whose value fits the field's width
// is taken, anything else is refused with a reason. A taken value is stored
// and the record written out: only the field's own bits of its packed word
// may change, and they must hold the value. The name is read as the editors
// read it: stored whole when it takes at most 12 bytes, with a zero byte
// behind a shorter name and the bytes behind that zero left alone; a name
// that takes more, or holds a character the charset cannot store, is refused
// and the field left as it was.

#include "codepage/NameCharset.h"
#include "db/ChannelDatabase.h"
#include "db/RecordCodec.h"
#include "editors/FieldConversions.h"
#include "fuzz/FuzzCheck.h"

#include <QString>

#include <array>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace korvex;

namespace {

const NameCharset& CharsetFor(std::uint8_t selector)
{
    static const std::array<NameCharset, 6> charsets{
        NameCharset("UTF-8"),        NameCharset("GBK"),  NameCharset("ANSI_X3.4-1968"),
        NameCharset("WINDOWS-1251"), NameCharset("BIG5"), NameCharset("ISO-8859-1"),
    };
    return charsets[selector % charsets.size()];
}

struct Records {
    SatRecord sat;
    TpRecord tp;
    ProgRecord prog;
};

enum class Kind { Sat, Tp, Prog };

// A number field of an editor, the store the editor makes, and where the
// field's bits lie in the record bytes.
struct FieldPlace {
    const NumberField& field;
    Kind kind;
    std::size_t wordAt;   // first byte of the big-endian word holding the field
    std::size_t wordSize; // 2 or 4
    unsigned shift;       // lowest bit of the field in that word
    void (*store)(Records&, std::uint32_t);
};

const FieldPlace kNumberFields[] = {
    {fields::kLongitude, Kind::Sat, 2, 2, 0, [](Records& r, std::uint32_t v) { r.sat.longitude = static_cast<std::uint16_t>(v); }},
    {fields::kLnbFreLow, Kind::Sat, 4, 2, 0, [](Records& r, std::uint32_t v) { r.sat.lnbFreLow = static_cast<std::uint16_t>(v); }},
    {fields::kLnbFreHigh, Kind::Sat, 6, 2, 0, [](Records& r, std::uint32_t v) { r.sat.lnbFreHigh = static_cast<std::uint16_t>(v); }},
    {fields::kPosition, Kind::Sat, 8, 2, 0, [](Records& r, std::uint32_t v) { r.sat.position = v; }},
    {fields::kFrequency, Kind::Tp, 4, 2, 2, [](Records& r, std::uint32_t v) { r.tp.frequency = v; }},
    {fields::kSymbolRate, Kind::Tp, 6, 2, 0, [](Records& r, std::uint32_t v) { r.tp.symbolRate = static_cast<std::uint16_t>(v); }},
    {fields::kServiceId, Kind::Prog, 4, 2, 0, [](Records& r, std::uint32_t v) { r.prog.serviceId = static_cast<std::uint16_t>(v); }},
    {fields::kPcrPid, Kind::Prog, 6, 2, 3, [](Records& r, std::uint32_t v) { r.prog.pcrPid = v; }},
    {fields::kVideoPid, Kind::Prog, 8, 4, 0, [](Records& r, std::uint32_t v) { r.prog.videoPid = v; }},
    {fields::kAudioPid, Kind::Prog, 12, 2, 3, [](Records& r, std::uint32_t v) { r.prog.audioPid = v; }},
};

std::vector<std::uint8_t> RecordBytes(const Records& records, Kind kind)
{
    std::vector<std::uint8_t> bytes(kProgRecordSize, 0);
    switch (kind) {
    case Kind::Sat:
        WriteSat(records.sat, std::span(bytes).first<kSatRecordSize>());
        bytes.resize(kSatRecordSize);
        break;
    case Kind::Tp:
        WriteTp(records.tp, std::span(bytes).first<kTpRecordSize>());
        bytes.resize(kTpRecordSize);
        break;
    case Kind::Prog:
        WriteProg(records.prog, std::span<std::uint8_t, kProgRecordSize>(bytes.data(), kProgRecordSize));
        break;
    }
    return bytes;
}

std::uint32_t WordAt(const std::vector<std::uint8_t>& bytes, const FieldPlace& field)
{
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < field.wordSize; ++i)
        word = (word << 8) | bytes[field.wordAt + i];
    return word;
}

Records RandomRecords(std::mt19937& rng)
{
    auto bits = [&](unsigned n) { return static_cast<unsigned>(rng()) & ((1u << n) - 1u); };
    Records r;
    r.sat.satId = static_cast<std::uint16_t>(bits(16));
    r.sat.longitude = static_cast<std::uint16_t>(bits(16));
    r.sat.lnbFreLow = static_cast<std::uint16_t>(bits(16));
    r.sat.lnbFreHigh = static_cast<std::uint16_t>(bits(16));
    r.sat.power012V = bits(1);
    r.sat.tone22K = bits(1);
    r.sat.diseqc10 = bits(3);
    r.sat.diseqc12En = bits(1);
    r.sat.lnbType = bits(2);
    r.sat.lnbPower = bits(2);
    r.sat.position = bits(6);
    r.tp.tpId = static_cast<std::uint16_t>(bits(16));
    r.tp.satId = bits(14);
    r.tp.opaque2 = bits(2);
    r.tp.frequency = bits(14);
    r.tp.polarisation = bits(2);
    r.tp.symbolRate = static_cast<std::uint16_t>(bits(16));
    r.prog.satId = static_cast<std::uint16_t>(bits(16));
    r.prog.tpId = static_cast<std::uint16_t>(bits(16));
    r.prog.serviceId = static_cast<std::uint16_t>(bits(16));
    r.prog.pcrPid = bits(13);
    r.prog.scramble = bits(1);
    r.prog.track = bits(2);
    r.prog.opaque1 = bits(1);
    r.prog.opaque13 = bits(13);
    r.prog.opaque5 = bits(5);
    r.prog.videoPid = bits(13);
    r.prog.audioPid = bits(13);
    r.prog.opaque3 = bits(3);
    r.prog.tailWords = {static_cast<std::uint32_t>(rng()), static_cast<std::uint32_t>(rng())};
    return r;
}

// The value of a text of ASCII digits with blanks around them, or nothing.
std::optional<std::uint64_t> DigitsValue(const QString& text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const QChar c : digits) {
        if (c.unicode() < '0' || c.unicode() > '9')
            return std::nullopt;
        value = std::min<std::uint64_t>(value * 10 + (c.unicode() - '0'), 1ull << 40);
    }
    return value;
}

void CheckNumberFields(const QString& text, const Records& before)
{
    for (const FieldPlace& place : kNumberFields) {
        const NumberField& field = place.field;
        const char* name = field.name.data();
        const NumberReading reading = ReadNumber(text, field);
        const std::optional<std::uint64_t> typed = DigitsValue(text);
        const bool fits = typed && *typed <= field.Max();
        KORVEX_FUZZ_CHECK(reading.value.has_value() == fits, name);
        KORVEX_FUZZ_CHECK(reading.refusal.isEmpty() == fits, name);
        if (!fits)
            continue;
        const std::uint32_t expected = static_cast<std::uint32_t>(*typed);
        KORVEX_FUZZ_CHECK(*reading.value == expected, name);

        Records after = before;
        place.store(after, expected);
        const std::vector<std::uint8_t> old = RecordBytes(before, place.kind);
        const std::vector<std::uint8_t> now = RecordBytes(after, place.kind);
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (i < place.wordAt || i >= place.wordAt + place.wordSize)
                KORVEX_FUZZ_CHECK(old[i] == now[i], name);
        }
        const std::uint32_t fieldBits = field.Max() << place.shift;
        KORVEX_FUZZ_CHECK((WordAt(old, place) & ~fieldBits) == (WordAt(now, place) & ~fieldBits), name);
        KORVEX_FUZZ_CHECK(((WordAt(now, place) & fieldBits) >> place.shift) == expected, name);
    }
}

// The characters of text one by one, a surrogate pair as one.
std::vector<std::u16string> Characters(std::u16string_view text)
{
    std::vector<std::u16string> characters;
    for (std::size_t i = 0; i < text.size();) {
        const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                          text[i + 1] <= 0xDFFF;
        characters.emplace_back(text.substr(i, pair ? 2 : 1));
        i += pair ? 2 : 1;
    }
    return characters;
}

void CheckName(const QString& text, const NameBytes& before, const NameCharset& charset)
{
    const QString shown = ShowName(before, charset);
    KORVEX_FUZZ_CHECK(shown.size() <= static_cast<qsizetype>(kNameBytes), "a name shows more than 12 characters");

    NameBytes field = before;
    KORVEX_FUZZ_CHECK(ReadName(shown, shown, field, charset).isEmpty() && field == before,
                      "a name left as shown was written again");

    field = before;
    const QString refusal = ReadName(text, shown, field, charset);
    if (text == shown) {
        KORVEX_FUZZ_CHECK(refusal.isEmpty() && field == before, "a name left as shown was written again");
        return;
    }
    // The characters one at a time: their bytes, and whether the charset
    // refuses any.
    std::string full;
    bool refused = false;
    for (const std::u16string& character : Characters(text.toStdU16String())) {
        const EncodedName one = charset.Encode(character);
        refused = refused || !one.unstorable.empty();
        full += one.bytes;
    }
    if (refused || full.size() > kNameBytes) {
        KORVEX_FUZZ_CHECK(!refusal.isEmpty(), "a name that cannot be stored whole was not refused");
        KORVEX_FUZZ_CHECK(field == before, "a refused name was written");
        return;
    }
    KORVEX_FUZZ_CHECK(refusal.isEmpty(), "a name that fits was refused");
    const std::size_t written = full.size();

    NameBytes expected = before;
    std::memcpy(expected.data(), full.data(), written);
    if (written < kNameBytes)
        expected[written] = 0;
    KORVEX_FUZZ_CHECK(field == expected, "the stored name is not the name typed");

    // Decoding what was stored and encoding it again gives the same bytes: no
    // character was cut.
    const std::string_view stored(reinterpret_cast<const char*>(field.data()), written);
    KORVEX_FUZZ_CHECK(charset.Encode(charset.Decode(stored)).bytes == stored,
                      "a stored name does not decode back to itself");
}

std::uint64_t Fold(const std::uint8_t* data, std::size_t size)
{
    std::uint64_t hash = 0xCBF29CE484222325ull ^ size;
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 0x100000001B3ull;
    return hash;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const NameCharset& charset = CharsetFor(data[0]);
    std::size_t at = 2;
    const std::size_t units = std::min<std::size_t>(data[1], (size - at) / 2);
    std::u16string typed(units, u'\0');
    for (std::size_t i = 0; i < units; ++i, at += 2)
        typed[i] = static_cast<char16_t>(data[at] | (data[at + 1] << 8));
    const QString text = QString::fromStdU16String(typed);

    NameBytes name{};
    const std::size_t nameBytes = std::min(kNameBytes, size - at);
    std::memcpy(name.data(), data + at, nameBytes);
    at += nameBytes;
    std::mt19937 rng(static_cast<std::mt19937::result_type>(Fold(data + at, size - at)));

    CheckNumberFields(text, RandomRecords(rng));
    CheckName(text, name, charset);
    return 0;
}
