#pragma once
// The decoded database as text: a summary for people, the whole database as
// JSON, and one table as CSV with the columns of the editor's channel list.

#include "codepage/CharsetDetection.h"
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
// decoded from the image's name charset.
QString NameText(const NameBytes& name, const NameCharset& charset);

QByteArray InfoText(const FlashImage& image, const ChannelDatabase& db, const CharsetChoice& names);
QByteArray DumpJson(const FlashImage& image, const ChannelDatabase& db, const CharsetChoice& names);
// The CSV text is UTF-8 whatever the names' charset.
QByteArray DumpCsv(const ChannelDatabase& db, CsvTable table, const NameCharset& names);

} // namespace korvex::cli
