#pragma once
// The two readers behind ReadScanTable.

#include "scantable/ScanTableFile.h"

#include <string>

namespace korvex {

// Reads a dvbv5 file with libdvbv5; `shownName` names the file in messages.
ScanTableRead ReadDvbv5Table(const std::filesystem::path& path, const std::string& shownName);

// Parses the bytes of a satellites.xml file.
ScanTableRead ParseSatellitesXml(std::string_view bytes, const std::string& shownName);

} // namespace korvex
