#include "db/FlashImage.h"

#include "db/BigEndian.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace korvex {
namespace {

constexpr std::uint32_t kLayout1FlashSize = 0x80000;
constexpr std::uint32_t kLayout2FlashSize = 0x100000;
constexpr std::uint32_t kLayout1DirStart = 0x70000;
constexpr std::uint32_t kLayout1DirScanLength = 0x8000;
constexpr std::uint32_t kLayout2DirScanLength = 0x10000;
// Layout 2 keeps its directory in one of two 64 KiB blocks; the marker stands
// in the last four bytes of the block that holds it.
constexpr std::uint32_t kLayout2FirstDirStart = 0xD0000;
constexpr std::uint32_t kLayout2SecondDirStart = 0xE0000;
constexpr std::uint32_t kMarkerOffsetInBlock = 0xFFFC;
// A first block magic above this offset can only belong to a 1 MiB flash.
constexpr std::uint32_t kLayout1HighestMagic = 0x80000;

constexpr std::array<std::uint8_t, 4> kMagicBytes{0x29, 0x30, 0xAB, 0xCD};

// Why a path that names a pipe, a socket or a character device is not read.
const std::error_category& NotAFileCategory()
{
    class Category final : public std::error_category {
    public:
        const char* name() const noexcept override { return "image file"; }
        std::string message(int) const override { return "Not a regular file"; }
    };
    static const Category category;
    return category;
}

// The first occurrence of pattern at or after from. Most of an image is
// erased flash or record bytes in which the pattern's first byte is rare, so
// memchr skips ahead to each candidate and only those are compared in full.
std::optional<std::size_t> FindFrom(const FlashImage& image, std::size_t from,
                                    std::span<const std::uint8_t> pattern)
{
    const std::uint8_t* const begin = image.bytes.data();
    const std::uint8_t* const end = begin + image.bytes.size();
    if (pattern.empty() || from > image.bytes.size())
        return std::nullopt;
    for (const std::uint8_t* at = begin + from; static_cast<std::size_t>(end - at) >= pattern.size(); ++at) {
        at = static_cast<const std::uint8_t*>(
            std::memchr(at, pattern[0], static_cast<std::size_t>(end - at) - pattern.size() + 1));
        if (!at)
            return std::nullopt;
        if (std::memcmp(at + 1, pattern.data() + 1, pattern.size() - 1) == 0)
            return static_cast<std::size_t>(at - begin);
    }
    return std::nullopt;
}

bool MarkerAt(const FlashImage& image, std::uint32_t offset)
{
    const auto word = image.Region<4>(offset);
    return word && LoadBe32(*word) == kDirectoryMarker;
}

} // namespace

bool TakeInBytes(FlashImage& image, std::span<const std::uint8_t> fileBytes)
{
    if (fileBytes.size() > kImageCapacity)
        return false;
    const auto tail = std::copy(fileBytes.begin(), fileBytes.end(), image.bytes.begin());
    std::fill(tail, image.bytes.end(), std::uint8_t{0});
    image.fileOpened = 1;
    image.guard.reset();
    return true;
}

TakeInResult TakeInFile(FlashImage& image, const std::filesystem::path& path, std::error_code* error)
{
    auto fail = [&](std::error_code why) {
        if (error)
            *error = why;
        return TakeInResult::CannotRead;
    };
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return fail(std::make_error_code(std::errc::is_a_directory));
    // A pipe, a socket or a terminal would hold up the open or the read until
    // some other program writes to it; only files and block devices hold
    // bytes that are all there to be read.
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (!ec && !std::filesystem::is_regular_file(status) && !std::filesystem::is_block_file(status))
        return fail(std::error_code(1, NotAFileCategory()));
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return fail(std::error_code(errno, std::generic_category()));
    // Read one byte more than the buffer holds: that is enough to know the
    // file is too large without reading all of a huge one.
    std::vector<std::uint8_t> content(kImageCapacity + 1);
    const std::size_t got = std::fread(content.data(), 1, content.size(), file.get());
    if (std::ferror(file.get()))
        return fail(std::error_code(errno ? errno : EIO, std::generic_category()));
    if (got > kImageCapacity)
        return TakeInResult::TooLarge;
    TakeInBytes(image, std::span(content.data(), got));
    return TakeInResult::Taken;
}

LayoutFeatures FindLayoutFeatures(const FlashImage& image)
{
    LayoutFeatures features;
    const auto signature = FindFrom(
        image, 0,
        std::span(reinterpret_cast<const std::uint8_t*>(kSignature.data()), kSignature.size()));
    if (!signature)
        return features;
    features.signature = static_cast<std::uint32_t>(*signature);
    if (const auto magic = FindFrom(image, *signature, kMagicBytes))
        features.magic = static_cast<std::uint32_t>(*magic);
    return features;
}

