#pragma once
// The two readers behind ReadScanTable.

#include "scantable/ScanTableFile.h"

#include <string>

namespace korvex {

// Reads a dvbv5 file with libdvbv5; `shownName` names the file in messages,
// `text` is the file's text, read again for the values libdvbv5 cannot hold.
ScanTableRead ReadDvbv5Table(const std::filesystem::path& path, const std::string& shownName, std::string_view text);

// The orbital position a dvbv5 file's name ends with ("Hotbird-13.0E",
// "Thor-1.0W"), or none.
std::optional<int> PositionInFileName(std::string_view fileName);

// Parses the bytes of a satellites.xml file.
ScanTableRead ParseSatellitesXml(std::string_view bytes, const std::string& shownName);

} // namespace korvex
