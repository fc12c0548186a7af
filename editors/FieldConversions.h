#pragma once
// How the record editors move values between their controls and the record
// fields. Numbers are read from a fixed number of leading characters by the
// rules of atoi and stored modulo the field's width; nothing is validated.
// Names are at most 12 characters and 12 bytes of the image's name charset.

#include "codepage/NameCharset.h"
#include "db/ChannelDatabase.h"

#include <QString>

#include <cstdint>
#include <span>
#include <string_view>

class QComboBox;

namespace korvex {

QString ShowNumber(std::uint32_t value);

// The name as the editor shows it: at most 12 characters.
QString ShowName(const NameBytes& name, const NameCharset& charset);

// The first `maxChars` characters of text parsed as atoi does: leading
// blanks, an optional sign, then digits up to the first other character;
// nothing to parse gives 0. Characters outside ASCII are never blanks, signs
// or digits, in any charset, so the text is read as it stands.
int ReadNumber(const QString& text, int maxChars);

// The low `bits` bits of a number read by ReadNumber, as stored in a field of
// that width (a negative number wraps as two's complement does).
constexpr std::uint32_t LowBits(int value, unsigned bits)
{
    return static_cast<std::uint32_t>(value) & (bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u);
}

// Stores an edited name: its first 12 characters in the charset, at most 12
// bytes and never part of a character, then a zero byte when shorter; the
// bytes behind that zero stay. A name left as it was shown is not encoded
// again, so bytes the charset does not define survive an unrelated edit.
// Returns the characters the charset cannot store, once each; when there are
// any, nothing is stored.
QString ReadName(const QString& text, const QString& shownText, NameBytes& field, const NameCharset& charset);

// Fills a drop-down with names at positions 0, 1, ... and selects `value`;
// a value without an entry leaves the combo without a selection.
void FillCombo(QComboBox* combo, std::span<const std::string_view> names, unsigned value);

} // namespace korvex
