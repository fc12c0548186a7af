#pragma once
// The four tables as CSV, as `dump --csv` writes them and `import --csv` reads
// a program table back: the columns of the editor's channel list, the
// identifiers, and the two columns that name each row's record again, its
// entry's position in the table and the record's offset in the image (both in
// decimal, since a spreadsheet reads a hex offset such as 12E4 as a number).
//
// A spreadsheet that opens and saves the file turns text that looks like a
// number, a date, a percentage or a formula into what it thinks it is, and
// runs a formula for whoever opens the file. A name is text and may look like
// any of those, so every name cell starts with one apostrophe, which keeps a
// cell as it is; numbers stay plain numbers.

#include "codepage/NameCharset.h"
#include "db/ChannelDatabase.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace korvex::cli {

enum class CsvTable { Sats, Tps, Tv, Radio };

// "sats", "tps", "tv" or "radio".
std::optional<CsvTable> CsvTableNamed(QStringView name);

// The whole table, a header line first, as UTF-8 CSV text.
QByteArray TableCsv(const ChannelDatabase& db, CsvTable table, const NameCharset& names);

// The columns of a program table.
enum ProgColumn : qsizetype {
    kProgNoColumn,  // the list's row number, from 1
    kProgNameColumn,
    kServiceIdColumn,
    kVideoPidColumn,
    kAudioPidColumn,
    kPcrPidColumn,
    kScrambleColumn,
    kTrackColumn,
    kChildLockColumn,  // 1 when locked: bit 0 of the flag byte is 0
    kFavoriteColumn,   // the groups the program is in, "Movies/News/"
    kSatIdColumn,
    kTpIdColumn,
    kTableIndexColumn,    // the position of the record's entry in its table
    kRecordOffsetColumn,  // where the record stands in the image
    kProgColumnCount,
};

QStringList ProgramCsvHeader();

// The cells of one program's row, as dump writes them.
QStringList ProgramCsvFields(const ProgRecord& prog, qint64 rowNumber, const NameCharset& names);

// A name as its cell holds it, and back: one leading apostrophe.
QString NameCell(const QString& name);
QString NameOfCell(const QString& cell);

} // namespace korvex::cli
