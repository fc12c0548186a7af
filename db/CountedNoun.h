#pragma once
// A count with its noun, for people: "1 entry", "3 entries". The digits are
// written as they are, whatever the locale: refusals and reports are read by
// scripts as well.

#include <cstddef>
#include <string>
#include <string_view>

namespace korvex {

inline std::string CountedNoun(std::size_t n, std::string_view one, std::string_view many)
{
    return std::to_string(n) + ' ' + std::string(n == 1 ? one : many);
}

} // namespace korvex
