#pragma once
// What is wrong in an image that loads: records the loader could not hold,
// references that point nowhere, coded values with no name, and identifiers
// held by more than one record, and records that an edit could not save.

#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

#include <QStringList>

namespace korvex::cli {

// One finding a line, in that order; empty when nothing is wrong.
QStringList CheckFindings(const FlashImage& image, const ChannelDatabase& db);

} // namespace korvex::cli
