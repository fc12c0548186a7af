// Matching the records of two channel lists that share no ids: satellites by
// longitude (and name where a longitude is shared), transponders by
// polarisation and nearest frequency, programs by service id and then by a
// name that is unique on both sides. Each table of cases says which records
// pair up, and how.

#include "db/ChannelMatch.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {
namespace {

using testing::CaseName;
using testing::ImageBuilder;
using testing::LoadedImage;
using testing::Name;

struct Sat {
    std::uint16_t id;
    std::uint16_t longitude;
    const char* name;
};

struct Tp {
    std::uint16_t id;
    std::uint16_t satId;
    std::uint16_t frequency;
    std::uint8_t polarisation;  // 0 H, 1 V
};

struct Prog {
    std::uint16_t satId;
    std::uint16_t tpId;
    std::uint16_t serviceId;
    const char* name;
    bool tv = true;
};

struct List {
    std::vector<Sat> sats;
    std::vector<Tp> tps;
    std::vector<Prog> progs;
};

LoadedImage Load(const List& list)
{
    ImageBuilder builder(1);
    for (const Sat& sat : list.sats)
        builder.AddSat({.satId = sat.id, .longitude = sat.longitude, .satName = Name(sat.name)});
    for (const Tp& tp : list.tps)
        builder.AddTp({.tpId = tp.id, .satId = tp.satId, .frequency = tp.frequency, .polarisation = tp.polarisation});
    for (const Prog& p : list.progs) {
        ProgRecord prog{.satId = p.satId, .tpId = p.tpId, .serviceId = p.serviceId, .progName = Name(p.name)};
        prog.videoPid = p.tv ? 100 : 0;
        p.tv ? builder.AddTv(prog) : builder.AddRadio(prog);
    }
    LoadedImage loaded(builder);
    EXPECT_TRUE(loaded.loaded);
    return loaded;
}

std::string SatText(const SatRecord& sat) { return std::string(NameView(sat.satName)); }

std::string TpText(const TpRecord& tp) { return std::to_string(tp.frequency) + (tp.polarisation ? "V" : "H"); }

std::vector<std::string> SatellitePairs(const ChannelMatch& match, const ChannelDatabase& earlier,
                                        const ChannelDatabase& current)
{
    std::vector<std::string> pairs;
    for (const SatellitePair& pair : match.satellites.pairs)
        pairs.push_back(SatText(earlier.sats[pair.earlier]) + ">" + SatText(current.sats[pair.current]) +
                        (pair.by == SatelliteMatchedBy::Longitude ? " by longitude" : " by name"));
    return pairs;
}

std::vector<std::string> TransponderPairs(const ChannelMatch& match, const ChannelDatabase& earlier,
                                          const ChannelDatabase& current)
{
    std::vector<std::string> pairs;
    for (const TransponderPair& pair : match.transponders.pairs) {
        const TpRecord& before = earlier.tps[pair.earlier];
        const TpRecord& after = current.tps[pair.current];
        EXPECT_EQ(pair.frequencyShift, int{after.frequency} - int{before.frequency});
        pairs.push_back(TpText(before) + ">" + TpText(after));
    }
    return pairs;
}

std::vector<std::string> ProgramPairs(const ChannelMatch& match, const ChannelDatabase& earlier,
                                      const ChannelDatabase& current)
{
    std::vector<std::string> pairs;
    for (const ProgTable table : {ProgTable::Tv, ProgTable::Radio}) {
        const bool tv = table == ProgTable::Tv;
        for (const ProgramPair& pair : match.Programs(table).pairs) {
            const ProgRecord& before = (tv ? earlier.TvProgs() : earlier.RadioProgs())[pair.earlier];
            const ProgRecord& after = (tv ? current.TvProgs() : current.RadioProgs())[pair.current];
            pairs.push_back(std::string(tv ? "tv " : "radio ") + std::string(NameView(before.progName)) + ">" +
                            std::string(NameView(after.progName)) +
                            (pair.by == ProgramMatchedBy::Service ? " by service" : " by name"));
        }
    }
    return pairs;
}

// Every record is either in a pair or listed unmatched, on both sides, and
// the two lookups agree with the pairs.
template <typename Pair>
void ExpectConsistent(const Matching<Pair>& m, std::size_t earlierCount, std::size_t currentCount)
{
    ASSERT_EQ(m.earlierOf.size(), currentCount);
    ASSERT_EQ(m.currentOf.size(), earlierCount);
    EXPECT_EQ(m.pairs.size() + m.unmatchedCurrent.size(), currentCount);
    EXPECT_EQ(m.pairs.size() + m.unmatchedEarlier.size(), earlierCount);
    for (const Pair& pair : m.pairs) {
        EXPECT_EQ(m.earlierOf[pair.current], pair.earlier);
        EXPECT_EQ(m.currentOf[pair.earlier], pair.current);
    }
    for (const std::uint32_t c : m.unmatchedCurrent)
        EXPECT_EQ(m.earlierOf[c], kNoMatch);
    for (const std::uint32_t e : m.unmatchedEarlier)
        EXPECT_EQ(m.currentOf[e], kNoMatch);
}

void ExpectConsistent(const ChannelMatch& match, const ChannelDatabase& earlier, const ChannelDatabase& current)
{
    ExpectConsistent(match.satellites, earlier.numSats, current.numSats);
    ExpectConsistent(match.transponders, earlier.numTps, current.numTps);
    ExpectConsistent(match.Programs(ProgTable::Tv), earlier.numTv, current.numTv);
    ExpectConsistent(match.Programs(ProgTable::Radio), earlier.numRadio, current.numRadio);
}

struct SatCase {
    const char* description;
    std::vector<Sat> earlier;
    std::vector<Sat> current;
    std::vector<std::string> pairs;  // in the current list's order
};

void PrintTo(const SatCase& c, std::ostream* os) { *os << c.description; }

const SatCase kSatCases[] = {
    {"one satellite per longitude matches by longitude whatever its name",
     {{1, 192, "Astra"}, {2, 130, "Hotbird"}},
     {{5, 130, "HOTBIRD 13E"}, {6, 192, "Astra 19.2"}},
     {"Hotbird>HOTBIRD 13E by longitude", "Astra>Astra 19.2 by longitude"}},
    {"satellites sharing a longitude match by name with case folded",
     {{1, 282, "Astra 2"}, {2, 282, "Eutelsat 28"}},
     {{3, 282, "EUTELSAT 28"}, {4, 282, "astra 2"}},
     {"Eutelsat 28>EUTELSAT 28 by name", "Astra 2>astra 2 by name"}},
    {"one of two earlier satellites at a longitude is found by name",
     {{1, 282, "Astra 2"}, {2, 282, "Eutelsat 28"}},
     {{3, 282, "Astra 2"}},
     {"Astra 2>Astra 2 by name"}},
    {"a shared longitude with a name the other list lacks stays unmatched",
     {{1, 282, "Astra 2"}, {2, 282, "Eutelsat 28"}},
     {{3, 282, "Badr"}},
     {}},
    {"a longitude shared under one name stays unmatched",
     {{1, 282, "Astra"}, {2, 282, "Astra"}},
     {{3, 282, "Astra"}, {4, 282, "Astra"}},
     {}},
    {"a shared longitude with empty names stays unmatched", {{1, 50, ""}, {2, 50, ""}}, {{3, 50, ""}}, {}},
    {"a satellite at another longitude stays unmatched", {{1, 192, "Astra"}}, {{2, 193, "Astra"}}, {}},
};

class MatchSatellitesTest : public ::testing::TestWithParam<SatCase> {};

TEST_P(MatchSatellitesTest, PairsAsExpected)
{
    const SatCase& c = GetParam();
    const LoadedImage earlier = Load({c.earlier, {}, {}});
    const LoadedImage current = Load({c.current, {}, {}});
    const ChannelMatch match = MatchChannels(*earlier.db, *current.db);
    EXPECT_EQ(SatellitePairs(match, *earlier.db, *current.db), c.pairs);
    ExpectConsistent(match, *earlier.db, *current.db);
}

INSTANTIATE_TEST_SUITE_P(Match, MatchSatellitesTest, ::testing::ValuesIn(kSatCases),
                         [](const auto& info) { return CaseName(info.param.description); });

struct TpCase {
    const char* description;
    std::vector<Tp> earlier;  // on satellite 1 unless said otherwise
    std::vector<Tp> current;  // on satellite 2 (the same longitude) unless said otherwise
    std::uint16_t tolerance;
    std::vector<std::string> pairs;
};

void PrintTo(const TpCase& c, std::ostream* os) { *os << c.description; }

constexpr std::uint8_t H = 0;
constexpr std::uint8_t V = 1;

const TpCase kTpCases[] = {
    {"the same frequency and polarisation",
     {{10, 1, 11778, V}, {11, 1, 11778, H}},
     {{20, 2, 11778, H}, {21, 2, 11778, V}},
     3,
     {"11778H>11778H", "11778V>11778V"}},
    {"a frequency off by the tolerance, either way",
     {{10, 1, 10992, V}, {11, 1, 11034, V}},
     {{20, 2, 10995, V}, {21, 2, 11031, V}},
     3,
     {"10992V>10995V", "11034V>11031V"}},
    {"a frequency off by more than the tolerance stays unmatched", {{10, 1, 10992, V}}, {{20, 2, 10996, V}}, 3, {}},
    {"a wider tolerance takes it", {{10, 1, 10992, V}}, {{20, 2, 10996, V}}, 4, {"10992V>10996V"}},
    {"tolerance 0 takes the same frequency only", {{10, 1, 11000, H}}, {{20, 2, 11001, H}}, 0, {}},
    {"the same frequency first, before a shifted one listed earlier",
     {{10, 1, 12000, H}},
     {{20, 2, 12001, H}, {21, 2, 12000, H}},
     3,
     {"12000H>12000H"}},
    {"the nearest frequency within the tolerance",
     {{10, 1, 11000, H}, {11, 1, 11003, H}},
     {{20, 2, 11002, H}},
     3,
     {"11003H>11002H"}},
    {"at equal distance the lower frequency",
     {{10, 1, 11000, H}, {11, 1, 11004, H}},
     {{20, 2, 11002, H}},
     3,
     {"11000H>11002H"}},
    {"one unit off before two units off, whatever the table order",
     {{10, 1, 11000, H}},
     {{20, 2, 11002, H}, {21, 2, 11001, H}},
     3,
     {"11000H>11001H"}},
    {"each earlier transponder is taken once",
     {{10, 1, 11000, H}},
     {{20, 2, 11001, H}, {21, 2, 10999, H}},
     3,
     {"11000H>11001H"}},
    {"the polarisation must agree", {{10, 1, 11000, H}}, {{20, 2, 11000, V}}, 3, {}},
    {"a transponder of another satellite stays unmatched", {{10, 1, 11000, H}}, {{20, 9, 11000, H}}, 3, {}},
    {"a transponder of no satellite stays unmatched", {{10, 1, 11000, H}}, {{20, 77, 11000, H}}, 3, {}},
};

class MatchTranspondersTest : public ::testing::TestWithParam<TpCase> {};

TEST_P(MatchTranspondersTest, PairsAsExpected)
{
    const TpCase& c = GetParam();
    const LoadedImage earlier = Load({{{1, 192, "Astra"}, {8, 130, "Hotbird"}}, c.earlier, {}});
    const LoadedImage current = Load({{{2, 192, "Astra"}, {9, 130, "Hotbird"}}, c.current, {}});
    const ChannelMatch match = MatchChannels(*earlier.db, *current.db, {.frequencyTolerance = c.tolerance, .names = {}});
    EXPECT_EQ(TransponderPairs(match, *earlier.db, *current.db), c.pairs);
    ExpectConsistent(match, *earlier.db, *current.db);
}

INSTANTIATE_TEST_SUITE_P(Match, MatchTranspondersTest, ::testing::ValuesIn(kTpCases),
                         [](const auto& info) { return CaseName(info.param.description); });

// Satellites and transponders of every program case. Astra and Hotbird match
// by longitude; "Old" and "New" do not. Transponder 100 matches 110 and 200
// matches 210 (one unit off); 101 and 111 have no partner, nor have 300 and 310.
const List kEarlierPlaces{{{1, 192, "Astra"}, {2, 130, "Hotbird"}, {3, 50, "Old"}},
                          {{100, 1, 11778, V}, {101, 1, 12000, H}, {200, 2, 10992, V}, {300, 3, 11000, H}},
                          {}};
const List kCurrentPlaces{{{11, 192, "Astra"}, {12, 130, "Hotbird"}, {13, 51, "New"}},
                          {{110, 11, 11778, V}, {111, 11, 12500, H}, {210, 12, 10993, V}, {310, 13, 11000, H}},
                          {}};

struct ProgCase {
    const char* description;
    std::vector<Prog> earlier;
    std::vector<Prog> current;
    std::vector<std::string> pairs;  // TV then radio, each in the current table's order
};

void PrintTo(const ProgCase& c, std::ostream* os) { *os << c.description; }

const ProgCase kProgCases[] = {
    {"by service id on a matched transponder whatever the name",
     {{1, 100, 5, "ZDF"}, {2, 200, 9, "Rai 1"}},
     {{12, 210, 9, "RAI UNO"}, {11, 110, 5, "ZDF HD"}},
     {"tv Rai 1>RAI UNO by service", "tv ZDF>ZDF HD by service"}},
    {"a shared service id goes to the same name first",
     {{1, 100, 5, "Sky A"}, {1, 100, 5, "Sky B"}},
     {{11, 110, 5, "Sky B"}, {11, 110, 5, "sky a"}},
     {"tv Sky B>Sky B by service", "tv Sky A>sky a by service"}},
    {"a shared service id with no same name goes in table order",
     {{1, 100, 5, "X1"}, {1, 100, 5, "X2"}},
     {{11, 110, 5, "Y1"}, {11, 110, 5, "Y2"}},
     {"tv X1>Y1 by service", "tv X2>Y2 by service"}},
    {"a same name is found before table order hands it to another",
     {{1, 100, 5, "Y"}, {1, 100, 5, "Z"}},
     {{11, 110, 5, "Q"}, {11, 110, 5, "Y"}},
     {"tv Z>Q by service", "tv Y>Y by service"}},
    {"the same service id on an unmatched transponder does not match",
     {{1, 101, 5, "A"}},
     {{11, 111, 5, "B"}},
     {}},
    {"a name unique on the matched satellite on both sides",
     {{1, 101, 7, "Arte"}, {2, 200, 8, "Arte"}},
     {{11, 111, 8, "ARTE"}},
     {"tv Arte>ARTE by name"}},
    {"a name twice on the satellite is never guessed",
     {{1, 101, 7, "Arte"}},
     {{11, 111, 8, "Arte"}, {11, 111, 9, "Arte"}},
     {}},
    {"a name twice on the earlier satellite is never guessed",
     {{1, 101, 7, "Arte"}, {1, 100, 9, "Arte"}},
     {{11, 111, 8, "Arte"}},
     {}},
    {"a name on another matched satellite is not taken",
     {{2, 200, 7, "Arte"}},
     {{11, 111, 8, "Arte"}},
     {}},
    {"on an unmatched satellite a name unique in the whole table",
     {{3, 300, 7, "Local"}, {1, 100, 3, "Other"}},
     {{13, 310, 8, "LOCAL"}},
     {"tv Local>LOCAL by name"}},
    {"on an unmatched satellite a name found on any satellite",
     {{2, 200, 7, "Local"}},
     {{13, 310, 8, "Local"}},
     {"tv Local>Local by name"}},
    {"on an unmatched satellite a name held twice in the table is never guessed",
     {{3, 300, 7, "News"}},
     {{13, 310, 8, "News"}, {12, 210, 9, "News"}},
     {}},
    {"an earlier program matched by service is not taken again by name",
     {{1, 100, 5, "N"}},
     {{11, 110, 5, "M"}, {13, 310, 8, "N"}},
     {"tv N>M by service"}},
    {"empty names never match", {{1, 101, 7, ""}}, {{11, 111, 8, ""}}, {}},
    {"TV matches TV and radio matches radio",
     {{1, 100, 5, "ZDF", true}, {1, 100, 6, "Radio", false}},
     {{11, 110, 6, "Radio", true}, {11, 110, 5, "ZDF", false}},
     {}},
    {"each table on its own",
     {{1, 100, 5, "ZDF", true}, {1, 100, 5, "ZDF", false}},
     {{11, 110, 5, "ZDF", false}, {11, 110, 5, "ZDF", true}},
     {"tv ZDF>ZDF by service", "radio ZDF>ZDF by service"}},
};

class MatchProgramsTest : public ::testing::TestWithParam<ProgCase> {};

TEST_P(MatchProgramsTest, PairsAsExpected)
{
    const ProgCase& c = GetParam();
    List earlierList = kEarlierPlaces;
    earlierList.progs = c.earlier;
    List currentList = kCurrentPlaces;
    currentList.progs = c.current;
    const LoadedImage earlier = Load(earlierList);
    const LoadedImage current = Load(currentList);
    const ChannelMatch match = MatchChannels(*earlier.db, *current.db);
    EXPECT_EQ(ProgramPairs(match, *earlier.db, *current.db), c.pairs);
    ExpectConsistent(match, *earlier.db, *current.db);
}

INSTANTIATE_TEST_SUITE_P(Match, MatchProgramsTest, ::testing::ValuesIn(kProgCases),
                         [](const auto& info) { return CaseName(info.param.description); });

TEST(MatchPrograms, CountsEachWayOfMatchingPerTable)
{
    List earlierList = kEarlierPlaces;
    earlierList.progs = {{1, 100, 5, "ZDF"}, {1, 101, 7, "Arte"}, {1, 100, 8, "Gone"}, {1, 100, 6, "R", false}};
    List currentList = kCurrentPlaces;
    currentList.progs = {{11, 111, 9, "Arte"}, {11, 110, 5, "ZDF"}, {11, 110, 4, "New"}, {11, 110, 6, "R", false}};
    const LoadedImage earlier = Load(earlierList);
    const LoadedImage current = Load(currentList);
    const ChannelMatch match = MatchChannels(*earlier.db, *current.db);
    EXPECT_EQ(match.Count(ProgTable::Tv, ProgramMatchedBy::Service), 1u);
    EXPECT_EQ(match.Count(ProgTable::Tv, ProgramMatchedBy::Name), 1u);
    EXPECT_EQ(match.Count(ProgTable::Radio, ProgramMatchedBy::Service), 1u);
    EXPECT_EQ(match.Programs(ProgTable::Tv).unmatchedCurrent, (std::vector<std::uint32_t>{2}));
    EXPECT_EQ(match.Programs(ProgTable::Tv).unmatchedEarlier, (std::vector<std::uint32_t>{2}));
}

TEST(FoldedName, FoldsAsciiLettersOnlyAndStopsAtTheFirstZero)
{
    NameBytes name = Name("Sky Ä1");  // UTF-8 bytes above 0x7F stay as they are
    name[10] = 'X';                    // behind the zero: not part of the name
    NameBytes expected = Name("sky Ä1");
    EXPECT_EQ(FoldedName(name), expected);
}

// A two-byte charset as GBK lays it out: a byte from 0x81 leads, and the byte
// after it, whatever it is, belongs to the same character; a lead byte with
// nothing after it cannot be decoded.
bool TwoByteCharacters(std::string_view bytes, std::span<bool> single)
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        single[i] = static_cast<unsigned char>(bytes[i]) < 0x81;
        if (!single[i]) {
            if (i + 1 == bytes.size())
                return false;
            single[++i] = false;
        }
    }
    return true;
}

