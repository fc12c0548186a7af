#pragma once
// The decoded database as text: a summary for people and the whole database
// as JSON.

#include "codepage/CharsetDetection.h"
#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

#include <QByteArray>
#include <QString>

namespace korvex::cli {

// The 12 raw name bytes in hex, also those behind the first zero byte, which
// the box keeps and a round trip must not lose.
QString NameHex(const NameBytes& name);

QByteArray InfoText(const FlashImage& image, const ChannelDatabase& db, const CharsetChoice& names);
QByteArray DumpJson(const FlashImage& image, const ChannelDatabase& db, const CharsetChoice& names);

} // namespace korvex::cli
