#pragma once
// What changed between two images, table by table: the header fields, the
// records removed, added, moved and changed (field by field), and the bytes
// that changed outside every record and directory block. Computing only;
// korvex-cli writes it as text and JSON, and a window can show it.
//
// Records are paired one of two ways:
//  - offsets: one image edited into the other. A record is the same record in
//    both images when its directory entry points at the same offset; offsets
//    that repeat pair up in entry order.
//  - channels: two scans of the box. Every scan numbers its satellites and
//    transponders anew and writes its records where it likes, so records are
//    paired as db/ChannelMatch pairs them (satellite by longitude, transponder
//    by polarisation and nearest frequency, program by service id, then a
//    unique name). The ids a scan hands out (satId, tpId) differ for nearly
//    every record and say nothing about the channel, so they are not
//    reported as changes; a transponder's shifted frequency is.
// Of the records both hold, those that moved are the fewest whose moving
// explains the new order: the others keep their order among themselves, so
// deleting or inserting one entry moves no record, and moving one entry
// moves that one.

#include "db/ChannelDatabase.h"
#include "db/ChannelMatch.h"
#include "db/FlashImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace korvex {

// One image as the comparison sees it.
struct DiffSide {
    const FlashImage& image;
    const ChannelDatabase& db;
    std::int64_t fileSize = 0;
};

// Tables by BlockId, named as `dump --csv` names them.
inline constexpr std::array<const char*, 4> kDiffTableNames{"sats", "tps", "tv", "radio"};

// A number, or a word: "in"/"out" of a group, "locked"/"unlocked", hex bytes.
using FieldValue = std::variant<std::int64_t, std::string>;

struct FieldChange {
    // The field's name, as `dump --csv` names it ("progName", "lock",
    // "bytes28..35"): always a name the comparison holds as a constant.
    std::string_view field;
    FieldValue before;  // unused for a name
    FieldValue after;
    // A name's 12 bytes in each image, when the field is a name: each is read
    // in its own image's charset by whoever shows it.
    std::optional<NameBytes> beforeName;
    std::optional<NameBytes> afterName;
};

struct RecordAt {
    std::uint32_t position = 0;  // of its entry in the table
    std::uint32_t offset = 0;    // of the record in the image
    std::optional<NameBytes> name;  // none for a transponder
};

struct PairedRecord {
    RecordAt before;
    std::uint32_t newPosition = 0;
    std::vector<FieldChange> fields;  // empty for a record that only moved
};

struct TableDifference {
    std::vector<RecordAt> removed;  // positions in the first image
    std::vector<RecordAt> added;    // positions in the second image
    std::vector<PairedRecord> moved;
    std::vector<PairedRecord> changed;
    // Every pair, changed or not: the entry position in the first image and
    // in the second, in the first image's entry order.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;
};

struct HeaderChange {
    std::string where;  // "image", or the table's block: "tv block"
    std::string field;
    std::int64_t before = 0;
    std::int64_t after = 0;
};

struct ByteRange {
    std::uint32_t start = 0;
    std::uint32_t length = 0;
};

enum class DiffPairing : std::uint8_t { Offsets, Channels };

// The pairing for two images when the user leaves the choice: offsets when
// both have the same layout and at least half of the TV and radio records
// (of the image that holds more) stand at the same offset with the same
// service id in both; else channels. Two images without programs and with
// the same layout are paired by offsets.
DiffPairing ChoosePairing(const DiffSide& before, const DiffSide& after);

struct ImageDifference {
    DiffPairing pairing = DiffPairing::Offsets;
    bool identical = true;  // same file size, same bytes
    std::vector<HeaderChange> header;
    std::array<TableDifference, 4> tables;  // by BlockId
    std::uint64_t outsideBytes = 0;  // changed bytes outside every record and directory block
    std::vector<ByteRange> outside;

    std::size_t FieldChanges() const;
};

// Whether the bytes outside every record and directory block are compared
// (outsideBytes, outside); a view of the records alone leaves them.
enum class OutsideBytes : std::uint8_t { Compared, Skipped };

// Paired by channel, the records are matched with `matching` (its name
// charset above all).
ImageDifference DiffImages(const DiffSide& before, const DiffSide& after,
                           DiffPairing pairing = DiffPairing::Offsets,
                           OutsideBytes outside = OutsideBytes::Compared, const MatchOptions& matching = {});

// Which records moved, of records listed in their old order with their old
// and new positions (each a list of distinct numbers): the fewest whose moving
// leaves the rest in their order, that is all but one longest increasing
// run of the new positions. Of the runs as long, the one that keeps the most
// records standing where they stood is taken, so a record at the same
// position is not said to have moved where another choice would do; further
// ties keep the run that ends last.
std::vector<bool> MovedElements(std::span<const std::uint32_t> newPositions,
                                std::span<const std::uint32_t> oldPositions);
// The same, the old position of each record being its place in the list.
std::vector<bool> MovedElements(std::span<const std::uint32_t> newPositions);

} // namespace korvex