TEST(FoldedName, FoldsOnlyTheLettersThatAreCharactersOfTheirOwn)
{
    const auto gbk = [](std::string_view text) { return FoldedName(Name(text), TwoByteCharacters); };
    // 華 is C8 41 and 萢 is C8 61 in GBK: one trail byte apart, no letter.
    EXPECT_NE(gbk("\xC8\x41TV"), gbk("\xC8\x61TV"));
    EXPECT_EQ(gbk("\xC8\x41TV"), gbk("\xC8\x41tv"));
    // Undecodable (a lead byte at the end): the exact bytes.
    EXPECT_EQ(gbk("AB\xC8"), Name("AB\xC8"));
}

TEST(MatchPrograms, NamesOfATwoByteCharsetDifferingInATrailByteAreDifferentNames)
{
    List earlierList = kEarlierPlaces;
    earlierList.progs = {{1, 100, 5, "\xC8\x41\xCA\xD3"}};  // GBK 華視, on a transponder not matched
    List currentList = kCurrentPlaces;
    currentList.progs = {{11, 110, 9, "\xC8\x61\xCA\xD3"}};  // GBK 萢視
    const LoadedImage earlier = Load(earlierList);
    const LoadedImage current = Load(currentList);
    const ChannelMatch match = MatchChannels(*earlier.db, *current.db, {.names = TwoByteCharacters});
    EXPECT_TRUE(match.Programs(ProgTable::Tv).pairs.empty());
    currentList.progs = {{11, 110, 9, "\xC8\x41\xCA\xD3"}};
    const LoadedImage same = Load(currentList);
    EXPECT_EQ(MatchChannels(*earlier.db, *same.db, {.names = TwoByteCharacters}).Count(ProgTable::Tv,
                                                                                       ProgramMatchedBy::Name),
              1u);
}

} // namespace
} // namespace korvex
