#pragma once
// Packed words in the image hold their sub-fields from the most significant bit
// downward, in the order the record lists them. A decoder takes fields off the
// top of the word with MsbFirstReader; its encoder puts the same fields back, in
// the same order and widths, with MsbFirstWriter, so the two read line by line
// as mirrors of each other.

#include <cassert>
#include <cstdint>

namespace korvex {

class MsbFirstReader {
public:
    constexpr MsbFirstReader(std::uint32_t word, unsigned wordBits)
        : word_(word), remaining_(wordBits) {}

    constexpr std::uint32_t Take(unsigned bits)
    {
        assert(bits > 0 && bits <= remaining_);
        remaining_ -= bits;
        return (word_ >> remaining_) & Mask(bits);
    }

    constexpr bool Done() const { return remaining_ == 0; }

private:
    static constexpr std::uint32_t Mask(unsigned bits)
    {
        return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
    }

    std::uint32_t word_;
    unsigned remaining_;
};

class MsbFirstWriter {
public:
    constexpr explicit MsbFirstWriter(unsigned wordBits) : remaining_(wordBits) {}

    // Stores the low `bits` bits of value; higher bits of value are ignored.
    constexpr void Put(std::uint32_t value, unsigned bits)
    {
        assert(bits > 0 && bits <= remaining_);
        remaining_ -= bits;
        const std::uint32_t mask = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
        word_ |= (value & mask) << remaining_;
    }

    constexpr std::uint32_t Word() const
    {
        assert(remaining_ == 0);
        return word_;
    }

private:
    std::uint32_t word_ = 0;
    unsigned remaining_;
};

} // namespace korvex
