#pragma once
// Every multi-byte number in the flash image is big-endian. These are the only
// places that turn image bytes into numbers and back. They take fixed-size spans,
// so a read or write can only touch the bytes the caller has already shown to be
// inside the buffer.

#include <cstdint>
#include <span>

namespace korvex {

constexpr std::uint16_t LoadBe16(std::span<const std::uint8_t, 2> in)
{
    return static_cast<std::uint16_t>((in[0] << 8) | in[1]);
}

constexpr std::uint32_t LoadBe24(std::span<const std::uint8_t, 3> in)
{
    return (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
}

constexpr std::uint32_t LoadBe32(std::span<const std::uint8_t, 4> in)
{
    return (std::uint32_t{in[0]} << 24) | (std::uint32_t{in[1]} << 16) |
           (std::uint32_t{in[2]} << 8) | in[3];
}

constexpr void StoreBe16(std::span<std::uint8_t, 2> out, std::uint16_t value)
{
    out[0] = static_cast<std::uint8_t>(value >> 8);
    out[1] = static_cast<std::uint8_t>(value);
}

constexpr void StoreBe32(std::span<std::uint8_t, 4> out, std::uint32_t value)
{
    out[0] = static_cast<std::uint8_t>(value >> 24);
    out[1] = static_cast<std::uint8_t>(value >> 16);
    out[2] = static_cast<std::uint8_t>(value >> 8);
    out[3] = static_cast<std::uint8_t>(value);
}

} // namespace korvex
