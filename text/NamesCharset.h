#pragma once
// The charset an image's names are read and written in, by one rule for the
// window and korvex-cli: the charset the user gave, else the one chosen from
// that image's own names under the locale's charset (DefaultNameCharset).
// Each image has its own: an earlier list read beside the open one may come
// from a box of another region.

#include "codepage/CharsetDetection.h"
#include "db/ChannelDatabase.h"

#include <optional>
#include <string>

namespace korvex {

CharsetChoice NamesCharset(const std::optional<std::string>& given, const ChannelDatabase& db);

} // namespace korvex
