#pragma once
// The decoded database as text: a summary for people and the whole database
// as JSON.

#include "codepage/CharsetDetection.h"
#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

#include <QByteArray>
#include <QString>

namespace korvex::cli {

// A name as the editor shows it: the bytes up to the first zero byte,
// decoded from the image's name charset.
QString NameText(const NameBytes& name, const NameCharset& charset);

// The 12 raw name bytes in hex, also those behind the first zero byte, which
// the box keeps and a round trip must not lose.
QString NameHex(const NameBytes& name);

// A polarisation code by its name ("H", "V"), or as its number when it has
// none.
QString PolarisationName(unsigned polarisation);

QByteArray InfoText(const FlashImage& image, const ChannelDatabase& db, const CharsetChoice& names);
QByteArray DumpJson(const FlashImage& image, const ChannelDatabase& db, const CharsetChoice& names);

} // namespace korvex::cli
