#include "db/WriteGuard.h"

#include "db/BigEndian.h"
#include "db/Encoders.h"
#include "db/RecordCodec.h"

#include <algorithm>
#include <cstring>

namespace korvex {
namespace {

constexpr std::uint32_t kMarkerOffsetInBlock = 0xFFFC;
constexpr std::array<std::uint32_t, 2> kMarkerPlaces{0xDFFFC, 0xEFFFC};
constexpr std::uint64_t kLongestPiece = kBlockHeaderSize;

constexpr const char* kTableNames[] = {"satellite", "transponder", "TV program", "radio program"};

std::size_t Index(BlockId id) { return static_cast<std::size_t>(id); }

std::string TableName(std::size_t id) { return std::string("the ") + kTableNames[id] + " table"; }

bool SameHeader(const BlockHeader& a, const BlockHeader& b)
{
    return a.magic == b.magic && a.blockId == b.blockId && a.entryCount == b.entryCount && a.reserved == b.reserved &&
           a.activeMark == b.activeMark;
}

std::string_view RecordText(WriteGuard::Part part)
{
    switch (part) {
    case WriteGuard::Part::Signature: return kOverlapsSignatureText;
    case WriteGuard::Part::Marker: return kOverlapsMarkerText;
    case WriteGuard::Part::Directory: break;
    }
    return kOverlapsDirectoryText;
}

std::string_view EntryText(WriteGuard::Part part)
{
    switch (part) {
    case WriteGuard::Part::Signature: return kEntryOverlapsSignatureText;
    case WriteGuard::Part::Marker: return kEntryOverlapsMarkerText;
    case WriteGuard::Part::Directory: break;
    }
    return kEntryOverlapsDirectoryText;
}

std::string PartName(WriteGuard::Part part)
{
    switch (part) {
    case WriteGuard::Part::Signature: return "the image's signature";
    case WriteGuard::Part::Marker: return "the directory marker";
    case WriteGuard::Part::Directory: break;
    }
    return "another block's header";
}

} // namespace

Landmarks Landmarks::Of(FlashImage& image)
{
    const std::uint32_t kind = image.layoutKind, flash = image.flashSize, start = image.dirStart,
                        scan = image.dirScanLength;
    Landmarks marks;
    marks.layoutKind = DetectLayout(image);
    if (marks.layoutKind != 0 && ApplyLayout(image, marks.layoutKind)) {
        marks.flashSize = image.flashSize;
        marks.dirStart = image.dirStart;
        marks.dirScanLength = image.dirScanLength;
        for (std::size_t id = 0; id < marks.blocks.size(); ++id)
            marks.blocks[id] = FindBlock(image, static_cast<BlockId>(id));
    }
    image.layoutKind = kind;
    image.flashSize = flash;
    image.dirStart = start;
    image.dirScanLength = scan;
    return marks;
}

bool Landmarks::operator==(const Landmarks& other) const
{
    if (layoutKind != other.layoutKind || flashSize != other.flashSize || dirStart != other.dirStart ||
        dirScanLength != other.dirScanLength)
        return false;
    for (std::size_t id = 0; id < blocks.size(); ++id)
        if (blocks[id].offset != other.blocks[id].offset || !SameHeader(blocks[id].header, other.blocks[id].header))
            return false;
    return true;
}

WriteGuard WriteGuard::Of(const FlashImage& image, const ChannelDatabase& db, const LayoutFeatures& features)
{
    WriteGuard guard;
    guard.landmarks_ = {image.layoutKind, image.flashSize, image.dirStart, image.dirScanLength, {}};
    for (std::size_t id = 0; id < 4; ++id)
        guard.landmarks_.blocks[id] = FindBlock(image, static_cast<BlockId>(id));
    guard.accounts_ = db.loadAccount.tables;

    // The signature that decided the layout, and the block magic that decided
    // which layout it is.
    if (features.signature)
        guard.pieces_.push_back({{*features.signature, *features.signature + kSignature.size()}, Part::Signature, -1});
    if (features.magic)
        guard.pieces_.push_back({{*features.magic, *features.magic + 4}, Part::Directory, -1});
    static constexpr std::array<std::uint8_t, 4> kMagic{0x29, 0x30, 0xAB, 0xCD};
    // In layout 2 both marker places decide where the directory is: the one
    // that holds the marker, and the first one for not holding it.
    if (image.layoutKind == 2)
        for (const std::uint32_t place : kMarkerPlaces)
            if (place <= std::uint64_t{image.dirStart} + kMarkerOffsetInBlock)
                guard.pieces_.push_back({{place, place + 4}, Part::Marker, -1});
    // Every block magic the directory scan reads, headers found or not.
    // memchr passes over the entries and erased flash to each byte that can
    // begin the magic; only those at a 4-byte step are compared.
    const std::uint64_t scanEnd =
        std::min<std::uint64_t>(std::uint64_t{image.dirStart} + image.dirScanLength, kImageCapacity - 3);
    for (std::uint64_t at = image.dirStart; at < scanEnd;) {
        const void* hit = std::memchr(image.bytes.data() + at, kMagic[0], scanEnd - at);
        if (!hit)
            break;
        at = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - image.bytes.data());
        if ((at - image.dirStart) % 4 == 0 && std::memcmp(image.bytes.data() + at, kMagic.data(), 4) == 0)
            guard.pieces_.push_back({{at, at + 4}, Part::Directory, -1});
        ++at;
    }
    for (std::size_t id = 0; id < 4; ++id) {
        const FoundBlock& block = guard.landmarks_.blocks[id];
        if (!block.Found())
            continue;
        guard.pieces_.push_back({{block.offset, block.offset + kBlockHeaderSize}, Part::Directory, static_cast<int>(id)});
        const std::uint64_t first = std::uint64_t{block.offset} + kBlockHeaderSize;
        guard.entries_[id] = ByteSpan{first, first + std::uint64_t{kEntrySize} * block.header.entryCount};
    }
    std::sort(guard.pieces_.begin(), guard.pieces_.end(),
              [](const Piece& a, const Piece& b) { return a.span.begin < b.span.begin; });

