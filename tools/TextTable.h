#pragma once
// Lines of cells for people, each column as wide as its widest cell and two
// spaces apart; the last cell of a line is not padded.

#include <QByteArray>
#include <QString>

#include <vector>

namespace korvex::cli {

using TextLine = std::vector<QString>;

// Text from an image (a name above all) made safe to print to a terminal: an
// image can hold any bytes, and ESC, the other control characters, DEL, the
// C1 controls and the bidirectional overrides would be taken by a terminal as
// commands or would hide what stands around them. Each is shown as \xHH
// (\uHHHH above U+00FF); everything else is left as it is.
QString TerminalSafe(const QString& text);

// The lines as UTF-8, one per line; each cell shown TerminalSafe.
QByteArray AlignedText(const std::vector<TextLine>& lines);

} // namespace korvex::cli
