#include "codepage/CharsetDetection.h"

#include <uchardet/uchardet.h>

#include <algorithm>
#include <memory>

namespace korvex {
namespace {

constexpr unsigned char kErasedByte = 0xFF;

// A strict UTF-8 check: shortest forms only, no surrogates, nothing above
// U+10FFFF.
bool IsValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (bytes.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return false;
        }
        i += length;
    }
    return true;
}

// The names one to a line, without erased bytes.
std::string DetectionText(std::span<const std::string_view> names)
{
    std::string text;
    for (const std::string_view name : names) {
        for (const char c : name)
            if (static_cast<unsigned char>(c) != kErasedByte)
                text.push_back(c);
        text.push_back('\n');
    }
    return text;
}

std::size_t BytesOutsideAscii(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
}

std::string Guess(std::string_view text)
{
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(),
                                                                                           &uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), text.data(), text.size()) != 0)
        return {};
    uchardet_data_end(detector.get());
    const char* charset = uchardet_get_charset(detector.get());
    return charset ? charset : "";
}

bool DecodesCleanly(const NameCharset& charset, std::string_view text)
{
    return charset.Decode(text).find(u'\uFFFD') == std::u16string::npos;
}

} // namespace

CharsetChoice DefaultNameCharset(std::span<const std::string_view> names, const std::string& localeCharset)
{
    const CharsetChoice locale{NameCharset(localeCharset), CharsetSource::Locale};
    if (!IsUtf8Name(localeCharset) ||
        std::all_of(names.begin(), names.end(), [](std::string_view name) { return IsValidUtf8(name); }))
        return locale;

    const std::string text = DetectionText(names);
    if (BytesOutsideAscii(text) < kLeastEvidenceBytes)
        return locale;
    std::string guess = Guess(text);
    if (guess.empty() || guess == "ASCII" || !KnownCharset(guess))
        return locale;
    // Boxes keep GBK; GB18030 only adds four-byte sequences, which a new name
    // should not get unless the image already holds some.
    if (guess == "GB18030" && DecodesCleanly(NameCharset("GBK"), text))
        guess = "GBK";
    NameCharset detected(guess);
    if (!DecodesCleanly(detected, text))
        return locale;
    return {std::move(detected), CharsetSource::Detected};
}

std::string_view SourceText(CharsetSource source)
{
    switch (source) {
    case CharsetSource::Locale: return "locale";
    case CharsetSource::Detected: return "detected";
    case CharsetSource::Given: return "given";
    }
    return "";
}

CharsetChoice NamesCharset(const std::optional<std::string>& given, std::span<const std::string_view> names)
{
    if (given)
        return {NameCharset(*given), CharsetSource::Given};
    return DefaultNameCharset(names, LocaleCharset());
}

} // namespace korvex
