#pragma once
// Reading a published scan table: the transponders of one or more satellites
// in one of two formats.
//  - dvbv5 (as Linux distributions install under /usr/share/dvb/dvb-s/): one
//    satellite a file, one [CHANNEL] section a transponder, read by libdvbv5.
//    FREQUENCY is in kHz, SYMBOL_RATE in symbols per second. libdvbv5 keeps
//    them in 32 bits, so a value past that is read from the text again and
//    kept whole, for the update to refuse rather than take it wrapped. The
//    satellite's position is the one the file's name ends with, as the
//    tables Linux distributions install are named ("Astra-19.2E").
//  - satellites.xml (receivers of another family): a <satellites> root with
//    one <sat name=".." position=".."> a satellite, one <transponder
//    frequency=".." symbol_rate=".." polarization=".." system=".."/> a
//    transponder. frequency is in kHz, symbol_rate in symbols per second,
//    polarization 0 horizontal, 1 vertical, 2 circular left, 3 circular
//    right; system 0 DVB-S, 1 DVB-S2 (missing: DVB-S); position in tenths of
//    a degree, east positive, west negative.
// A file whose first character other than blanks (and a byte order mark) is
// '<' is taken as satellites.xml, any other as dvbv5.
// The entries are kept in the table's own units; the transponder update
// converts them.

#include "db/TransponderUpdate.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

enum class ScanTableFormat : std::uint8_t { Dvbv5, SatellitesXml };

struct ScanTableSatellite {
    std::string name;            // the <sat> name; for a dvbv5 file, the file's name
    // Tenths of a degree, east positive: satellites.xml's position; for a
    // dvbv5 file the position its name ends with, as in "Hotbird-13.0E".
    // None when the table does not say.
    std::optional<int> position;
    std::vector<TableEntry> entries;
};

struct ScanTable {
    ScanTableFormat format = ScanTableFormat::Dvbv5;
    std::vector<ScanTableSatellite> satellites;
};

struct ScanTableRead {
    std::optional<ScanTable> table;
    std::string error;  // why the file could not be read, for people
};

ScanTableRead ReadScanTable(const std::filesystem::path& path);

// "19.2E", "0.8W", "192" or "-8": an orbital position in tenths of a degree,
// east positive; nothing when the text is none (digits with at most one
// decimal point before E or W: "nanE" and "infW" are no position).
std::optional<int> ParseOrbitalPosition(std::string_view text);
// Whether a satellite record's longitude (tenths of a degree east,
// 0..3599) names the position.
bool LongitudeIsPosition(std::uint16_t longitude, int tenths);

// The satellite of a table at a position, or nothing.
const ScanTableSatellite* SatelliteAt(const ScanTable& table, int tenths);

} // namespace korvex
