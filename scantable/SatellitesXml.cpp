#include "scantable/ScanTableFormats.h"

#include <QXmlStreamReader>

namespace korvex {
namespace {

TablePolarisation PolarisationOf(int value)
{
    switch (value) {
    case 0: return TablePolarisation::Horizontal;
    case 1: return TablePolarisation::Vertical;
    case 2: return TablePolarisation::CircularLeft;
    case 3: return TablePolarisation::CircularRight;
    default: return TablePolarisation::Missing;
    }
}

TableSystem SystemOf(const QXmlStreamAttributes& attributes)
{
    if (!attributes.hasAttribute(QLatin1String("system")))
        return TableSystem::DvbS;
    bool ok = false;
    const int value = attributes.value(QLatin1String("system")).toInt(&ok);
    if (!ok)
        return TableSystem::Other;
    return value == 0 ? TableSystem::DvbS : value == 1 ? TableSystem::DvbS2 : TableSystem::Other;
}

// A number attribute; 0 when it is missing or no number, which no record
// takes either.
std::uint64_t NumberOf(const QXmlStreamAttributes& attributes, QLatin1String name)
{
    bool ok = false;
    const qulonglong value = attributes.value(name).trimmed().toULongLong(&ok);
    return ok ? value : 0;
}

TableEntry EntryOf(const QXmlStreamAttributes& attributes)
{
    TableEntry entry;
    entry.frequencyKHz = NumberOf(attributes, QLatin1String("frequency"));
    entry.symbolRate = NumberOf(attributes, QLatin1String("symbol_rate"));
    bool ok = false;
    const int polarisation = attributes.value(QLatin1String("polarization")).toInt(&ok);
    entry.polarisation = ok ? PolarisationOf(polarisation) : TablePolarisation::Missing;
    entry.system = SystemOf(attributes);
    return entry;
}

ScanTableSatellite SatelliteOf(const QXmlStreamAttributes& attributes)
{
    ScanTableSatellite satellite;
    satellite.name = attributes.value(QLatin1String("name")).toString().toStdString();
    bool ok = false;
    const int position = attributes.value(QLatin1String("position")).toInt(&ok);
    if (ok)
        satellite.position = position;
    return satellite;
}

} // namespace

ScanTableRead ParseSatellitesXml(std::string_view bytes, const std::string& shownName)
{
    ScanTableRead read;
    ScanTable table;
    table.format = ScanTableFormat::SatellitesXml;
    QXmlStreamReader xml(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
    bool inSatellite = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"sat") {
                table.satellites.push_back(SatelliteOf(xml.attributes()));
                inSatellite = true;
            } else if (xml.name() == u"transponder" && inSatellite) {
                table.satellites.back().entries.push_back(EntryOf(xml.attributes()));
            }
        } else if (xml.isEndElement() && xml.name() == u"sat") {
            inSatellite = false;
        }
    }
    if (xml.hasError()) {
        read.error = shownName + " is not a readable satellites.xml file: " + xml.errorString().toStdString() +
                     " (line " + std::to_string(xml.lineNumber()) + ").";
        return read;
    }
    if (table.satellites.empty()) {
        read.error = shownName + " holds no <sat> element of a satellites.xml file.";
        return read;
    }
    read.table = std::move(table);
    return read;
}

} // namespace korvex
