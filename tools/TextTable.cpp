#include "tools/TextTable.h"

#include <algorithm>

namespace korvex::cli {

QByteArray AlignedText(const std::vector<TextLine>& lines)
{
    std::vector<qsizetype> widths;
    for (const TextLine& line : lines) {
        widths.resize(std::max(widths.size(), line.size()), 0);
        for (std::size_t k = 0; k < line.size(); ++k)
            widths[k] = std::max(widths[k], line[k].size());
    }
    QString text;
    for (const TextLine& line : lines) {
        QString row;
        for (std::size_t k = 0; k < line.size(); ++k)
            row += k + 1 < line.size() ? line[k].leftJustified(widths[k] + 2) : line[k];
        text += row + QLatin1Char('\n');
    }
    return text.toUtf8();
}

} // namespace korvex::cli