    const auto add = [&](std::uint32_t entryWord, std::uint32_t size) {
        const std::uint64_t at = RecordOffsetOf(entryWord);
        guard.records_.push_back({at, at + size});
    };
    guard.records_.reserve(std::size_t{db.numSats} + db.numTps + db.numProgs);
    // Records usually lie in the order satellites, transponders, radio and TV
    // programs, each table in entry order: then they are sorted already.
    for (const SatRecord& sat : db.Sats())
        add(sat.entryWord, kSatRecordSize);
    for (const TpRecord& tp : db.Tps())
        add(tp.entryWord, kTpRecordSize);
    for (const ProgRecord& prog : db.RadioProgs())
        add(prog.entryWord, kProgRecordSize);
    for (const ProgRecord& prog : db.TvProgs())
        add(prog.entryWord, kProgRecordSize);
    const auto byPlace = [](const ByteSpan& a, const ByteSpan& b) {
        return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
    };
    if (!std::is_sorted(guard.records_.begin(), guard.records_.end(), byPlace))
        std::sort(guard.records_.begin(), guard.records_.end(), byPlace);
    guard.records_.erase(std::unique(guard.records_.begin(), guard.records_.end()), guard.records_.end());
    guard.recordEndsSoFar_.reserve(guard.records_.size());
    std::uint64_t furthest = 0;
    for (const ByteSpan& record : guard.records_)
        guard.recordEndsSoFar_.push_back(furthest = std::max(furthest, record.end));
    guard.CountReadOnlyRecords(db);
    return guard;
}

void WriteGuard::CountReadOnlyRecords(const ChannelDatabase& db)
{
    // A record's own bytes: one pass over the records by place finds those
    // that reach past flashSize, overlap another record or cross the
    // structure, as RecordRefusal asks of each.
    struct Placed {
        ByteSpan span;
        BlockId table;
    };
    std::vector<Placed> placed;
    placed.reserve(std::size_t{db.numSats} + db.numTps + db.numProgs);
    const auto place = [&](std::uint32_t entryWord, std::uint32_t size, BlockId table) {
        const std::uint64_t at = RecordOffsetOf(entryWord);
        placed.push_back({{at, at + size}, table});
    };
    for (const SatRecord& sat : db.Sats())
        place(sat.entryWord, kSatRecordSize, BlockId::Satellites);
    for (const TpRecord& tp : db.Tps())
        place(tp.entryWord, kTpRecordSize, BlockId::Transponders);
    for (const ProgRecord& prog : db.RadioProgs())
        place(prog.entryWord, kProgRecordSize, BlockId::RadioPrograms);
    for (const ProgRecord& prog : db.TvProgs())
        place(prog.entryWord, kProgRecordSize, BlockId::TvPrograms);
    const auto byPlace = [](const Placed& a, const Placed& b) {
        return a.span.begin != b.span.begin ? a.span.begin < b.span.begin : a.span.end < b.span.end;
    };
    if (!std::is_sorted(placed.begin(), placed.end(), byPlace))
        std::sort(placed.begin(), placed.end(), byPlace);
    // Records with the very same span are one record to the guard; another
    // record is one with a different span.
    std::uint64_t furthestBefore = 0;  // the furthest end of the records placed before this span
    for (std::size_t first = 0; first < placed.size();) {
        const ByteSpan span = placed[first].span;
        std::size_t next = first;
        while (next < placed.size() && placed[next].span == span)
            ++next;
        const bool readOnly = span.end > landmarks_.flashSize || StructureOverlap(span, -1) ||
                              (next < placed.size() && placed[next].span.begin < span.end) ||
                              furthestBefore > span.begin;
        if (readOnly)
            for (std::size_t k = first; k < next; ++k)
                ++readOnly_[Index(placed[k].table)];
        furthestBefore = std::max(furthestBefore, span.end);
        first = next;
    }

    // A program's flag byte in its own entry. When nothing of the structure
    // but the table's own header lies among a table's entries, and they end
    // below flashSize, no flag byte is refused; otherwise each is asked.
    for (const ProgTable table : {ProgTable::Tv, ProgTable::Radio}) {
        const BlockId block = BlockOf(table);
        const std::size_t id = Index(block);
        if (!entries_[id] || db.Progs(table).empty())
            continue;
        if (entries_[id]->end <= landmarks_.flashSize && !StructureOverlap(*entries_[id], static_cast<int>(id)))
            continue;
        readOnly_[id] = 0;
        for (const ProgRecord& prog : db.Progs(table))
            if (!RecordRefusal(RecordOffsetOf(prog.entryWord), kProgRecordSize).empty() ||
                !EntryFlagRefusal(block, prog.tableIndex).empty())
                ++readOnly_[id];
    }
}

