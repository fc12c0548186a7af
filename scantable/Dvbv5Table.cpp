#include "scantable/ScanTableFormats.h"

#include <libdvbv5/dvb-file.h>

#include <cctype>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace korvex {
namespace {

struct FileFree {
    void operator()(dvb_file* file) const { dvb_file_free(file); }
};

std::uint32_t PropertyOf(dvb_entry* entry, std::uint32_t command, std::uint32_t missing)
{
    std::uint32_t value = 0;
    return dvb_retrieve_entry_prop(entry, command, &value) == 0 ? value : missing;
}

TablePolarisation PolarisationOf(std::uint32_t value)
{
    switch (value) {
    case POLARIZATION_H: return TablePolarisation::Horizontal;
    case POLARIZATION_V: return TablePolarisation::Vertical;
    case POLARIZATION_L: return TablePolarisation::CircularLeft;
    case POLARIZATION_R: return TablePolarisation::CircularRight;
    default: return TablePolarisation::Missing;
    }
}

TableSystem SystemOf(std::uint32_t value)
{
    switch (value) {
    case SYS_DVBS: return TableSystem::DvbS;
    case SYS_DVBS2: return TableSystem::DvbS2;
    default: return TableSystem::Other;
    }
}

std::string_view Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool SameKey(std::string_view key, std::string_view name)
{
    if (key.size() != name.size())
        return false;
    for (std::size_t i = 0; i < key.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(key[i])) != name[i])
            return false;
    return true;
}

// A number as written, all digits; past 64 bits it stays at the largest.
std::optional<std::uint64_t> WrittenNumber(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        value = value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10 ? std::numeric_limits<std::uint64_t>::max()
                                                                                : value * 10 + digit;
    }
    return value;
}

struct WrittenValues {
    std::optional<std::uint64_t> frequency;
    std::optional<std::uint64_t> symbolRate;
};

// FREQUENCY and SYMBOL_RATE of each section, in file order, as the text
// writes them.
std::vector<WrittenValues> ValuesAsWritten(std::string_view text)
{
    std::vector<WrittenValues> sections;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.starts_with('[')) {
            sections.emplace_back();
            continue;
        }
        const std::size_t equals = line.find('=');
        if (sections.empty() || line.starts_with('#') || equals == std::string_view::npos)
            continue;
        const std::string_view key = Trimmed(line.substr(0, equals));
        const std::optional<std::uint64_t> value = WrittenNumber(Trimmed(line.substr(equals + 1)));
        if (SameKey(key, "FREQUENCY"))
            sections.back().frequency = value;
        else if (SameKey(key, "SYMBOL_RATE"))
            sections.back().symbolRate = value;
    }
    return sections;
}

constexpr std::uint64_t kLibraryMax = std::numeric_limits<std::uint32_t>::max();

// Puts back a value libdvbv5 could only hold wrapped to 32 bits.
void KeepWhole(std::uint64_t& value, const std::optional<std::uint64_t>& written)
{
    if (written && *written > kLibraryMax && value == (*written & kLibraryMax))
        value = *written;
}

// The values past 32 bits, put back whole: section by section where the
// library read as many entries as the text has sections, else wherever an
// entry holds what such a value wraps to.
void KeepValuesWhole(std::vector<TableEntry>& entries, std::string_view text)
{
    const std::vector<WrittenValues> written = ValuesAsWritten(text);
    if (written.size() == entries.size()) {
        for (std::size_t k = 0; k < entries.size(); ++k) {
            KeepWhole(entries[k].frequencyKHz, written[k].frequency);
            KeepWhole(entries[k].symbolRate, written[k].symbolRate);
        }
        return;
    }
    for (const WrittenValues& values : written)
        for (TableEntry& entry : entries) {
            KeepWhole(entry.frequencyKHz, values.frequency);
            KeepWhole(entry.symbolRate, values.symbolRate);
        }
}

} // namespace

std::optional<int> PositionInFileName(std::string_view fileName)
{
    if (fileName.empty())
        return std::nullopt;
    const char last = fileName.back();
    if (last != 'E' && last != 'e' && last != 'W' && last != 'w')
        return std::nullopt;
    std::size_t start = fileName.size() - 1;
    while (start > 0 && (std::isdigit(static_cast<unsigned char>(fileName[start - 1])) || fileName[start - 1] == '.'))
        --start;
    // The position stands apart from the satellite's name.
    if (start > 0 && std::isalnum(static_cast<unsigned char>(fileName[start - 1])))
        return std::nullopt;
    return ParseOrbitalPosition(fileName.substr(start));
}

ScanTableRead ReadDvbv5Table(const std::filesystem::path& path, const std::string& shownName, std::string_view text)
{
    ScanTableRead read;
    // libdvbv5 says on standard error which line it could not take.
    const std::unique_ptr<dvb_file, FileFree> file(dvb_read_file(path.c_str()));
    if (!file) {
        read.error = shownName + " is not a scan table in the dvbv5 format.";
        return read;
    }
    ScanTableSatellite satellite;
    satellite.name = path.filename().string();
    satellite.position = PositionInFileName(satellite.name);
    for (dvb_entry* entry = file->first_entry; entry; entry = entry->next) {
        TableEntry parsed;
        parsed.system = SystemOf(PropertyOf(entry, DTV_DELIVERY_SYSTEM, SYS_UNDEFINED));
        parsed.frequencyKHz = PropertyOf(entry, DTV_FREQUENCY, 0);
        parsed.symbolRate = PropertyOf(entry, DTV_SYMBOL_RATE, 0);
        parsed.polarisation = PolarisationOf(PropertyOf(entry, DTV_POLARIZATION, POLARIZATION_OFF));
        satellite.entries.push_back(parsed);
    }
    KeepValuesWhole(satellite.entries, text);
    read.table.emplace();
    read.table->format = ScanTableFormat::Dvbv5;
    read.table->satellites.push_back(std::move(satellite));
    return read;
}

} // namespace korvex
