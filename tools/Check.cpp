#include "tools/Check.h"

#include "db/Encoders.h"
#include "db/WriteGuard.h"

#include <algorithm>
#include <map>
#include <set>
#include <span>
#include <vector>

namespace korvex::cli {
namespace {

// Indexed by BlockId, as the loader's account is.
constexpr const char* kTableNames[] = {"satellite table", "transponder table", "TV program table",
                                       "radio program table"};

QString At(const char* array, std::size_t index)
{
    return QStringLiteral("%1[%2]").arg(QLatin1StringView(array)).arg(index);
}

void CheckLoadAccount(const ChannelDatabase& db, QStringList& findings)
{
    for (std::size_t t = 0; t < db.loadAccount.tables.size(); ++t) {
        const TableAccount& account = db.loadAccount.tables[t];
        const QLatin1StringView table(kTableNames[t]);
        if (!account.blockFound)
            findings << QStringLiteral("%1: block not found, read as empty").arg(table);
        if (account.skipped > 0)
            findings << QStringLiteral("%1: %2 of %3 entries skipped: the entry or its record lies outside the image")
                            .arg(table)
                            .arg(account.skipped)
                            .arg(account.entryCount);
        if (account.dropped > 0)
            findings << QStringLiteral("%1: %2 of %3 entries dropped: more records than the database holds")
                            .arg(table)
                            .arg(account.dropped)
                            .arg(account.entryCount);
    }
}

void CheckProgramReferences(std::span<const ProgRecord> progs, const char* array,
                            const std::set<std::uint16_t>& satIds, const std::set<std::uint16_t>& tpIds,
                            QStringList& findings)
{
    for (std::size_t i = 0; i < progs.size(); ++i) {
        if (!satIds.contains(progs[i].satId))
            findings << QStringLiteral("%1: satId %2 matches no satellite").arg(At(array, i)).arg(progs[i].satId);
        if (!tpIds.contains(progs[i].tpId))
            findings << QStringLiteral("%1: tpId %2 matches no transponder").arg(At(array, i)).arg(progs[i].tpId);
    }
}

void CheckReferences(const ChannelDatabase& db, QStringList& findings)
{
    std::set<std::uint16_t> satIds, tpIds;
    for (const SatRecord& sat : db.Sats())
        satIds.insert(sat.satId);
    for (const TpRecord& tp : db.Tps())
        tpIds.insert(tp.tpId);

    // A transponder's satId has 14 bits; it belongs to a satellite whose whole
    // satId equals it.
    const auto tps = db.Tps();
    for (std::size_t i = 0; i < tps.size(); ++i)
        if (!satIds.contains(tps[i].satId))
            findings << QStringLiteral("%1 (tpId %2): satId %3 matches no satellite")
                            .arg(At("tps", i))
                            .arg(tps[i].tpId)
                            .arg(tps[i].satId);
    CheckProgramReferences(db.TvProgs(), "tvProgs", satIds, tpIds, findings);
    CheckProgramReferences(db.RadioProgs(), "radioProgs", satIds, tpIds, findings);
}

void CheckUnnamed(const QString& record, const char* field, std::span<const std::string_view> names,
                  unsigned value, QStringList& findings)
{
    if (CodedValueName(names, value).empty())
        findings << QStringLiteral("%1: %2 %3 has no name").arg(record, QLatin1StringView(field)).arg(value);
}

void CheckCodedValues(const ChannelDatabase& db, QStringList& findings)
{
    const auto sats = db.Sats();
    for (std::size_t i = 0; i < sats.size(); ++i) {
        CheckUnnamed(At("sats", i), "lnbType", kLnbTypeNames, sats[i].lnbType, findings);
        CheckUnnamed(At("sats", i), "lnbPower", kLnbPowerNames, sats[i].lnbPower, findings);
        CheckUnnamed(At("sats", i), "diseqc10", kDiseqcPortNames, sats[i].diseqc10, findings);
    }
    const auto tps = db.Tps();
    for (std::size_t i = 0; i < tps.size(); ++i)
        CheckUnnamed(At("tps", i), "polarisation", kPolarisationNames, tps[i].polarisation, findings);
    const auto tv = db.TvProgs();
    for (std::size_t i = 0; i < tv.size(); ++i)
        CheckUnnamed(At("tvProgs", i), "track", kTrackNames, tv[i].track, findings);
    const auto radio = db.RadioProgs();
    for (std::size_t i = 0; i < radio.size(); ++i)
        CheckUnnamed(At("radioProgs", i), "track", kTrackNames, radio[i].track, findings);
}

// Records refer to each other by identifier, so an identifier held by two
// records makes every reference to it ambiguous.
template <typename Record>
void CheckDuplicates(std::span<const Record> records, std::uint16_t (*idOf)(const Record&), const char* idName,
                     const char* array, QStringList& findings)
{
    std::map<std::uint16_t, std::vector<std::size_t>> holders;
    for (std::size_t i = 0; i < records.size(); ++i)
        holders[idOf(records[i])].push_back(i);
    for (const auto& [id, indices] : holders) {
        if (indices.size() < 2)
            continue;
        QStringList where;
        for (const std::size_t i : indices)
            where << At(array, i);
        findings << QStringLiteral("%1 %2 is held by %3").arg(QLatin1StringView(idName)).arg(id).arg(where.join(QStringLiteral(", ")));
    }
}

template <typename Record>
void CheckSavable(const FlashImage& image, std::span<const Record> records, const char* array,
                  QStringList& findings)
{
    for (std::size_t i = 0; i < records.size(); ++i)
        if (const std::string_view why = WriteRefusal(image, records[i]); !why.empty())
            findings << QStringLiteral("%1: %2").arg(At(array, i),
                                                    QString::fromUtf8(why.data(), static_cast<qsizetype>(why.size())));
}

} // namespace

QStringList CheckFindings(const FlashImage& image, const ChannelDatabase& db)
{
    QStringList findings;
    CheckLoadAccount(db, findings);
    CheckReferences(db, findings);
    CheckCodedValues(db, findings);
    CheckDuplicates<SatRecord>(db.Sats(), [](const SatRecord& s) { return s.satId; }, "satId", "sats", findings);
    CheckDuplicates<TpRecord>(db.Tps(), [](const TpRecord& t) { return t.tpId; }, "tpId", "tps", findings);
    CheckSavable(image, db.Sats(), "sats", findings);
    CheckSavable(image, db.Tps(), "tps", findings);
    CheckSavable(image, db.TvProgs(), "tvProgs", findings);
    CheckSavable(image, db.RadioProgs(), "radioProgs", findings);
    return findings;
}

} // namespace korvex::cli
