#include "codepage/CodePage.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <iconv.h>
#include <langinfo.h>

namespace korvex {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// One iconv descriptor per direction and thread, opened again when the
// locale's charset changes. Opening one costs more than converting a name.
class Converter {
public:
    Converter(bool toUtf16) : toUtf16_(toUtf16) {}
    ~Converter() { Close(); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    iconv_t Get()
    {
        const std::string codeset = nl_langinfo(CODESET);
        if (codeset != codeset_) {
            Close();
            codeset_ = codeset;
            handle_ = toUtf16_ ? iconv_open("UTF-16LE", codeset.c_str())
                               : iconv_open(codeset.c_str(), "UTF-16LE");
        }
        if (handle_ != Invalid())
            iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
        return handle_;
    }

    static iconv_t Invalid() { return reinterpret_cast<iconv_t>(-1); }

private:
    void Close()
    {
        if (handle_ != Invalid())
            iconv_close(handle_);
        handle_ = Invalid();
    }

    bool toUtf16_;
    std::string codeset_;
    iconv_t handle_ = Invalid();
};

Converter& Decoder()
{
    thread_local Converter decoder(true);
    return decoder;
}

Converter& Encoder()
{
    thread_local Converter encoder(false);
    return encoder;
}

void AppendUtf16Le(std::u16string& out, const char* bytes, std::size_t length)
{
    for (std::size_t i = 0; i + 1 < length; i += 2)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
}

} // namespace

std::u16string AnsiToUtf16(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    if (IsAscii(bytes)) {
        for (const char c : bytes)
            out.push_back(static_cast<char16_t>(c));
        return out;
    }
    const iconv_t cd = Decoder().Get();
    if (cd == Converter::Invalid()) {
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

std::string Utf16ToAnsi(std::u16string_view text, std::size_t maxBytes)
{
    std::string out;
    const iconv_t cd = Encoder().Get();
    for (std::size_t i = 0; i < text.size();) {
        // One character: a surrogate pair counts as one.
        std::size_t units = 1;
        if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            units = 2;
        std::string piece;
        if (text[i] < 0x80) {
            piece.push_back(static_cast<char>(text[i]));
        } else if (cd != Converter::Invalid()) {
            std::array<char, 4> utf16{};
            for (std::size_t u = 0; u < units; ++u) {
                utf16[2 * u] = static_cast<char>(text[i + u] & 0xFF);
                utf16[2 * u + 1] = static_cast<char>(text[i + u] >> 8);
            }
            std::array<char, 16> encoded;
            char* in = utf16.data();
            std::size_t inLeft = 2 * units;
            char* outPtr = encoded.data();
            std::size_t outLeft = encoded.size();
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
                piece = "?";
            else
                piece.assign(encoded.data(), encoded.size() - outLeft);
        } else {
            piece = "?";
        }
        if (out.size() + piece.size() > maxBytes)
            break;
        out += piece;
        i += units;
    }
    return out;
}

} // namespace korvex
