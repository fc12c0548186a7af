#include "tools/CsvTables.h"

#include "text/ShownText.h"
#include "tools/Csv.h"
#include "tools/Dump.h"
#include "tools/FavouriteGroups.h"

namespace korvex::cli {
namespace {

constexpr QChar kKeepAsText = QLatin1Char('\'');

QString Number(qint64 value) { return QString::number(value); }

// A coded value's name; empty when its table has none, so that one odd value
// leaves one cell blank instead of ending the table.
QString CodedName(std::span<const std::string_view> table, unsigned value)
{
    const std::string_view name = CodedValueName(table, value);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QStringList WithRecordColumns(QStringList header)
{
    return header << QStringLiteral("tableIndex") << QStringLiteral("recordOffset");
}

template <typename Record>
QStringList WithRecordFields(QStringList fields, const Record& record)
{
    return fields << Number(record.tableIndex) << Number(RecordOffsetOf(record.entryWord));
}

QByteArray SatsCsv(const ChannelDatabase& db, const NameCharset& names)
{
    QByteArray csv = CsvRecordText(WithRecordColumns(
        {QStringLiteral("SatNO."), QStringLiteral("SatName"), QStringLiteral("Longitude(E)"),
         QStringLiteral("LnbType"), QStringLiteral("LnbPower"), QStringLiteral("LnbFreLow"),
         QStringLiteral("LnbFreHigh"), QStringLiteral("22K"), QStringLiteral("0/12V"), QStringLiteral("DiSEqC1.0"),
         QStringLiteral("DiSEqC1.2En"), QStringLiteral("Postion"), QStringLiteral("satId")}));
    qint64 row = 0;
    for (const SatRecord& s : db.Sats())
        csv += CsvRecordText(WithRecordFields(
            {Number(row++), NameCell(NameText(s.satName, names)), Number(s.longitude),
             CodedName(kLnbTypeNames, s.lnbType), CodedName(kLnbPowerNames, s.lnbPower), Number(s.lnbFreLow),
             Number(s.lnbFreHigh), Number(s.tone22K), Number(s.power012V), Number(s.diseqc10),
             Number(s.diseqc12En), Number(s.position), Number(s.satId)},
            s));
    return csv;
}

QByteArray TpsCsv(const ChannelDatabase& db)
{
    QByteArray csv = CsvRecordText(WithRecordColumns({QStringLiteral("TpNO."), QStringLiteral("Frequency"),
                                                      QStringLiteral("Polarization"), QStringLiteral("Symbol Rate"),
                                                      QStringLiteral("tpId"), QStringLiteral("satId")}));
    qint64 row = 0;
    for (const TpRecord& t : db.Tps())
        csv += CsvRecordText(WithRecordFields({Number(row++), Number(t.frequency), Number(t.polarisation),
                                               Number(t.symbolRate), Number(t.tpId), Number(t.satId)},
                                              t));
    return csv;
}

QByteArray ProgramsCsv(std::span<const ProgRecord> progs, const NameCharset& names)
{
    QByteArray csv = CsvRecordText(ProgramCsvHeader());
    qint64 row = 1;  // program rows count from 1
    for (const ProgRecord& p : progs)
        csv += CsvRecordText(ProgramCsvFields(p, row++, names));
    return csv;
}

} // namespace

std::optional<CsvTable> CsvTableNamed(QStringView name)
{
    if (name == u"sats")
        return CsvTable::Sats;
    if (name == u"tps")
        return CsvTable::Tps;
    if (name == u"tv")
        return CsvTable::Tv;
    if (name == u"radio")
        return CsvTable::Radio;
    return std::nullopt;
}

QByteArray TableCsv(const ChannelDatabase& db, CsvTable table, const NameCharset& names)
{
    switch (table) {
    case CsvTable::Sats: return SatsCsv(db, names);
    case CsvTable::Tps: return TpsCsv(db);
    case CsvTable::Tv: return ProgramsCsv(db.TvProgs(), names);
    case CsvTable::Radio: return ProgramsCsv(db.RadioProgs(), names);
    }
    return {};
}

QStringList ProgramCsvHeader()
{
    return WithRecordColumns({QStringLiteral("ProgNO."), QStringLiteral("ProgName"), QStringLiteral("ServiceID"),
                              QStringLiteral("VideoPid"), QStringLiteral("AudioPid"), QStringLiteral("PcrPid"),
                              QStringLiteral("Scramble"), QStringLiteral("Track"), QStringLiteral("ChildLock"),
                              QStringLiteral("Favorite"), QStringLiteral("satId"), QStringLiteral("tpId")});
}

QStringList ProgramCsvFields(const ProgRecord& p, qint64 rowNumber, const NameCharset& names)
{
    return WithRecordFields({Number(rowNumber), NameCell(NameText(p.progName, names)), Number(p.serviceId),
                             Number(p.videoPid), Number(p.audioPid), Number(p.pcrPid), Number(p.scramble),
                             Number(p.track), Number((p.unlocked & 1) == 0 ? 1 : 0), FavouriteText(p.favBits),
                             Number(p.satId), Number(p.tpId)},
                            p);
}

QString NameCell(const QString& name) { return kKeepAsText + name; }

QString NameOfCell(const QString& cell) { return cell.startsWith(kKeepAsText) ? cell.mid(1) : cell; }

} // namespace korvex::cli
