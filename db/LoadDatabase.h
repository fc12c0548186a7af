#pragma once

#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

namespace korvex {

// Clears the database, checks the image (signature, block magic, layout and,
// for layout 2, the directory marker), then decodes the satellite,
// transponder, TV and radio tables and counts transponders and programs per
// satellite and per transponder. Returns false, with the database empty, when
// the image is refused; the image bytes are never changed.
//
// A table whose block is missing is empty. Records whose entry or bytes lie
// outside the buffer are skipped and records beyond a table's capacity are
// dropped; db.loadAccount says how many.
bool LoadDatabase(FlashImage& image, ChannelDatabase& db);

// Recomputes tpCount, tvCount and radioCount of every held satellite and
// transponder from the held records. A transponder belongs to every satellite
// whose satId equals its 14-bit satId; a program to every satellite and
// transponder whose id equals its own; a program counts as TV when its
// videoPid is not 0. Every match counts, duplicated ids included.
void CountRecords(ChannelDatabase& db);

} // namespace korvex
