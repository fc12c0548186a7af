#include "db/ChannelDatabase.h"

#include <algorithm>

namespace korvex {

std::string_view NameView(const NameBytes& name)
{
    const auto end = std::find(name.begin(), name.end(), std::uint8_t{0});
    return {reinterpret_cast<const char*>(name.data()),
            static_cast<std::size_t>(end - name.begin())};
}

void StoreNameBytes(NameBytes& field, std::string_view encoded)
{
    const std::size_t length = std::min(encoded.size(), field.size());
    std::copy_n(encoded.begin(), length, field.begin());
    if (length < field.size())
        field[length] = 0;
}

std::string FavouriteText(std::uint8_t favBits)
{
    std::string text;
    for (std::size_t group = 0; group < kFavouriteGroupNames.size(); ++group) {
        if (InFavouriteGroup(favBits, group)) {
            text += kFavouriteGroupNames[group];
            text += '/';
        }
    }
    return text;
}

} // namespace korvex
