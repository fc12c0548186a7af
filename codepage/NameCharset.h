#pragma once
// Record names are 12 bytes in the charset the box was built for: a legacy
// code page (GBK, Big5, Windows-1251, ISO-8859-x, ...) or UTF-8. The user
// interface works in UTF-16. NameCharset converts in both directions with
// iconv, under the name iconv knows the charset by.

#include <cstddef>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace korvex {

// A name encoded for the image, and the characters that could not be.
struct EncodedName {
    std::string bytes;
    // Each character of the text that the charset cannot store, once, in
    // order of first appearance; such a character adds no bytes.
    std::u16string unstorable;
};

class NameCharset {
public:
    // The charset iconv knows as `name`; KnownCharset says whether it does.
    explicit NameCharset(std::string name);

    const std::string& Name() const { return name_; }

    // Decodes name bytes to UTF-16. A sequence the charset does not define
    // becomes U+FFFD, one per byte, so nothing is silently dropped.
    std::u16string Decode(std::string_view bytes) const;

    // Marks which bytes are characters by themselves (single[i] for bytes[i];
    // single holds bytes.size() flags): the second byte of a GBK or Big5
    // character may look like an ASCII letter and is none. False when the
    // charset cannot decode the bytes whole.
    bool SingleByteCharacters(std::string_view bytes, std::span<bool> single) const;

    // Encodes whole characters into at most maxBytes bytes: a character whose
    // bytes would not all fit ends the text.
    EncodedName Encode(std::u16string_view text,
                       std::size_t maxBytes = std::numeric_limits<std::size_t>::max()) const;

    bool operator==(const NameCharset&) const = default;

private:
    std::string name_;
};

// NameCharset::SingleByteCharacters of a copy of the charset, as a function:
// what name matching takes to compare names as text.
std::function<bool(std::string_view, std::span<bool>)> SingleByteCharactersOf(const NameCharset& charset);

// True when iconv converts between the charset and UTF-16.
bool KnownCharset(std::string_view name);

// The charset of the current locale (LC_CTYPE), as iconv names it.
std::string LocaleCharset();

// True for the names of UTF-8 (UTF-8, utf8, ...).
bool IsUtf8Name(std::string_view charset);

} // namespace korvex
