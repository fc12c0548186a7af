#include "text/ShownText.h"

#include "codepage/Utf16Text.h"
#include "db/CountedNoun.h"

#include <QLocale>
#include <QStringList>

#include <string_view>

namespace korvex {

QString NameText(const NameBytes& name, const NameCharset& charset)
{
    return Utf16Text(charset.Decode(NameView(name)));
}

QString PolarisationName(unsigned polarisation)
{
    const std::string_view name = CodedValueName(kPolarisationNames, polarisation);
    return name.empty() ? QString::number(polarisation)
                        : QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QString CountText(std::size_t n, const char* one, const char* many)
{
    return QString::fromStdString(CountedNoun(n, one, many));
}

QString GroupedCountText(std::size_t n, const char* one, const char* many)
{
    return GroupedNumber(n) + QLatin1Char(' ') + QLatin1StringView(n == 1 ? one : many);
}

QString GroupedNumber(std::size_t n) { return QLocale().toString(qulonglong{n}); }

QString RecordCountsText(const std::array<std::uint32_t, 4>& byTable,
                         QString (*count)(std::size_t n, const char* one, const char* many))
{
    static constexpr const char* kOne[] = {"satellite", "transponder", "TV program", "radio program"};
    static constexpr const char* kMany[] = {"satellites", "transponders", "TV programs", "radio programs"};
    QStringList parts;
    for (std::size_t id = 0; id < byTable.size(); ++id)
        if (byTable[id] > 0)
            parts << count(byTable[id], kOne[id], kMany[id]);
    if (parts.size() < 2)
        return parts.join(QString());
    const QString last = parts.takeLast();
    return parts.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

QString FieldName(std::string_view field)
{
    return QString::fromLatin1(field.data(), static_cast<qsizetype>(field.size()));
}

} // namespace korvex
