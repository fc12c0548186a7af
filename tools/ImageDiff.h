#pragma once
// What changed between two images, table by table, for people (aligned text,
// one change a line, a summary line last) and for scripts (JSON).
//
// A record is the same record in both images when its directory entry points
// at the same offset; offsets that repeat pair up in entry order. Of the
// records both hold, those that moved are the fewest whose moving explains
// the new order: the others keep their order among themselves, so deleting or
// inserting one entry moves no record, and moving one entry moves that one.

#include "codepage/NameCharset.h"
#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace korvex::cli {

// One image as the comparison sees it.
struct DiffSide {
    const FlashImage& image;
    const ChannelDatabase& db;
    const NameCharset& names;
    qint64 fileSize = 0;
};

struct FieldChange {
    QString field;
    QJsonValue before;  // a number, or text: a name, "in"/"out" of a group, "locked"/"unlocked", hex bytes
    QJsonValue after;
    QString beforeHex;  // a name's 12 bytes, when the field is a name
    QString afterHex;
};

struct RecordAt {
    std::uint32_t position = 0;  // of its entry in the table
    std::uint32_t offset = 0;    // of the record in the image
    QString name;                // decoded; empty for a transponder
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
};

struct HeaderChange {
    QString where;  // "image", or the table's block: "tv block"
    QString field;
    QJsonValue before;
    QJsonValue after;
};

struct ByteRange {
    std::uint32_t start = 0;
    std::uint32_t length = 0;
};

struct ImageDifference {
    bool identical = true;  // same file size, same bytes
    std::vector<HeaderChange> header;
    std::array<TableDifference, 4> tables;  // by BlockId
    std::uint64_t outsideBytes = 0;  // changed bytes outside every record and directory block
    std::vector<ByteRange> outside;

    std::size_t FieldChanges() const;
};

ImageDifference DiffImages(const DiffSide& before, const DiffSide& after);

// Which elements of a sequence of distinct numbers must move for the rest to
// be in increasing order: all but one longest increasing subsequence.
std::vector<bool> MovedElements(std::span<const std::uint32_t> sequence);

QByteArray DiffText(const ImageDifference& difference);
QByteArray DiffJson(const ImageDifference& difference);

} // namespace korvex::cli
