#include "scantable/ScanTableFile.h"

#include "scantable/ScanTableFormats.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <system_error>

namespace korvex {
namespace {

// satellites.xml files of many satellites run to a few MB; a file far beyond
// that is no scan table.
constexpr std::uintmax_t kMaxTableBytes = 64u << 20;

bool LooksLikeXml(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && bytes[first] == '<';
}

} // namespace

ScanTableRead ReadScanTable(const std::filesystem::path& path)
{
    const std::string shown = path.string();
    ScanTableRead read;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || std::filesystem::is_directory(path)) {
        read.error = "Cannot read " + shown + (error ? ": " + error.message() : ": it is a folder") + ".";
        return read;
    }
    if (size > kMaxTableBytes) {
        read.error = shown + " is too large to be a scan table.";
        return read;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        read.error = "Cannot read " + shown + ".";
        return read;
    }
    return LooksLikeXml(bytes) ? ParseSatellitesXml(bytes, shown) : ReadDvbv5Table(path, shown, bytes);
}

std::optional<int> ParseOrbitalPosition(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    int sign = 1;
    const char last = text.back();
    if (last == 'E' || last == 'e' || last == 'W' || last == 'w') {
        sign = (last == 'W' || last == 'w') ? -1 : 1;
        text.remove_suffix(1);
        // from_chars also reads "nan", "inf" and exponents: only digits and
        // one point make a position.
        const std::size_t point = text.find('.');
        if (text.empty() || text.find_first_not_of("0123456789.") != std::string_view::npos ||
            (point != std::string_view::npos && text.find('.', point + 1) != std::string_view::npos) ||
            text == ".")
            return std::nullopt;
        double degrees = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), degrees);
        if (ec != std::errc() || end != text.data() + text.size() || degrees < 0 || degrees > 180)
            return std::nullopt;
        return sign * static_cast<int>(std::lround(degrees * 10));
    }
    int tenths = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), tenths);
    if (ec != std::errc() || end != text.data() + text.size() || tenths < -1800 || tenths > 1800)
        return std::nullopt;
    return tenths;
}

bool LongitudeIsPosition(std::uint16_t longitude, int tenths)
{
    return longitude == ((tenths % 3600) + 3600) % 3600;
}

const ScanTableSatellite* SatelliteAt(const ScanTable& table, int tenths)
{
    for (const ScanTableSatellite& satellite : table.satellites)
        if (satellite.position == tenths)
            return &satellite;
    return nullptr;
}

} // namespace korvex
