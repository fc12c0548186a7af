#pragma once
// Text that the window and korvex-cli both show, written once: a record's
// name, a polarisation, a count with its noun, a compared field's name.
//
// A count is written two ways. People reading the window get the digits
// grouped as their locale groups them ("12,345 programs"); korvex-cli's
// reports are read by scripts as well as people, and keep the plain digits
// ("12345 programs") whatever the locale.

#include "codepage/NameCharset.h"
#include "db/ChannelDatabase.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvex {

// A record name as shown: its bytes up to the first zero, decoded from the
// image's name charset.
QString NameText(const NameBytes& name, const NameCharset& charset);

// A polarisation code by its letter ("H", "V"), or as its number when it
// has none.
QString PolarisationName(unsigned polarisation);

// "1 program", "12345 programs": plain digits, for korvex-cli.
QString CountText(std::size_t n, const char* one, const char* many);

// "1 program", "12,345 programs": the locale's digit grouping, for the window.
QString GroupedCountText(std::size_t n, const char* one, const char* many);

// A number with the locale's digit grouping, for the window.
QString GroupedNumber(std::size_t n);

// Records by table (BlockId), each count with its noun as `count` writes it
// (CountText for korvex-cli, GroupedCountText for the window): "1 satellite,
// 3 transponders and 1,350 TV programs"; empty when there are none.
QString RecordCountsText(const std::array<std::uint32_t, 4>& byTable,
                         QString (*count)(std::size_t n, const char* one, const char* many));

// A field's name as the comparison of two images gives it ("progName",
// "lock"): ASCII.
QString FieldName(std::string_view field);

} // namespace korvex
