#pragma once
// Names in the image are bytes of the system's ANSI code page; the user
// interface works in UTF-16. Here that code page is the charset of the
// current locale (LC_CTYPE), converted with iconv.

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

namespace korvex {

// Decodes code-page bytes to UTF-16. A byte sequence the code page does not
// define becomes U+FFFD, one per byte, so nothing is silently dropped.
std::u16string AnsiToUtf16(std::string_view bytes);

// Encodes UTF-16 text into at most maxBytes bytes of the code page, whole
// characters only: a character whose bytes would not all fit ends the text.
// A character the code page cannot represent becomes '?'.
std::string Utf16ToAnsi(std::u16string_view text,
                        std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

} // namespace korvex
