#pragma once
// Which charset to read an image's names in when the user has not said.
//
// The locale's charset is right as long as it is a legacy code page: the user
// chose a region, as on the box's own desktop tools. Under UTF-8, which every
// current desktop uses, names in a legacy code page would read as garbage, so
// when some name is not valid UTF-8 the charset is detected from all the
// image's names together (uchardet). Its guess is taken only when the names
// hold enough evidence (kLeastEvidenceBytes bytes outside ASCII) and every
// name decodes in it without an undefined sequence; otherwise the locale's
// charset stays, and the user can choose another.

#include "codepage/NameCharset.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace korvex {

enum class CharsetSource {
    Locale,    // the locale's charset
    Detected,  // detected from the image's names
    Given,     // chosen by the user
};

struct CharsetChoice {
    NameCharset charset;
    CharsetSource source;

    bool operator==(const CharsetChoice&) const = default;
};

// Bytes outside ASCII a detection needs before its guess is taken. Names are
// at most 12 bytes: eight is two short CJK or Cyrillic names, or a handful of
// accented letters. Bytes 0xFF are erased flash, not text, and do not count.
inline constexpr std::size_t kLeastEvidenceBytes = 8;

// The charset for names when the user has not chosen one.
CharsetChoice DefaultNameCharset(std::span<const std::string_view> names, const std::string& localeCharset);

// The charset one image's names are read and written in: the one the user
// gave, else the default for these names (all of that image's names) under
// the locale's charset. Each image has its own: an earlier list read beside
// the open one may come from a box of another region.
CharsetChoice NamesCharset(const std::optional<std::string>& given, std::span<const std::string_view> names);

// "locale", "detected" or "given".
std::string_view SourceText(CharsetSource source);

} // namespace korvex
