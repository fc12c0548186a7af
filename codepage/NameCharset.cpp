#include "codepage/NameCharset.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <iconv.h>
#include <langinfo.h>
#include <map>
#include <optional>
#include <utility>

namespace korvex {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr const char* kUtf16 = "UTF-16LE";

iconv_t InvalidHandle() { return reinterpret_cast<iconv_t>(-1); }

bool IsAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Opening an iconv descriptor costs far more than converting a name, so each
// thread keeps one per charset and direction for as long as it runs.
class ConverterCache {
public:
    ConverterCache() = default;
    ConverterCache(const ConverterCache&) = delete;
    ConverterCache& operator=(const ConverterCache&) = delete;
    ~ConverterCache()
    {
        for (auto& [key, handle] : handles_)
            if (handle != InvalidHandle())
                iconv_close(handle);
    }

    // A descriptor in its initial shift state, or InvalidHandle().
    iconv_t Get(const std::string& charset, bool toUtf16)
    {
        auto [it, added] = handles_.try_emplace({charset, toUtf16}, InvalidHandle());
        if (added)
            it->second = toUtf16 ? iconv_open(kUtf16, charset.c_str()) : iconv_open(charset.c_str(), kUtf16);
        if (it->second != InvalidHandle())
            iconv(it->second, nullptr, nullptr, nullptr, nullptr);
        return it->second;
    }

private:
    std::map<std::pair<std::string, bool>, iconv_t> handles_;
};

ConverterCache& Converters()
{
    thread_local ConverterCache cache;
    return cache;
}

void AppendUtf16Le(std::u16string& out, const char* bytes, std::size_t length)
{
    for (std::size_t i = 0; i + 1 < length; i += 2)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
}

// The bytes of one character (one or two UTF-16 units) in the charset, or
// nothing when the charset cannot store it.
std::optional<std::string> EncodeCharacter(iconv_t cd, std::u16string_view character)
{
    if (character.size() == 1 && character[0] < 0x80)
        return std::string(1, static_cast<char>(character[0]));
    if (cd == InvalidHandle())
        return std::nullopt;
    std::array<char, 4> utf16{};
    for (std::size_t u = 0; u < character.size(); ++u) {
        utf16[2 * u] = static_cast<char>(character[u] & 0xFF);
        utf16[2 * u + 1] = static_cast<char>(character[u] >> 8);
    }
    std::array<char, 16> encoded;
    char* in = utf16.data();
    std::size_t inLeft = 2 * character.size();
    char* out = encoded.data();
    std::size_t outLeft = encoded.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    // Back to the initial shift state, for the charsets that have one.
    iconv(cd, nullptr, nullptr, &out, &outLeft);
    return std::string(encoded.data(), encoded.size() - outLeft);
}

} // namespace

NameCharset::NameCharset(std::string name) : name_(std::move(name)) {}

std::u16string NameCharset::Decode(std::string_view bytes) const
{
    std::u16string out;
    out.reserve(bytes.size());
    if (IsAscii(bytes)) {
        for (const char c : bytes)
            out.push_back(static_cast<char16_t>(c));
        return out;
    }
    const iconv_t cd = Converters().Get(name_, true);
    if (cd == InvalidHandle()) {
        for (const char c : bytes)
            out.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c) : kReplacement);
        return out;
    }
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        std::array<char, 64> buffer;
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        AppendUtf16Le(out, buffer.data(), buffer.size() - outLeft);
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // Undefined or truncated sequence: mark the byte and go on.
            out.push_back(kReplacement);
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

bool NameCharset::SingleByteCharacters(std::string_view bytes, std::span<bool> single) const
{
    if (IsAscii(bytes)) {
        std::ranges::fill(single, true);
        return true;
    }
    const iconv_t cd = Converters().Get(name_, true);
    if (cd == InvalidHandle())
        return false;
    // One character at a time: with room for one UTF-16 unit (two for a
    // surrogate pair) iconv converts exactly one, and what it takes in is
    // that character's length.
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        const std::size_t at = bytes.size() - inLeft;
        std::size_t taken = 0;
        for (const std::size_t room : {std::size_t{2}, std::size_t{4}}) {
            std::array<char, 4> buffer;
            char* out = buffer.data();
            std::size_t outLeft = room;
            char* from = in;
            std::size_t fromLeft = inLeft;
            const std::size_t result = iconv(cd, &from, &fromLeft, &out, &outLeft);
            taken = inLeft - fromLeft;
            if (result == static_cast<std::size_t>(-1) && errno != E2BIG)
                return false;
            if (taken > 0 && outLeft < room)
                break;
        }
        if (taken == 0)
            return false;
        single[at] = taken == 1;
        for (std::size_t k = 1; k < taken; ++k)
            single[at + k] = false;
        in += taken;
        inLeft -= taken;
    }
    return true;
}

EncodedName NameCharset::Encode(std::u16string_view text, std::size_t maxBytes) const
{
    EncodedName result;
    const iconv_t cd = Converters().Get(name_, false);
    for (std::size_t i = 0; i < text.size();) {
        // One character: a surrogate pair counts as one.
        std::size_t units = 1;
        if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            units = 2;
        const std::u16string_view character = text.substr(i, units);
        i += units;
        const std::optional<std::string> piece = EncodeCharacter(cd, character);
        if (!piece) {
            if (result.unstorable.find(character) == std::u16string::npos)
                result.unstorable += character;
            continue;
        }
        if (result.bytes.size() + piece->size() > maxBytes)
            break;
        result.bytes += *piece;
    }
    return result;
}

std::function<bool(std::string_view, std::span<bool>)> SingleByteCharactersOf(const NameCharset& charset)
{
    return [charset](std::string_view bytes, std::span<bool> single) {
        return charset.SingleByteCharacters(bytes, single);
    };
}

bool KnownCharset(std::string_view name)
{
    const std::string charset(name);
    return !charset.empty() && Converters().Get(charset, true) != InvalidHandle() &&
           Converters().Get(charset, false) != InvalidHandle();
}

std::string LocaleCharset()
{
    return nl_langinfo(CODESET);
}

bool IsUtf8Name(std::string_view charset)
{
    std::string plain;
    for (const char c : charset)
        if (c != '-' && c != '_')
            plain.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    return plain == "UTF8";
}

} // namespace korvex