std::optional<WriteGuard::Part> WriteGuard::StructureOverlap(ByteSpan span, int ownTable) const
{
    // Pieces are short: only those that begin less than the longest piece
    // before the span's end can reach it.
    // The table's own header (and the magic at its start) belongs to the
    // table's own writes.
    ByteSpan ownHeader;
    if (ownTable >= 0 && landmarks_.blocks[static_cast<std::size_t>(ownTable)].Found()) {
        ownHeader.begin = landmarks_.blocks[static_cast<std::size_t>(ownTable)].offset;
        ownHeader.end = ownHeader.begin + kBlockHeaderSize;
    }
    auto it = std::lower_bound(pieces_.begin(), pieces_.end(), span.end,
                               [](const Piece& p, std::uint64_t end) { return p.span.begin < end; });
    while (it != pieces_.begin()) {
        --it;
        if (it->span.begin + kLongestPiece <= span.begin)
            break;
        const bool own = it->span.begin >= ownHeader.begin && it->span.end <= ownHeader.end;
        if (!own && it->span.Overlaps(span))
            return it->part;
    }
    for (std::size_t id = 0; id < entries_.size(); ++id)
        if (static_cast<int>(id) != ownTable && entries_[id] && entries_[id]->Overlaps(span))
            return Part::Directory;
    return std::nullopt;
}

bool WriteGuard::OverlapsAnotherRecord(ByteSpan span) const
{
    // A different record starting inside this one, or at the same place with
    // another length.
    auto after = std::upper_bound(records_.begin(), records_.end(), span,
                                  [](const ByteSpan& a, const ByteSpan& b) {
                                      return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
                                  });
    if (after != records_.end() && after->begin < span.end)
        return true;
    auto from = std::lower_bound(records_.begin(), records_.end(), span.begin,
                                 [](const ByteSpan& r, std::uint64_t at) { return r.begin < at; });
    for (auto same = from; same != records_.end() && same->begin == span.begin; ++same)
        if (same->end != span.end)
            return true;
    // This record starting inside another one.
    if (from != records_.begin() && recordEndsSoFar_[static_cast<std::size_t>(from - records_.begin()) - 1] > span.begin)
        return true;
    return false;
}

std::string_view WriteGuard::RecordRefusal(std::uint32_t offset, std::uint32_t size) const
{
    const ByteSpan span{offset, std::uint64_t{offset} + size};
    if (span.end > landmarks_.flashSize)
        return kBeyondFlashSizeText;
    if (const auto part = StructureOverlap(span, -1))
        return RecordText(*part);
    if (OverlapsAnotherRecord(span))
        return kOverlapsRecordText;
    return {};
}

std::uint64_t WriteGuard::EntryOffset(BlockId block, std::uint32_t k) const
{
    return std::uint64_t{landmarks_.blocks[Index(block)].offset} + kBlockHeaderSize + std::uint64_t{kEntrySize} * k;
}