std::uint32_t LayoutFeatures::Kind() const
{
    // An image whose signature starts at offset 4 is not a channel image.
    if (!signature || *signature == 4 || !magic)
        return 0;
    return *magic > kLayout1HighestMagic ? 2 : 1;
}

std::uint32_t DetectLayout(const FlashImage& image) { return FindLayoutFeatures(image).Kind(); }

bool ApplyLayout(FlashImage& image, std::uint32_t kind)
{
    switch (kind) {
    case 1:
        image.dirStart = kLayout1DirStart;
        image.dirScanLength = kLayout1DirScanLength;
        image.flashSize = kLayout1FlashSize;
        return true;
    case 2:
        image.dirScanLength = kLayout2DirScanLength;
        if (MarkerAt(image, kLayout2FirstDirStart + kMarkerOffsetInBlock))
            image.dirStart = kLayout2FirstDirStart;
        else if (MarkerAt(image, kLayout2SecondDirStart + kMarkerOffsetInBlock))
            image.dirStart = kLayout2SecondDirStart;
        else
            return false;
        image.flashSize = kLayout2FlashSize;
        return true;
    default:
        return false;
    }
}

std::uint32_t FoundBlock::EntriesInsideBuffer() const
{
    if (!Found())
        return 0;
    const std::uint64_t firstEntry = std::uint64_t{offset} + kBlockHeaderSize;
    const std::uint64_t room = firstEntry >= kImageCapacity ? 0 : (kImageCapacity - firstEntry) / kEntrySize;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(header.entryCount, room));
}

FoundBlock FindBlock(const FlashImage& image, BlockId blockId)
{
    // A header starts at a multiple of 4 bytes from dirStart, less than
    // dirScanLength bytes on, and lies wholly inside the buffer.
    constexpr std::uint64_t kLastHeaderOffset = kImageCapacity - kBlockHeaderSize;
    const std::uint64_t start = image.dirStart;
    if (start > kLastHeaderOffset)
        return FoundBlock{};
    const std::uint64_t end = std::min<std::uint64_t>(start + image.dirScanLength, kLastHeaderOffset + 1);
    // Nearly every position holds an entry or erased flash, not a header:
    // memchr passes over them to the next byte that can begin the magic, and
    // only there is a header read.
    constexpr auto kMagicFirstByte = static_cast<std::uint8_t>(kBlockMagic >> 24);
    const std::span<const std::uint8_t> scanned = std::span(image.bytes).subspan(start, end - start);
    for (std::size_t i = 0; i < scanned.size();) {
        const void* found = std::memchr(scanned.data() + i, kMagicFirstByte, scanned.size() - i);
        if (found == nullptr)
            break;
        const auto hit = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - scanned.data());
        if (hit % 4 != 0) {
            i = hit + (4 - hit % 4);
            continue;
        }
        i = hit + 4;
        const std::uint64_t candidate = start + hit;
        const auto raw = image.Region<kBlockHeaderSize>(candidate);
        if (!raw)
            break;
        const BlockHeader header{
            LoadBe32(raw->subspan<0, 4>()),  LoadBe32(raw->subspan<4, 4>()),
            LoadBe32(raw->subspan<8, 4>()),  LoadBe32(raw->subspan<12, 4>()),
            LoadBe32(raw->subspan<16, 4>()),
        };
        if (header.magic == kBlockMagic && header.blockId == static_cast<std::uint32_t>(blockId) &&
            header.activeMark == kActiveMark)
            return FoundBlock{static_cast<std::uint32_t>(candidate), header};
    }
    return FoundBlock{};
}

std::span<const std::uint8_t> EntryBytesOf(const FlashImage& image, const FoundBlock& block)
{
    const std::uint32_t entries = block.EntriesInsideBuffer();
    if (entries == 0)
        return {};
    return std::span(image.bytes).subspan(std::size_t{block.offset} + kBlockHeaderSize,
                                          std::size_t{entries} * kEntrySize);
}

std::optional<std::uint32_t> EntryWordAt(const FlashImage& image, const FoundBlock& block,
                                         std::uint32_t k)
{
    if (!block.Found() || k >= block.header.entryCount)
        return std::nullopt;
    const auto entry = image.Region<kEntrySize>(std::uint64_t{block.offset} + kBlockHeaderSize +
                                                std::uint64_t{kEntrySize} * k);
    if (!entry)
        return std::nullopt;
    return LoadBe32(*entry);
}

} // namespace korvex
