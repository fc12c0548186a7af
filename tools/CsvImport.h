#pragma once
// A program table's CSV, as `dump --csv` wrote it and a spreadsheet gave it
// back, read against the image it came from.
//
// Each row names its record again by two cells: the position of the record's
// entry in the table and the record's offset in the image; a row is known only
// when the entry at that position points at that offset. A cell equal to what
// dump wrote is no change. A changed editable value is written as the editors
// write it; a changed Scramble, satId or tpId, or video PID of a radio
// program, is an error, since the editors do not change them. Row order
// becomes the table's order. Everything is checked before anything is
// written.

#include "codepage/NameCharset.h"
#include "db/ChannelDatabase.h"
#include "tools/CliSupport.h"
#include "tools/Csv.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace korvex::cli {

struct ProgramImport {
    std::vector<ProgRecord> edited;      // records whose values change, with their new values
    std::vector<std::uint32_t> order;    // entry positions, in the file's row order
    std::vector<std::uint32_t> missing;  // positions of records no row names, to delete
    std::size_t valuesChanged = 0;
};

struct ImportCheck {
    ProgramImport import;
    QString error;  // empty when the file can be imported; else one line naming where and why
};

struct ImportSource {
    QString fileName;  // as the user named it, for messages
    CsvText csv;
    bool deleteMissing = false;
};

ImportCheck CheckProgramImport(const Image& image, ProgTable table, const NameCharset& names,
                               const ImportSource& source);

// Writes a checked import into the image: the values first, then the new
// order, then the deletions. An empty string when done, else the refusal of
// the arranging operation (the image must then not be written).
QString ApplyProgramImport(Image& image, ProgTable table, const ProgramImport& import);

} // namespace korvex::cli
