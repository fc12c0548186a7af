#pragma once
// Composes flash images for tests, demo files, benchmarks and fuzz seeds.
//
// ImageBuilder lays the four tables of either layout from record values:
// signature, directory headers and entries, records and, for layout 2, the
// directory marker. Each feature can be moved or left out, and the Put*
// helpers write single headers, entries and records wherever a test says, so
// that any broken image can be made on purpose. The packing here is written
// independently of the product's codec, so tests compare two implementations.

#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::testing {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kLayout1Size = 0x80000;
inline constexpr std::uint32_t kLayout2Size = 0x100000;

struct BuiltImage {
    Bytes bytes;
    // Offset of each table's header, by BlockId; 0 for a table left out.
    std::array<std::uint32_t, 4> headerOffsets{};
    // Record offsets of each table, in entry order, by BlockId.
    std::array<std::vector<std::uint32_t>, 4> recordOffsets;

    std::uint32_t HeaderOffset(BlockId id) const { return headerOffsets[Index(id)]; }
    std::uint32_t EntryOffset(BlockId id, std::uint32_t k) const
    {
        return HeaderOffset(id) + kBlockHeaderSize + kEntrySize * k;
    }
    std::uint32_t RecordOffset(BlockId id, std::size_t k) const { return recordOffsets[Index(id)][k]; }

    static std::size_t Index(BlockId id) { return static_cast<std::size_t>(id); }
};

class ImageBuilder {
public:
    // Layout 1: 512 KiB, directory at 0x70000, records from 0x1000.
    // Layout 2: 1 MiB, marker at 0xDFFFC, directory at 0xD0000, records from
    // 0x81000 (above 0x80000, so the first block magic is always above it).
    explicit ImageBuilder(int layoutKind = 1);

    // Entry flag bytes: satellites and transponders take bits 24..31 of the
    // record's entryWord; programs take bit 31 of entryWord as bit 7, then
    // unlocked in bit 0 and favBits in bits 1..6.
    ImageBuilder& AddSat(const SatRecord& sat);
    ImageBuilder& AddTp(const TpRecord& tp);
    ImageBuilder& AddTv(const ProgRecord& prog);
    ImageBuilder& AddRadio(const ProgRecord& prog);

    ImageBuilder& SignatureAt(std::optional<std::uint32_t> offset);  // nullopt: no signature
    ImageBuilder& MarkerAt(std::optional<std::uint32_t> offset);     // nullopt: no marker
    ImageBuilder& DirectoryAt(std::uint32_t offset);
    ImageBuilder& RecordsAt(std::uint32_t offset);
    ImageBuilder& ImageSize(std::uint32_t size);
    ImageBuilder& OmitBlock(BlockId id);

    BuiltImage Build() const;

private:
    int layoutKind_;
    std::uint32_t imageSize_;
    std::optional<std::uint32_t> signatureAt_ = 0;
    std::optional<std::uint32_t> markerAt_;
    std::uint32_t dirStart_;
    std::uint32_t recordsAt_;
    std::array<bool, 4> omitted_{};
    std::vector<SatRecord> sats_;
    std::vector<TpRecord> tps_;
    std::vector<ProgRecord> tv_;
    std::vector<ProgRecord> radio_;
};

// Raw writers; each grows nothing and asserts that it stays inside bytes.
void PutBe16(Bytes& bytes, std::uint32_t at, std::uint16_t value);
void PutBe32(Bytes& bytes, std::uint32_t at, std::uint32_t value);
void PutText(Bytes& bytes, std::uint32_t at, std::string_view text);
void PutHeader(Bytes& bytes, std::uint32_t at, BlockId id, std::uint32_t entryCount,
               std::uint32_t activeMark = kActiveMark);
void PutEntry(Bytes& bytes, std::uint32_t at, std::uint8_t flag, std::uint32_t recordOffset);
void PutSatRecord(Bytes& bytes, std::uint32_t at, const SatRecord& sat);
void PutTpRecord(Bytes& bytes, std::uint32_t at, const TpRecord& tp);
// Writes every field as given, videoPid included, and bytes 28..35 from
// tailWords exactly as they lie in memory.
void PutProgRecord(Bytes& bytes, std::uint32_t at, const ProgRecord& prog);

std::uint8_t ProgramFlagByte(const ProgRecord& prog);

// A name field from text: the text's bytes, then zeros.
NameBytes Name(std::string_view text);

// A test-case name made of letters, digits and underscores, from a description.
std::string CaseName(std::string_view description);

// A FlashImage with the bytes taken in (the buffer cleared behind them).
std::unique_ptr<FlashImage> MakeFlashImage(std::span<const std::uint8_t> bytes);

struct RandomShape {
    int layoutKind = 2;
    std::size_t sats = 20;
    std::size_t tps = 200;
    std::size_t tv = 300;
    std::size_t radio = 150;
    // Ids are drawn from [0, idRange) so that duplicates and misses occur.
    std::uint16_t satIdRange = 24;
    std::uint16_t tpIdRange = 240;
};

// An image with random field values, names and flag bytes; programs refer to
// satellites and transponders by ids from the same small ranges.
ImageBuilder RandomImage(std::mt19937& rng, const RandomShape& shape);

} // namespace korvex::testing
