#pragma once
// The six favourite groups by name, as the channel list writes them and as a
// user types them. Group k is bit k + 1 of a program's favBits, 0 while the
// program is in the group.

#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace korvex::cli {

// Every group's bit: the favBits of a program in no group.
inline constexpr std::uint8_t kNoGroupBits = 0x7E;

// The group a name means, case-insensitively: "Movies", "Music", "Cartoons",
// "News", "Sport" (also "Sports", as the program editor labels it) or "Adult".
std::optional<std::size_t> FavouriteGroupNamed(QStringView name);

// korvex::FavouriteText as a QString: "Movies/News/".
QString FavouriteText(std::uint8_t favBits);

// favBits from a list of groups as FavouriteText writes it; the trailing "/"
// may be left out and the groups may come in any order. Nothing when a part
// names no group; `unknown` then holds that part.
std::optional<std::uint8_t> FavouriteBitsOf(QStringView text, QString* unknown = nullptr);

} // namespace korvex::cli
