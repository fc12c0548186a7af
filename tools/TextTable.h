#pragma once
// Lines of cells for people, each column as wide as its widest cell and two
// spaces apart; the last cell of a line is not padded.

#include <QByteArray>
#include <QString>

#include <vector>

namespace korvex::cli {

using TextLine = std::vector<QString>;

// The lines as UTF-8, one per line.
QByteArray AlignedText(const std::vector<TextLine>& lines);

} // namespace korvex::cli
