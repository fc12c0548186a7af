#pragma once
// How the record editors move values between their controls and the record
// fields. A number is stored only when the whole text is a decimal number
// that fits its field's width; a name only when all of it fits the 12 bytes
// of the name field in the image's name charset. Anything else is refused in
// words and nothing is stored: a box that is sent a value cut or wrapped to
// fit breaks the channel with no sign why.

#include "codepage/NameCharset.h"
#include "db/ChannelDatabase.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

class QComboBox;

namespace korvex {

// A number field of an editor: the name its label gives it and the number of
// bits the record holds it in.
struct NumberField {
    std::string_view name;
    unsigned bits;

    constexpr std::uint32_t Max() const { return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u; }
};

// Every number field of the three editors.
namespace fields {
inline constexpr NumberField kLongitude{"Longitude", 16};
inline constexpr NumberField kLnbFreLow{"LnbFreLow", 16};
inline constexpr NumberField kLnbFreHigh{"LnbFreHigh", 16};
inline constexpr NumberField kPosition{"Postion", 6};
inline constexpr NumberField kFrequency{"Freq", 14};
inline constexpr NumberField kSymbolRate{"SymbolRate", 16};
inline constexpr NumberField kVideoPid{"VideoPID", 13};
inline constexpr NumberField kAudioPid{"AudioPID", 13};
inline constexpr NumberField kPcrPid{"PCRPID", 13};
inline constexpr NumberField kServiceId{"ServiceID", 16};
} // namespace fields

QString ShowNumber(std::uint32_t value);

// The name as the editor shows it: at most 12 characters.
QString ShowName(const NameBytes& name, const NameCharset& charset);

// What a number field's text gives: the value, or why it cannot be stored
// ("Freq 99999 does not fit: 0 to 16383."). Blanks around the digits are
// allowed; anything else that is not an ASCII digit makes the text no number.
struct NumberReading {
    std::optional<std::uint32_t> value;
    QString refusal;
};
NumberReading ReadNumber(const QString& text, const NumberField& field);

// The low `bits` bits of a value, as stored in a field of that width.
constexpr std::uint32_t LowBits(int value, unsigned bits)
{
    return static_cast<std::uint32_t>(value) & (bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u);
}

// The bytes a name takes in the charset (characters it cannot store take none).
std::size_t NameByteCount(const QString& text, const NameCharset& charset);

// Stores an edited name: all of it in the charset, then a zero byte when it
// takes fewer than 12 bytes; the bytes behind that zero stay. A name left as
// it was shown is not encoded again, so bytes the charset does not define
// survive an unrelated edit. Returns why the name cannot be stored (characters
// the charset cannot store, or more than 12 bytes), in words; when there is a
// reason, nothing is stored.
QString ReadName(const QString& text, const QString& shownText, NameBytes& field, const NameCharset& charset);

// Fills a drop-down with names at positions 0, 1, ... and selects `value`;
// a value without an entry leaves the combo without a selection.
void FillCombo(QComboBox* combo, std::span<const std::string_view> names, unsigned value);

} // namespace korvex
