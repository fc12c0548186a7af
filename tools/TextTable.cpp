#include "tools/TextTable.h"

#include <algorithm>

namespace korvex::cli {

namespace {

bool NeedsEscape(char16_t unit)
{
    return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F) || (unit >= 0x202A && unit <= 0x202E) ||
           (unit >= 0x2066 && unit <= 0x2069);
}

} // namespace

QString TerminalSafe(const QString& text)
{
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return NeedsEscape(c.unicode()); }))
        return text;
    QString safe;
    safe.reserve(text.size() + 8);
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (!NeedsEscape(unit))
            safe += c;
        else if (unit <= 0xFF)
            safe += QStringLiteral("\\x%1").arg(unsigned{unit}, 2, 16, QLatin1Char('0'));
        else
            safe += QStringLiteral("\\u%1").arg(unsigned{unit}, 4, 16, QLatin1Char('0'));
    }
    return safe;
}

QByteArray AlignedText(const std::vector<TextLine>& lines)
{
    std::vector<TextLine> safe = lines;
    for (TextLine& line : safe)
        for (QString& cell : line)
            cell = TerminalSafe(cell);
    std::vector<qsizetype> widths;
    for (const TextLine& line : safe) {
        widths.resize(std::max(widths.size(), line.size()), 0);
        for (std::size_t k = 0; k < line.size(); ++k)
            widths[k] = std::max(widths[k], line[k].size());
    }
    QString text;
    for (const TextLine& line : safe) {
        QString row;
        for (std::size_t k = 0; k < line.size(); ++k)
            row += k + 1 < line.size() ? line[k].leftJustified(widths[k] + 2) : line[k];
        text += row + QLatin1Char('\n');
    }
    return text.toUtf8();
}

} // namespace korvex::cli
