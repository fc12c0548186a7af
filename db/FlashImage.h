#pragma once
// The flash image held whole in memory, the features that decide whether an
// image is accepted and which of its two layouts it has, and the block
// directory through which the four record tables are found.
//
// Image format in brief (all numbers big-endian):
//  - the signature "6CGHLSWZ" stands somewhere in the image, never at offset 4;
//  - every directory block starts with a 20-byte header of five words:
//    magic 0x2930ABCD, block id, entry count, reserved, active mark 0xFFFFFFFF;
//  - 4-byte entries follow the header: a flag byte, then the 24-bit offset of
//    the record in the image;
//  - layout 1 is a 512 KiB flash with its directory at 0x70000; layout 2 is a
//    1 MiB flash whose directory is the 64 KiB block ending in the marker
//    0x19851019 (at 0xDFFFC, else at 0xEFFFC).

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <system_error>

namespace korvex {

inline constexpr std::uint32_t kImageCapacity = 0x100000;  // 1,048,576 bytes
inline constexpr std::string_view kSignature = "6CGHLSWZ";
inline constexpr std::uint32_t kBlockMagic = 0x2930ABCD;
inline constexpr std::uint32_t kActiveMark = 0xFFFFFFFF;
inline constexpr std::uint32_t kDirectoryMarker = 0x19851019;
inline constexpr std::uint32_t kBlockHeaderSize = 20;
inline constexpr std::uint32_t kEntrySize = 4;
inline constexpr std::uint32_t kInitialDirScanLength = 0x10000;

enum class BlockId : std::uint32_t {
    Satellites = 0,
    Transponders = 1,
    TvPrograms = 2,
    RadioPrograms = 3,
};

class WriteGuard;

struct FlashImage {
    std::array<std::uint8_t, kImageCapacity> bytes{};
    std::uint32_t flashSize = 0;      // bytes Save writes: 0x80000 or 0x100000
    std::uint32_t fileOpened = 0;     // 1 once a file has been taken in
    std::uint32_t layoutKind = 0;     // 1 or 2, from the last load
    std::uint32_t dirStart = 0;       // where the directory scan starts
    std::uint32_t dirScanLength = kInitialDirScanLength;
    // What the last load found (db/WriteGuard.h); every writer asks it. Shared
    // by copies of the image, dropped when new bytes are taken in.
    std::shared_ptr<const WriteGuard> guard;

    // The N bytes at offset, or nothing when any of them lies outside the
    // buffer. Every read and write of image bytes goes through these.
    template <std::size_t N>
    std::optional<std::span<const std::uint8_t, N>> Region(std::uint64_t offset) const
    {
        if (offset > kImageCapacity || kImageCapacity - offset < N)
            return std::nullopt;
        return std::span<const std::uint8_t, N>(bytes.data() + offset, N);
    }

    template <std::size_t N>
    std::optional<std::span<std::uint8_t, N>> Region(std::uint64_t offset)
    {
        if (offset > kImageCapacity || kImageCapacity - offset < N)
            return std::nullopt;
        return std::span<std::uint8_t, N>(bytes.data() + offset, N);
    }
};

// Copies a file's bytes to the start of the buffer and clears everything behind
// them, so that nothing of an earlier image survives into this one. Refuses,
// leaving the image untouched, when there are more bytes than the buffer holds.
bool TakeInBytes(FlashImage& image, std::span<const std::uint8_t> fileBytes);

enum class TakeInResult {
    Taken,
    TooLarge,      // the file holds more than 1,048,576 bytes
    CannotRead,    // missing, a folder, no permission, or a read error
};

// Reads a file and takes it in as TakeInBytes does. On any failure the image
// is left exactly as it was; for CannotRead, error (when given) says why.
TakeInResult TakeInFile(FlashImage& image, const std::filesystem::path& path,
                        std::error_code* error = nullptr);

// What decides whether an image is accepted and which layout it has: the
// first signature, and the first block magic at or after it.
struct LayoutFeatures {
    std::optional<std::uint32_t> signature;
    std::optional<std::uint32_t> magic;

    // 0 when the image is refused, otherwise the layout kind 1 or 2.
    std::uint32_t Kind() const;
};
LayoutFeatures FindLayoutFeatures(const FlashImage& image);

// 0 when the image is refused, otherwise the layout kind 1 or 2.
std::uint32_t DetectLayout(const FlashImage& image);

// Sets flashSize, dirStart and dirScanLength for the kind. Fails for an
// unknown kind, and for layout 2 when the directory marker stands in neither
// place; on failure flashSize keeps its value.
bool ApplyLayout(FlashImage& image, std::uint32_t kind);

struct BlockHeader {
    std::uint32_t magic = 0;
    std::uint32_t blockId = 0;
    std::uint32_t entryCount = 0;
    std::uint32_t reserved = 0;
    std::uint32_t activeMark = 0;
};

struct FoundBlock {
    std::uint32_t offset = 0;  // 0: no active header for the block id
    BlockHeader header;

    // A header can never stand at offset 0 of a real directory, so 0 means
    // "not found" and the table is treated as empty.
    bool Found() const { return offset != 0; }

    // How many of the header's entries lie wholly inside the buffer. An entry
    // count can claim far more entries than the image could ever hold.
    std::uint32_t EntriesInsideBuffer() const;
};

// The lowest active header for blockId at a 4-byte step from dirStart within
// dirScanLength bytes.
FoundBlock FindBlock(const FlashImage& image, BlockId blockId);

// The entries of a found block that lie wholly inside the buffer, four bytes
// each, in order; empty when the block was not found.
std::span<const std::uint8_t> EntryBytesOf(const FlashImage& image, const FoundBlock& block);

// Entry k of a found block read as one big-endian word, when it is inside the
// buffer. The flag byte is bits 24..31, the record offset bits 0..23.
std::optional<std::uint32_t> EntryWordAt(const FlashImage& image, const FoundBlock& block,
                                         std::uint32_t k);

constexpr std::uint32_t RecordOffsetOf(std::uint32_t entryWord) { return entryWord & 0xFFFFFF; }
constexpr std::uint8_t FlagByteOf(std::uint32_t entryWord)
{
    return static_cast<std::uint8_t>(entryWord >> 24);
}

} // namespace korvex
