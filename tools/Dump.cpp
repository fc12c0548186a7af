#include "tools/Dump.h"

#include "codepage/Utf16Text.h"
#include "text/ShownText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace korvex::cli {
namespace {

// Every number goes into JSON as a 64-bit integer, so that no field is ever
// written as a floating-point value.
QJsonValue Int(qint64 value) { return QJsonValue(value); }

QJsonObject SatJson(const SatRecord& s, const NameCharset& charset)
{
    return {
        {QStringLiteral("satId"), Int(s.satId)},
        {QStringLiteral("longitude"), Int(s.longitude)},
        {QStringLiteral("lnbFreLow"), Int(s.lnbFreLow)},
        {QStringLiteral("lnbFreHigh"), Int(s.lnbFreHigh)},
        {QStringLiteral("power012V"), Int(s.power012V)},
        {QStringLiteral("tone22K"), Int(s.tone22K)},
        {QStringLiteral("diseqc10"), Int(s.diseqc10)},
        {QStringLiteral("diseqc12En"), Int(s.diseqc12En)},
        {QStringLiteral("lnbType"), Int(s.lnbType)},
        {QStringLiteral("lnbPower"), Int(s.lnbPower)},
        {QStringLiteral("position"), Int(s.position)},
        {QStringLiteral("satName"), NameText(s.satName, charset)},
        {QStringLiteral("satNameHex"), NameHex(s.satName)},
        {QStringLiteral("entryWord"), Int(s.entryWord)},
        {QStringLiteral("tpCount"), Int(s.tpCount)},
        {QStringLiteral("tvCount"), Int(s.tvCount)},
        {QStringLiteral("radioCount"), Int(s.radioCount)},
    };
}

QJsonObject TpJson(const TpRecord& t)
{
    return {
        {QStringLiteral("tpId"), Int(t.tpId)},
        {QStringLiteral("satId"), Int(t.satId)},
        {QStringLiteral("opaque2"), Int(t.opaque2)},
        {QStringLiteral("frequency"), Int(t.frequency)},
        {QStringLiteral("polarisation"), Int(t.polarisation)},
        {QStringLiteral("symbolRate"), Int(t.symbolRate)},
        {QStringLiteral("entryWord"), Int(t.entryWord)},
        {QStringLiteral("tvCount"), Int(t.tvCount)},
        {QStringLiteral("radioCount"), Int(t.radioCount)},
    };
}

QJsonObject ProgJson(const ProgRecord& p, const NameCharset& charset)
{
    return {
        {QStringLiteral("satId"), Int(p.satId)},
        {QStringLiteral("tpId"), Int(p.tpId)},
        {QStringLiteral("serviceId"), Int(p.serviceId)},
        {QStringLiteral("pcrPid"), Int(p.pcrPid)},
        {QStringLiteral("scramble"), Int(p.scramble)},
        {QStringLiteral("track"), Int(p.track)},
        {QStringLiteral("opaque1"), Int(p.opaque1)},
        {QStringLiteral("opaque13"), Int(p.opaque13)},
        {QStringLiteral("opaque5"), Int(p.opaque5)},
        {QStringLiteral("videoPid"), Int(p.videoPid)},
        {QStringLiteral("audioPid"), Int(p.audioPid)},
        {QStringLiteral("opaque3"), Int(p.opaque3)},
        {QStringLiteral("progName"), NameText(p.progName, charset)},
        {QStringLiteral("progNameHex"), NameHex(p.progName)},
        {QStringLiteral("entryWord"), Int(p.entryWord)},
        {QStringLiteral("tableIndex"), Int(p.tableIndex)},
        {QStringLiteral("unlocked"), Int(p.unlocked)},
        {QStringLiteral("favBits"), Int(p.favBits)},
    };
}

template <typename Record, typename ToJson>
QJsonArray JsonArray(std::span<const Record> records, ToJson toJson)
{
    QJsonArray array;
    for (const Record& record : records)
        array.append(toJson(record));
    return array;
}

} // namespace

QString NameHex(const NameBytes& name)
{
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(name.data()), static_cast<qsizetype>(name.size())).toHex());
}

QByteArray InfoText(const FlashImage& image, const ChannelDatabase& db, const CharsetChoice& names)
{
    const auto hex = [](std::uint32_t value) { return QStringLiteral("0x") + QString::number(value, 16).toUpper(); };
    QString text;
    text += QStringLiteral("Layout kind:     %1\n").arg(image.layoutKind);
    text += QStringLiteral("Flash size:      %1 bytes (%2)\n").arg(image.flashSize).arg(hex(image.flashSize));
    text += QStringLiteral("Directory start: %1\n").arg(hex(image.dirStart));
    text += QStringLiteral("Satellites:      %1\n").arg(db.numSats);
    text += QStringLiteral("Transponders:    %1\n").arg(db.numTps);
    text += QStringLiteral("TV programs:     %1\n").arg(db.numTv);
    text += QStringLiteral("Radio programs:  %1\n").arg(db.numRadio);
    text += QStringLiteral("Name charset:    %1 (%2)\n")
                .arg(QString::fromStdString(names.charset.Name()), QLatin1StringView(SourceText(names.source)));
    return text.toUtf8();
}

QByteArray DumpJson(const FlashImage& image, const ChannelDatabase& db, const CharsetChoice& names)
{
    const NameCharset& charset = names.charset;
    const auto sat = [&](const SatRecord& s) { return SatJson(s, charset); };
    const auto prog = [&](const ProgRecord& p) { return ProgJson(p, charset); };
    const QJsonObject root{
        {QStringLiteral("charset"), QString::fromStdString(charset.Name())},
        {QStringLiteral("layoutKind"), Int(image.layoutKind)},
        {QStringLiteral("flashSize"), Int(image.flashSize)},
        {QStringLiteral("dirStart"), Int(image.dirStart)},
        {QStringLiteral("dirScanLength"), Int(image.dirScanLength)},
        {QStringLiteral("numSats"), Int(db.numSats)},
        {QStringLiteral("numTps"), Int(db.numTps)},
        {QStringLiteral("numTv"), Int(db.numTv)},
        {QStringLiteral("numRadio"), Int(db.numRadio)},
        {QStringLiteral("numProgs"), Int(db.numProgs)},
        {QStringLiteral("sats"), JsonArray(db.Sats(), sat)},
        {QStringLiteral("tps"), JsonArray(db.Tps(), TpJson)},
        {QStringLiteral("tvProgs"), JsonArray(db.TvProgs(), prog)},
        {QStringLiteral("radioProgs"), JsonArray(db.RadioProgs(), prog)},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace korvex::cli
