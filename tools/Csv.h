#pragma once
// CSV text as RFC 4180 defines it, through libcsv: comma-separated fields,
// double quotes around a field that holds a comma, a double quote or a line
// break, each double quote inside doubled, and records ending in CRLF.
//
// Reading accepts what spreadsheets write back: a UTF-8 byte-order mark, CRLF,
// LF or CR line ends, quoted fields, and empty lines (a trailing one among
// them). Spaces are part of a field, as the RFC says; nothing is trimmed.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

namespace korvex::cli {

struct CsvRecord {
    qsizetype line = 0;  // the line of the file on which the record starts, from 1
    QStringList fields;
};

struct CsvText {
    std::vector<CsvRecord> records;
    // Empty when the text was read whole; otherwise "line L, column C: why".
    QString error;
};

// Reads UTF-8 CSV text. A record's fields are decoded from UTF-8; a field that
// is not valid UTF-8, or quoting the RFC does not allow, ends the reading with
// an error naming where.
CsvText ReadCsv(QByteArrayView text);

// One record as UTF-8 CSV text, CRLF included; a field is quoted only when it
// must be.
QByteArray CsvRecordText(const QStringList& fields);

} // namespace korvex::cli
