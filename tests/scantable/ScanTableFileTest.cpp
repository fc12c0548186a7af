// Reading scan tables: both formats in the tables' own units, the choice of
// format by content, the satellites of a satellites.xml file and their
// positions, messages for files that are no table, and one real table as
// Debian's dtv-scan-tables installs it.

#include "scantable/ScanTableFile.h"
#include "scantable/ScanTableFormats.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <fstream>
#include <string>

namespace korvex {
namespace {

constexpr auto H = TablePolarisation::Horizontal;
constexpr auto V = TablePolarisation::Vertical;

class ScanTableFileTest : public ::testing::Test {
protected:
    std::filesystem::path Write(const std::string& name, const std::string& text)
    {
        const std::filesystem::path path = dir_.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    QTemporaryDir dir_;
};

TEST_F(ScanTableFileTest, ReadsADvbv5FileInItsOwnUnits)
{
    const auto path = Write("Hotbird-13.0E",
                            "# comment\n"
                            "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 10719000\n"
                            "\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 27500000\n\tINNER_FEC = 3/4\n"
                            "\tMODULATION = PSK/8\n\tINVERSION = AUTO\n\n"
                            "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11013000\n"
                            "\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 29900000\n\n"
                            "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 3840000\n"
                            "\tPOLARIZATION = LEFT\n\tSYMBOL_RATE = 30000000\n\n"
                            "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBT\n\tFREQUENCY = 474000000\n\tBANDWIDTH_HZ = 8000000\n");
    const ScanTableRead read = ReadScanTable(path);
    ASSERT_TRUE(read.table) << read.error;
    EXPECT_EQ(read.table->format, ScanTableFormat::Dvbv5);
    ASSERT_EQ(read.table->satellites.size(), 1u);
    const ScanTableSatellite& satellite = read.table->satellites[0];
    EXPECT_EQ(satellite.name, "Hotbird-13.0E");
    EXPECT_EQ(satellite.position, 130);  // from the file's name
    ASSERT_EQ(satellite.entries.size(), 4u);
    EXPECT_EQ(satellite.entries[0], (TableEntry{10719000, 27500000, V, TableSystem::DvbS2}));
    EXPECT_EQ(satellite.entries[1], (TableEntry{11013000, 29900000, H, TableSystem::DvbS}));
    EXPECT_EQ(satellite.entries[2].polarisation, TablePolarisation::CircularLeft);
    EXPECT_EQ(satellite.entries[3].system, TableSystem::Other);
}

// libdvbv5 holds FREQUENCY and SYMBOL_RATE in 32 bits: 4305960296 would come
// back as 10993000. The value is kept whole, for the update to refuse.
TEST_F(ScanTableFileTest, KeepsADvbv5ValuePast32BitsWholeInsteadOfWrapped)
{
    const auto path = Write("Astra-19.2E",
                            "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 4305960296\n"
                            "\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 27500000\n\n"
                            "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 10993000\n"
                            "\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 4322467296\n");
    const ScanTableRead read = ReadScanTable(path);
    ASSERT_TRUE(read.table) << read.error;
    const std::vector<TableEntry>& entries = read.table->satellites[0].entries;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].frequencyKHz, 4305960296u);
    EXPECT_EQ(entries[0].symbolRate, 27500000u);
    EXPECT_EQ(entries[1].frequencyKHz, 10993000u);
    EXPECT_EQ(entries[1].symbolRate, 4322467296u);
    EXPECT_EQ(ToRecordValues(entries[0]).problem, EntryProblem::FrequencyDoesNotFit);
    EXPECT_EQ(ToRecordValues(entries[1]).problem, EntryProblem::SymbolRateDoesNotFit);
}

TEST(OrbitalPosition, ADvbv5FileNameEndsWithItsPositionOrSaysNone)
{
    struct Case {
        const char* name;
        std::optional<int> position;
    };
    const Case cases[] = {
        {"Hotbird-13.0E", 130}, {"Thor-0.8W", -8}, {"Astra_19.2E", 192}, {"Eutelsat-5.0W", -50},
        {"my-table", std::nullopt}, {"Hotbird", std::nullopt}, {"ASTRA2E", std::nullopt}, {"Sat-nanE", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PositionInFileName(c.name), c.position) << c.name;
}

TEST_F(ScanTableFileTest, ReadsEverySatelliteOfASatellitesXmlFile)
{
    const auto path = Write("satellites.xml",
                            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<satellites>\n"
                            "  <sat name=\"13.0E Hot Bird\" flags=\"0\" position=\"130\">\n"
                            "    <transponder frequency=\"10719000\" symbol_rate=\"27500000\" polarization=\"1\""
                            " fec_inner=\"3\" system=\"1\" modulation=\"2\"/>\n"
                            "    <transponder frequency=\"11013000\" symbol_rate=\"29900000\" polarization=\"0\""
                            " fec_inner=\"3\"/>\n"
                            "    <transponder frequency=\"3840000\" symbol_rate=\"30000000\" polarization=\"3\"/>\n"
                            "    <transponder frequency=\"11000000\" symbol_rate=\"x\" polarization=\"0\" system=\"7\"/>\n"
                            "  </sat>\n"
                            "  <sat name=\"0.8W Thor\" flags=\"0\" position=\"-8\">\n"
                            "    <transponder frequency=\"10778000\" symbol_rate=\"24500000\" polarization=\"0\"/>\n"
                            "  </sat>\n"
                            "</satellites>\n");
    const ScanTableRead read = ReadScanTable(path);
    ASSERT_TRUE(read.table) << read.error;
    EXPECT_EQ(read.table->format, ScanTableFormat::SatellitesXml);
    ASSERT_EQ(read.table->satellites.size(), 2u);
    const ScanTableSatellite& hotbird = read.table->satellites[0];
    EXPECT_EQ(hotbird.name, "13.0E Hot Bird");
    EXPECT_EQ(hotbird.position, 130);
    ASSERT_EQ(hotbird.entries.size(), 4u);
    EXPECT_EQ(hotbird.entries[0], (TableEntry{10719000, 27500000, V, TableSystem::DvbS2}));
    EXPECT_EQ(hotbird.entries[1], (TableEntry{11013000, 29900000, H, TableSystem::DvbS}));
    EXPECT_EQ(hotbird.entries[2].polarisation, TablePolarisation::CircularRight);
    EXPECT_EQ(hotbird.entries[3], (TableEntry{11000000, 0, H, TableSystem::Other}));

    EXPECT_EQ(SatelliteAt(*read.table, -8), &read.table->satellites[1]);
    EXPECT_EQ(SatelliteAt(*read.table, 192), nullptr);
    EXPECT_TRUE(LongitudeIsPosition(3592, -8));
    EXPECT_TRUE(LongitudeIsPosition(130, 130));
}

TEST_F(ScanTableFileTest, SaysWhyAFileIsNoTable)
{
    struct Case {
        std::string name;
        std::string text;
        std::string error;  // the start of the message after the path
    };
    const Case cases[] = {
        {"broken.xml", "<satellites><sat name=\"a\" position=\"1\"><transponder", " is not a readable satellites.xml"},
        {"other.xml", "<?xml version=\"1.0\"?><channels><channel/></channels>", " holds no <sat> element"},
        {"garbage", std::string("\x00\x01\x02[CHANNEL]\nFREQUENCY = abc\n", 30), " is not a scan table in the dvbv5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = Write(c.name, c.text);
        const ScanTableRead read = ReadScanTable(path);
        EXPECT_FALSE(read.table);
        EXPECT_EQ(read.error.rfind(path.string() + c.error, 0), 0u) << read.error;
    }
    const ScanTableRead missing = ReadScanTable(dir_.filePath("none").toStdString());
    EXPECT_FALSE(missing.table);
    EXPECT_EQ(missing.error.rfind("Cannot read ", 0), 0u) << missing.error;
    EXPECT_FALSE(ReadScanTable(dir_.path().toStdString()).table);
}

TEST(OrbitalPosition, ReadsDegreesOrTenthsAndWritesDegrees)
{
    EXPECT_EQ(ParseOrbitalPosition("19.2E"), 192);
    EXPECT_EQ(ParseOrbitalPosition("0.8w"), -8);
    EXPECT_EQ(ParseOrbitalPosition("13E"), 130);
    EXPECT_EQ(ParseOrbitalPosition("-50"), -50);
    EXPECT_EQ(ParseOrbitalPosition("192"), 192);
    for (const char* bad : {"", "E", "19.2X", "190E", "1801", "19.2.1E", "abc", "nanE", "NANw", "infE", "1e1E",
                            "+5E", ".E", "-5E"})
        EXPECT_FALSE(ParseOrbitalPosition(bad)) << bad;
    EXPECT_EQ(OrbitalPositionText(192), "19.2E");
    EXPECT_EQ(OrbitalPositionText(-8), "0.8W");
}

// The file of Debian's dtv-scan-tables that the README's example uses.
TEST(RealScanTable, ReadsEveryChannelOfAnInstalledDvbv5File)
{
    const std::filesystem::path path = "/usr/share/dvb/dvb-s/Hotbird-13.0E";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "dtv-scan-tables is not installed";
    std::ifstream in(path);
    std::size_t sections = 0;
    for (std::string line; std::getline(in, line);)
        sections += line.find("[CHANNEL]") != std::string::npos;

    const ScanTableRead read = ReadScanTable(path);
    ASSERT_TRUE(read.table) << read.error;
    const std::vector<TableEntry>& entries = read.table->satellites.at(0).entries;
    EXPECT_EQ(entries.size(), sections);
    for (const TableEntry& entry : entries) {
        EXPECT_NE(entry.system, TableSystem::Other);
        EXPECT_TRUE(entry.polarisation == H || entry.polarisation == V);
        EXPECT_EQ(ToRecordValues(entry).problem, EntryProblem::None);
    }
    EXPECT_NE(std::ranges::find(entries, TableEntry{12596000, 27500000, V, TableSystem::DvbS}), entries.end());
}

} // namespace
} // namespace korvex
