#include "tools/FavouriteGroups.h"

#include "db/ChannelDatabase.h"

#include <QList>

namespace korvex::cli {

std::optional<std::size_t> FavouriteGroupNamed(QStringView name)
{
    for (std::size_t group = 0; group < kFavouriteGroupNames.size(); ++group) {
        const std::string_view known = kFavouriteGroupNames[group];
        if (name.compare(QLatin1StringView(known.data(), static_cast<qsizetype>(known.size())),
                         Qt::CaseInsensitive) == 0)
            return group;
    }
    // The program editor labels the Sport group's box "Sports".
    if (name.compare(QLatin1StringView("Sports"), Qt::CaseInsensitive) == 0)
        return FavouriteGroupNamed(u"Sport");
    return std::nullopt;
}

QString FavouriteText(std::uint8_t favBits)
{
    return QString::fromLatin1(korvex::FavouriteText(favBits));
}

std::optional<std::uint8_t> FavouriteBitsOf(QStringView text, QString* unknown)
{
    std::uint8_t bits = kNoGroupBits;
    for (const QStringView part : text.split(QLatin1Char('/'))) {
        if (part.isEmpty())
            continue;
        const std::optional<std::size_t> group = FavouriteGroupNamed(part);
        if (!group) {
            if (unknown)
                *unknown = part.toString();
            return std::nullopt;
        }
        bits = static_cast<std::uint8_t>(bits & ~FavouriteGroupBit(*group));
    }
    return bits;
}

} // namespace korvex::cli
