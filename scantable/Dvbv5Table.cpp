#include "scantable/ScanTableFormats.h"

#include <libdvbv5/dvb-file.h>

#include <memory>

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

} // namespace

ScanTableRead ReadDvbv5Table(const std::filesystem::path& path, const std::string& shownName)
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
    for (dvb_entry* entry = file->first_entry; entry; entry = entry->next) {
        TableEntry parsed;
        parsed.system = SystemOf(PropertyOf(entry, DTV_DELIVERY_SYSTEM, SYS_UNDEFINED));
        parsed.frequencyKHz = PropertyOf(entry, DTV_FREQUENCY, 0);
        parsed.symbolRate = PropertyOf(entry, DTV_SYMBOL_RATE, 0);
        parsed.polarisation = PolarisationOf(PropertyOf(entry, DTV_POLARIZATION, POLARIZATION_OFF));
        satellite.entries.push_back(parsed);
    }
    read.table.emplace();
    read.table->format = ScanTableFormat::Dvbv5;
    read.table->satellites.push_back(std::move(satellite));
    return read;
}

} // namespace korvex
