#pragma once
// How an input of the image fuzz target stands for the file the user opened.
//
// An image is 512 KiB or 1 MiB of mostly erased flash: a signature near the
// start, records wherever the box put them, a directory at 0x70000, 0xD0000
// or 0xE0000. Taken byte for byte, every input the fuzzer mutates would be a
// mebibyte long. Instead, an input lays pieces of bytes over a file of zeros,
// so that a few hundred bytes describe a whole image:
//
//   piece := offset (3 bytes, big-endian; the low 20 bits count)
//            length (2 bytes, big-endian)
//            the piece's bytes (fewer when the input ends first)
//
// Pieces are laid in input order, a later one over an earlier one. The file
// ends where its furthest piece ends, so a piece of no bytes sets the file's
// length, and a piece that runs past 1 MiB makes a file too large to open.
// Bytes too few to hold a piece's offset and length are left out. Every file
// of at most 1 MiB has an input that stands for it (EncodeSparseFile).

#include "db/FlashImage.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <vector>

namespace korvex::fuzz {

inline constexpr std::size_t kPieceHeaderSize = 5;
inline constexpr std::uint32_t kPieceOffsetMask = 0xFFFFF;
inline constexpr std::size_t kMostPieceBytes = 0xFFFF;

// One file of any size up to one byte over what the image buffer holds: a
// file longer than that is refused for its length alone, as this one is.
class SparseFile {
public:
    static constexpr std::size_t kCapacity = std::size_t{kImageCapacity} + 1;

    // Lays the input's pieces over zeros. The bytes of the previous file are
    // cleared first, and only those: the buffer is zero beyond every file.
    void Decode(std::span<const std::uint8_t> input)
    {
        std::fill_n(bytes_.begin(), size_, std::uint8_t{0});
        size_ = 0;
        while (input.size() >= kPieceHeaderSize) {
            const std::size_t offset =
                ((std::size_t{input[0]} << 16) | (std::size_t{input[1]} << 8) | input[2]) & kPieceOffsetMask;
            const std::size_t length = std::min((std::size_t{input[3]} << 8) | input[4],
                                                input.size() - kPieceHeaderSize);
            const std::size_t end = std::min(offset + length, kCapacity);
            std::copy_n(input.begin() + kPieceHeaderSize, end - offset, bytes_.begin() + offset);
            size_ = std::max(size_, end);
            input = input.subspan(kPieceHeaderSize + length);
        }
    }

    std::span<const std::uint8_t> Bytes() const { return {bytes_.data(), size_}; }

    // The file followed by zeros, as many bytes as the image buffer holds.
    std::span<const std::uint8_t, kImageCapacity> AsImageBuffer() const
    {
        return std::span<const std::uint8_t, kImageCapacity>(bytes_.data(), kImageCapacity);
    }

private:
    std::array<std::uint8_t, kCapacity> bytes_{};
    std::size_t size_ = 0;
};

// An input that stands for the file: its bytes in pieces, leaving out runs of
// zeros long enough to be worth a piece header. The file may hold at most
// 1 MiB.
inline std::vector<std::uint8_t> EncodeSparseFile(std::span<const std::uint8_t> file)
{
    if (file.size() > kImageCapacity)
        throw std::length_error("a sparse file holds at most 1 MiB");
    std::vector<std::uint8_t> input;
    auto addPiece = [&](std::size_t offset, std::span<const std::uint8_t> bytes) {
        const std::uint8_t header[kPieceHeaderSize] = {
            static_cast<std::uint8_t>(offset >> 16), static_cast<std::uint8_t>(offset >> 8),
            static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(bytes.size() >> 8),
            static_cast<std::uint8_t>(bytes.size())};
        input.insert(input.end(), std::begin(header), std::end(header));
        input.insert(input.end(), bytes.begin(), bytes.end());
    };
    // A run of zeros shorter than this costs less kept inside a piece.
    constexpr std::size_t kShortestGap = 2 * kPieceHeaderSize;
    std::size_t at = 0;
    std::size_t end = 0;  // where the last piece ended
    while (at < file.size()) {
        if (file[at] == 0) {
            ++at;
            continue;
        }
        // A piece from here up to a long enough run of zeros, the end of the
        // file, or the most a piece holds.
        const std::size_t begin = at;
        std::size_t zeros = 0;
        while (at < file.size() && at - begin < kMostPieceBytes && zeros < kShortestGap) {
            zeros = file[at] == 0 ? zeros + 1 : 0;
            ++at;
        }
        end = at - zeros;
        addPiece(begin, file.subspan(begin, end - begin));
    }
    // A file that ends in zeros ends with a piece of its last byte.
    if (end < file.size())
        addPiece(file.size() - 1, file.last(1));
    return input;
}

} // namespace korvex::fuzz
