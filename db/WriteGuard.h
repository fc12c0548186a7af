#pragma once
// The one place that decides whether image bytes may be written.
//
// Every load records what made the image readable: the signature that decided
// the layout and the first block magic behind it, the layout-2 directory
// marker places, every block header found and every block magic at the
// positions the directory scan reads, each table's directory entries, and the
// span of every record held. A write is allowed only when every byte it
// changes is owned by it — a record's own bytes for an encoder, its own entry
// in its own table for a flag byte or an arrangement — lies below flashSize,
// and touches no other part of that structure. A record that overlaps the
// structure, or that another record starts inside, is read-only: writing it
// would change what the next load finds. After a write, the layout and the
// four blocks must still be found as the load found them; otherwise the bytes
// are put back and the write is refused.
//
// The guard belongs to the bytes it was computed from: taking in a new file
// drops it, and every arrangement must be followed by a reload (as every edit
// already is). An image that was never loaded has no guard and refuses all
// writes.

#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace korvex {

// Why a record cannot be changed, in the user's words.
inline constexpr std::string_view kOverlapsDirectoryText =
    "This record overlaps the image's directory and cannot be changed safely.";
inline constexpr std::string_view kOverlapsSignatureText =
    "This record overlaps the image's signature and cannot be changed safely.";
inline constexpr std::string_view kOverlapsMarkerText =
    "This record overlaps the image's directory marker and cannot be changed safely.";
inline constexpr std::string_view kOverlapsRecordText =
    "This record overlaps another record and cannot be changed safely.";
inline constexpr std::string_view kEntryOverlapsDirectoryText =
    "This record's directory entry overlaps another part of the image's directory and cannot be changed safely.";
inline constexpr std::string_view kEntryOverlapsSignatureText =
    "This record's directory entry overlaps the image's signature and cannot be changed safely.";
inline constexpr std::string_view kEntryOverlapsMarkerText =
    "This record's directory entry overlaps the image's directory marker and cannot be changed safely.";
inline constexpr std::string_view kEntryMissingText =
    "This record's directory entry no longer points at it; reload the image before changing it.";
inline constexpr std::string_view kNotLoadedText = "No image is loaded, so nothing can be changed.";
inline constexpr std::string_view kStructureChangedText =
    "This change would alter how the image's directory is found and was not made.";

struct ByteSpan {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;

    bool Overlaps(const ByteSpan& other) const { return begin < other.end && other.begin < end; }
    bool operator==(const ByteSpan&) const = default;
};

// What decides where the tables are found: the layout and the four blocks.
struct Landmarks {
    std::uint32_t layoutKind = 0;
    std::uint32_t flashSize = 0;
    std::uint32_t dirStart = 0;
    std::uint32_t dirScanLength = 0;
    std::array<FoundBlock, 4> blocks{};

    // Runs DetectLayout, ApplyLayout and FindBlock for the four tables over
    // the image as it stands; the image's layout fields are left as they were.
    static Landmarks Of(FlashImage& image);
    bool operator==(const Landmarks& other) const;
};

class WriteGuard {
public:
    enum class Part : std::uint8_t { Signature, Directory, Marker };

    // Computed from an image that has just loaded into db, with the layout
    // features that load found.
    static WriteGuard Of(const FlashImage& image, const ChannelDatabase& db, const LayoutFeatures& features);

    const Landmarks& LoadedLandmarks() const { return landmarks_; }

    // Why the record of `size` bytes at `offset` may not be written, or empty.
    std::string_view RecordRefusal(std::uint32_t offset, std::uint32_t size) const;

    // Why the flag byte of entry k of a program table may not be written, or
    // empty. `entryWord` is the entry as the record was loaded: the entry must
    // still point at the same record.
    std::string_view FlagRefusal(BlockId block, std::uint32_t k, std::uint32_t entryWord,
                                 const FlashImage& image) const;

    // Why the entries of a whole table (its header's entryCount included) may
    // not be rewritten by an arrangement, or empty.
    std::string TableRefusal(BlockId block) const;

    // Why entry k's flag byte may not be changed by an arrangement, or empty.
    std::string EntryRefusal(BlockId block, std::uint32_t k) const;

    // The image offset of entry k of a found block.
    std::uint64_t EntryOffset(BlockId block, std::uint32_t k) const;

    // How many held records of a table an edit or an arrangement may not
    // take along (WriteRefusal), counted once at load. Reordering a table
    // takes every record along: with none read-only, it only has to see that
    // each entry still points at its record.
    std::uint32_t ReadOnlyRecords(BlockId block) const { return readOnly_[static_cast<std::size_t>(block)]; }

private:
    struct Piece {
        ByteSpan span;
        Part part;
        int owner;  // the BlockId whose header this is, or -1
    };

    std::optional<Part> StructureOverlap(ByteSpan span, int ownTable) const;
    bool OverlapsAnotherRecord(ByteSpan span) const;
    // Why entry k's flag byte may not be written, from what the load found.
    std::string_view EntryFlagRefusal(BlockId block, std::uint32_t k) const;
    void CountReadOnlyRecords(const ChannelDatabase& db);

    Landmarks landmarks_;
    std::array<TableAccount, 4> accounts_{};
    std::vector<Piece> pieces_;                 // sorted by begin; each at most 20 bytes
    std::array<std::optional<ByteSpan>, 4> entries_{};  // each found table's entries
    std::vector<ByteSpan> records_;             // unique, sorted
    std::vector<std::uint64_t> recordEndsSoFar_;  // running maximum of records_[i].end
    std::array<std::uint32_t, 4> readOnly_{};     // held records WriteRefusal refuses, by BlockId
};

// The guard of the image's last load, or nothing when it was never loaded.
const WriteGuard* GuardOf(const FlashImage& image);

// Why an edit of the record may not be written, or empty when it may: the
// record's bytes and, for a program, the flag byte of its own entry.
std::string_view WriteRefusal(const FlashImage& image, const SatRecord& sat);
std::string_view WriteRefusal(const FlashImage& image, const TpRecord& tp);
std::string_view WriteRefusal(const FlashImage& image, const ProgRecord& prog);

template <typename Record>
bool IsWritable(const FlashImage& image, const Record& record)
{
    return WriteRefusal(image, record).empty();
}

std::string_view WriteThenVerifyThrough(FlashImage& image, std::span<const ByteSpan> owned,
                                        void (*write)(FlashImage&, void*), void* context);

// Calls write(image), which may change only the `owned` byte ranges the guard
// allowed; then checks the landmarks against the load's and, when they
// differ, puts those ranges back and refuses. Returns the refusal or empty.
template <typename Write>
std::string_view WriteThenVerify(FlashImage& image, std::span<const ByteSpan> owned, Write&& write)
{
    return WriteThenVerifyThrough(
        image, owned, [](FlashImage& target, void* w) { (*static_cast<std::remove_reference_t<Write>*>(w))(target); },
        const_cast<void*>(static_cast<const void*>(&write)));
}

} // namespace korvex