std::string_view WriteGuard::FlagRefusal(BlockId block, std::uint32_t k, std::uint32_t entryWord,
                                         const FlashImage& image) const
{
    const FoundBlock& found = landmarks_.blocks[Index(block)];
    const std::optional<std::uint32_t> word = EntryWordAt(image, found, k);
    if (!word || RecordOffsetOf(*word) != RecordOffsetOf(entryWord))
        return kEntryMissingText;
    return EntryFlagRefusal(block, k);
}

std::string_view WriteGuard::EntryFlagRefusal(BlockId block, std::uint32_t k) const
{
    const std::uint64_t at = EntryOffset(block, k);
    if (at + kEntrySize > landmarks_.flashSize)
        return kBeyondFlashSizeText;
    if (const auto part = StructureOverlap({at, at + 1}, static_cast<int>(Index(block))))
        return EntryText(*part);
    return {};
}

std::string WriteGuard::TableRefusal(BlockId block) const
{
    const std::size_t id = Index(block);
    const FoundBlock& found = landmarks_.blocks[id];
    if (!found.Found())
        return TableName(id) + " has no block in the directory";
    if (accounts_[id].skipped > 0 || accounts_[id].dropped > 0)
        return TableName(id) + " has entries that could not be loaded";
    const ByteSpan extent{found.offset, entries_[id]->end};
    if (extent.end > landmarks_.flashSize)
        return TableName(id) + " reaches beyond the image's flash size";
    for (std::size_t other = 0; other < 4; ++other) {
        if (other == id)
            continue;
        const FoundBlock& neighbour = landmarks_.blocks[other];
        if (neighbour.Found() && extent.Overlaps({neighbour.offset, entries_[other]->end}))
            return TableName(id) + " overlaps " + TableName(other);
    }
    if (const auto part = StructureOverlap(extent, static_cast<int>(id)))
        return TableName(id) + (*part == Part::Marker ? std::string(" overlaps the directory marker")
                                                      : " overlaps " + PartName(*part));
    return {};
}

std::string WriteGuard::EntryRefusal(BlockId block, std::uint32_t k) const
{
    const std::size_t id = Index(block);
    const FoundBlock& found = landmarks_.blocks[id];
    if (!found.Found() || k >= found.header.entryCount)
        return TableName(id) + " has no entry " + std::to_string(k);
    const std::uint64_t at = EntryOffset(block, k);
    if (at + kEntrySize > landmarks_.flashSize)
        return "an entry of " + TableName(id) + " lies beyond the image's flash size";
    if (const auto part = StructureOverlap({at, at + 1}, static_cast<int>(id)))
        return "entry " + std::to_string(k) + " of " + TableName(id) + " overlaps " +
               (*part == Part::Directory ? std::string("another part of the directory") : PartName(*part));
    return {};
}

const WriteGuard* GuardOf(const FlashImage& image) { return image.guard.get(); }

std::string_view WriteRefusal(const FlashImage& image, const SatRecord& sat)
{
    const WriteGuard* guard = GuardOf(image);
    return guard ? guard->RecordRefusal(RecordOffsetOf(sat.entryWord), kSatRecordSize) : kNotLoadedText;
}

std::string_view WriteRefusal(const FlashImage& image, const TpRecord& tp)
{
    const WriteGuard* guard = GuardOf(image);
    return guard ? guard->RecordRefusal(RecordOffsetOf(tp.entryWord), kTpRecordSize) : kNotLoadedText;
}

std::string_view WriteRefusal(const FlashImage& image, const ProgRecord& prog)
{
    const WriteGuard* guard = GuardOf(image);
    if (!guard)
        return kNotLoadedText;
    if (const std::string_view why = guard->RecordRefusal(RecordOffsetOf(prog.entryWord), kProgRecordSize);
        !why.empty())
        return why;
    return guard->FlagRefusal(BlockOf(prog.table),
                              prog.tableIndex, prog.entryWord, image);
}

std::string_view WriteThenVerifyThrough(FlashImage& image, std::span<const ByteSpan> owned,
                                        void (*write)(FlashImage&, void*), void* context)
{
    const WriteGuard* guard = GuardOf(image);
    if (!guard)
        return kNotLoadedText;
    std::vector<std::vector<std::uint8_t>> saved;
    saved.reserve(owned.size());
    for (const ByteSpan& span : owned)
        saved.emplace_back(image.bytes.begin() + static_cast<std::ptrdiff_t>(span.begin),
                           image.bytes.begin() + static_cast<std::ptrdiff_t>(span.end));
    write(image, context);
    if (Landmarks::Of(image) == guard->LoadedLandmarks())
        return {};
    for (std::size_t i = 0; i < owned.size(); ++i)
        std::copy(saved[i].begin(), saved[i].end(), image.bytes.begin() + static_cast<std::ptrdiff_t>(owned[i].begin));
    return kStructureChangedText;
}

} // namespace korvex
