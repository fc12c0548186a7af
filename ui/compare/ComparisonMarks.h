#pragma once
// What a comparison with an earlier image marks in the window, worked out
// from the difference db/ImageDifference computes: for each record of the
// open image whether it is new, moved (from which number to which, as the
// list numbers its rows) or changed (which fields), keyed as the list keys
// its rows; the programs only the earlier
// image holds, with the row of the open image they followed there; the
// satellites and transponders that hold a change; and the counts.

#include "codepage/NameCharset.h"
#include "db/ChannelDatabase.h"
#include "db/FlatMap.h"
#include "db/ImageDifference.h"

#include <QString>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace korvex {

// Kinds of change, as bits: a record can be moved and changed at once.
enum ChangeKind : unsigned {
    kChangeNew = 1u << 0,
    kChangeMoved = 1u << 1,
    kChangeChanged = 1u << 2,
    kChangeGone = 1u << 3,
};

// A record's number as the list shows it: a program's "ProgNO." in the list
// of all programs under its tab, a satellite's "SatNO.", a transponder's
// "TpNO." in its satellite's list.
struct ListNumber {
    std::uint32_t number = 0;
    bool known = false;
    bool radioTab = false;  // of a program
};

// A record's change; its text is made when it is shown.
struct RecordMark {
    unsigned kinds = 0;
    ListNumber movedFrom, movedTo;  // of a moved record
    bool program = false;
    const std::vector<FieldChange>* fields = nullptr;  // of a changed record

    // In the list's words: "new", "moved from 3 to 1", "name was ZDF",
    // "service ID was 101", "locked", "now in Sport", "no longer in News",
    // joined by "; ". An earlier name is read in `names`.
    QString Text(const NameCharset& names) const;
};

// What one field's change says: "name was ZDF", "locked", "now in Sport".
QString FieldChangeText(const FieldChange& change, const NameCharset& names);

// A program only the earlier image holds.
struct GoneProgram {
    ProgRecord record;  // as the earlier image holds it
    std::uint32_t number = 0;  // its "ProgNO." in the earlier file's list of all programs
    // The key of the open image's program that stood before it in the
    // earlier table (the nearest one both images hold); none when nothing did.
    std::uint64_t followsKey = 0;
    bool followsAny = false;
};

struct ComparisonCounts {
    std::size_t added = 0, gone = 0, moved = 0, changed = 0;  // programs of both tables
};

class ComparisonMarks {
public:
    ComparisonMarks() = default;
    // Keeps the difference: the marks point into it.
    ComparisonMarks(ImageDifference difference, const ChannelDatabase& earlier, const ChannelDatabase& current);
    ComparisonMarks(ComparisonMarks&&) = default;
    ComparisonMarks& operator=(ComparisonMarks&&) = default;

    // The mark of the record with this list key; nullptr when unchanged.
    const RecordMark* Mark(std::uint64_t key) const;
    std::span<const GoneProgram> Gone(ProgTable table) const { return gone_[IndexOf(table)]; }
    // Whether the satellite or transponder at this index of the open image's
    // array holds a change: its own, one of its transponders' or programs',
    // or a program gone from it.
    bool SatelliteMarked(std::size_t index) const { return index < satMarked_.size() && satMarked_[index]; }
    bool TransponderMarked(std::size_t index) const { return index < tpMarked_.size() && tpMarked_[index]; }

    DiffPairing pairing = DiffPairing::Offsets;
    ComparisonCounts counts;

private:
    struct KeyHash {
        std::size_t operator()(std::uint64_t key) const { return static_cast<std::size_t>(MixBits(key)); }
    };
    ImageDifference difference_;
    FlatMap<std::uint64_t, RecordMark, KeyHash> marks_;
    std::array<std::vector<GoneProgram>, 2> gone_;
    std::vector<bool> satMarked_;
    std::vector<bool> tpMarked_;
};

} // namespace korvex
