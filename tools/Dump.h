#pragma once
// The decoded database as text: a summary for people, the whole database as
// JSON, and one table as CSV with the columns of the editor's channel list.

#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace korvex::cli {

enum class CsvTable { Sats, Tps, Tv, Radio };

// "sats", "tps", "tv" or "radio".
std::optional<CsvTable> CsvTableNamed(QStringView name);

// A name as the editor shows it: the bytes up to the first zero byte,
// decoded from the locale's charset.
QString NameText(const NameBytes& name);

QByteArray InfoText(const FlashImage& image, const ChannelDatabase& db);
QByteArray DumpJson(const FlashImage& image, const ChannelDatabase& db);
QByteArray DumpCsv(const ChannelDatabase& db, CsvTable table);

} // namespace korvex::cli
