#include "tests/support/ImageBuilder.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cstring>
#include <stdexcept>

namespace korvex::testing {
namespace {

constexpr std::uint32_t kSatSize = 22;
constexpr std::uint32_t kTpSize = 8;
constexpr std::uint32_t kProgSize = 36;

void Require(const Bytes& bytes, std::uint32_t at, std::size_t length)
{
    if (at > bytes.size() || bytes.size() - at < length)
        throw std::out_of_range("image builder: write outside the image");
}

} // namespace

void PutBe16(Bytes& bytes, std::uint32_t at, std::uint16_t value)
{
    Require(bytes, at, 2);
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

void PutBe32(Bytes& bytes, std::uint32_t at, std::uint32_t value)
{
    PutBe16(bytes, at, static_cast<std::uint16_t>(value >> 16));
    PutBe16(bytes, at + 2, static_cast<std::uint16_t>(value & 0xFFFF));
}

void PutText(Bytes& bytes, std::uint32_t at, std::string_view text)
{
    Require(bytes, at, text.size());
    std::memcpy(bytes.data() + at, text.data(), text.size());
}

void PutHeader(Bytes& bytes, std::uint32_t at, BlockId id, std::uint32_t entryCount,
               std::uint32_t activeMark)
{
    PutBe32(bytes, at, kBlockMagic);
    PutBe32(bytes, at + 4, static_cast<std::uint32_t>(id));
    PutBe32(bytes, at + 8, entryCount);
    PutBe32(bytes, at + 12, 0);
    PutBe32(bytes, at + 16, activeMark);
}

void PutEntry(Bytes& bytes, std::uint32_t at, std::uint8_t flag, std::uint32_t recordOffset)
{
    PutBe32(bytes, at, (std::uint32_t{flag} << 24) | (recordOffset & 0xFFFFFF));
}

void PutSatRecord(Bytes& bytes, std::uint32_t at, const SatRecord& sat)
{
    Require(bytes, at, kSatSize);
    PutBe16(bytes, at, sat.satId);
    PutBe16(bytes, at + 2, sat.longitude);
    PutBe16(bytes, at + 4, sat.lnbFreLow);
    PutBe16(bytes, at + 6, sat.lnbFreHigh);
    const unsigned word = (sat.power012V << 15) | (sat.tone22K << 14) | (sat.diseqc10 << 11) |
                          (sat.diseqc12En << 10) | (sat.lnbType << 8) | (sat.lnbPower << 6) |
                          sat.position;
    PutBe16(bytes, at + 8, static_cast<std::uint16_t>(word));
    std::copy(sat.satName.begin(), sat.satName.end(), bytes.begin() + at + 10);
}

void PutTpRecord(Bytes& bytes, std::uint32_t at, const TpRecord& tp)
{
    Require(bytes, at, kTpSize);
    PutBe16(bytes, at, tp.tpId);
    PutBe16(bytes, at + 2, static_cast<std::uint16_t>((tp.satId << 2) | tp.opaque2));
    PutBe16(bytes, at + 4, static_cast<std::uint16_t>((tp.frequency << 2) | tp.polarisation));
    PutBe16(bytes, at + 6, tp.symbolRate);
}

void PutProgRecord(Bytes& bytes, std::uint32_t at, const ProgRecord& prog)
{
    Require(bytes, at, kProgSize);
    PutBe16(bytes, at, prog.satId);
    PutBe16(bytes, at + 2, prog.tpId);
    PutBe16(bytes, at + 4, prog.serviceId);
    PutBe16(bytes, at + 6, static_cast<std::uint16_t>((prog.pcrPid << 3) | (prog.scramble << 2) | prog.track));
    PutBe32(bytes, at + 8,
            (std::uint32_t{prog.opaque1} << 31) | (std::uint32_t{prog.opaque13} << 18) |
                (std::uint32_t{prog.opaque5} << 13) | prog.videoPid);
    PutBe16(bytes, at + 12, static_cast<std::uint16_t>((prog.audioPid << 3) | prog.opaque3));
    std::copy(prog.progName.begin(), prog.progName.end(), bytes.begin() + at + 14);
    std::memcpy(bytes.data() + at + 28, prog.tailWords.data(), 8);
}

std::uint8_t ProgramFlagByte(const ProgRecord& prog)
{
    return static_cast<std::uint8_t>(((prog.entryWord >> 24) & 0x80) | (prog.unlocked & 0x01) |
                                     (prog.favBits & 0x7E));
}

NameBytes Name(std::string_view text)
{
    NameBytes name{};
    std::copy_n(text.begin(), std::min(text.size(), name.size()), name.begin());
    return name;
}

std::string CaseName(std::string_view description)
{
    std::string name;
    bool upper = true;
    for (const char c : description) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
            upper = false;
        } else {
            upper = true;
        }
    }
    return name;
}

std::unique_ptr<FlashImage> MakeFlashImage(std::span<const std::uint8_t> bytes)
{
    auto image = std::make_unique<FlashImage>();
    if (!TakeInBytes(*image, bytes))
        throw std::length_error("image builder: more bytes than a flash image holds");
    return image;
}

ImageBuilder::ImageBuilder(int layoutKind)
    : layoutKind_(layoutKind),
      imageSize_(layoutKind == 2 ? kLayout2Size : kLayout1Size),
      dirStart_(layoutKind == 2 ? 0xD0000 : 0x70000),
      recordsAt_(layoutKind == 2 ? 0x81000 : 0x1000)
{
    if (layoutKind == 2)
        markerAt_ = 0xDFFFC;
}

ImageBuilder& ImageBuilder::AddSat(const SatRecord& sat) { sats_.push_back(sat); return *this; }
ImageBuilder& ImageBuilder::AddTp(const TpRecord& tp) { tps_.push_back(tp); return *this; }
ImageBuilder& ImageBuilder::AddTv(const ProgRecord& prog) { tv_.push_back(prog); return *this; }
ImageBuilder& ImageBuilder::AddRadio(const ProgRecord& prog) { radio_.push_back(prog); return *this; }

ImageBuilder& ImageBuilder::SignatureAt(std::optional<std::uint32_t> offset)
{
    signatureAt_ = offset;
    return *this;
}

ImageBuilder& ImageBuilder::MarkerAt(std::optional<std::uint32_t> offset)
{
    markerAt_ = offset;
    if (offset && layoutKind_ == 2)
        dirStart_ = (*offset + 4) - 0x10000;
    return *this;
}

ImageBuilder& ImageBuilder::DirectoryAt(std::uint32_t offset) { dirStart_ = offset; return *this; }
ImageBuilder& ImageBuilder::RecordsAt(std::uint32_t offset) { recordsAt_ = offset; return *this; }
ImageBuilder& ImageBuilder::ImageSize(std::uint32_t size) { imageSize_ = size; return *this; }

ImageBuilder& ImageBuilder::OmitBlock(BlockId id)
{
    omitted_[BuiltImage::Index(id)] = true;
    return *this;
}

BuiltImage ImageBuilder::Build() const
{
    BuiltImage built;
    built.bytes.assign(imageSize_, 0);
    Bytes& bytes = built.bytes;
    if (signatureAt_)
        PutText(bytes, *signatureAt_, kSignature);
    if (markerAt_)
        PutBe32(bytes, *markerAt_, kDirectoryMarker);

    std::uint32_t nextRecord = recordsAt_;
    std::uint32_t nextHeader = dirStart_;
    // The TV table is usually the largest; laying it last keeps every header
    // within the scanned part of the directory.
    auto layTable = [&](BlockId id, std::size_t count, std::uint32_t recordSize, auto flagOf, auto put) {
        const std::size_t index = BuiltImage::Index(id);
        if (omitted_[index])
            return;
        built.headerOffsets[index] = nextHeader;
        PutHeader(bytes, nextHeader, id, static_cast<std::uint32_t>(count));
        for (std::size_t k = 0; k < count; ++k) {
            PutEntry(bytes, nextHeader + kBlockHeaderSize + kEntrySize * static_cast<std::uint32_t>(k),
                     flagOf(k), nextRecord);
            put(k, nextRecord);
            built.recordOffsets[index].push_back(nextRecord);
            nextRecord += recordSize;
        }
        nextHeader += kBlockHeaderSize + kEntrySize * static_cast<std::uint32_t>(count);
    };

    layTable(BlockId::Satellites, sats_.size(), kSatSize,
             [&](std::size_t k) { return static_cast<std::uint8_t>(sats_[k].entryWord >> 24); },
             [&](std::size_t k, std::uint32_t at) { PutSatRecord(bytes, at, sats_[k]); });
    layTable(BlockId::Transponders, tps_.size(), kTpSize,
             [&](std::size_t k) { return static_cast<std::uint8_t>(tps_[k].entryWord >> 24); },
             [&](std::size_t k, std::uint32_t at) { PutTpRecord(bytes, at, tps_[k]); });
    layTable(BlockId::RadioPrograms, radio_.size(), kProgSize,
             [&](std::size_t k) { return ProgramFlagByte(radio_[k]); },
             [&](std::size_t k, std::uint32_t at) { PutProgRecord(bytes, at, radio_[k]); });
    layTable(BlockId::TvPrograms, tv_.size(), kProgSize,
             [&](std::size_t k) { return ProgramFlagByte(tv_[k]); },
             [&](std::size_t k, std::uint32_t at) { PutProgRecord(bytes, at, tv_[k]); });
    return built;
}

ImageBuilder RandomImage(std::mt19937& rng, const RandomShape& shape)
{
    auto draw = [&](std::uint32_t below) {
        return std::uniform_int_distribution<std::uint32_t>(0, below - 1)(rng);
    };
    auto name = [&] {
        NameBytes n{};
        const std::size_t length = draw(13);
        for (std::size_t i = 0; i < length; ++i)
            n[i] = static_cast<std::uint8_t>('A' + draw(26));
        return n;
    };

    ImageBuilder builder(shape.layoutKind);
    for (std::size_t i = 0; i < shape.sats; ++i) {
        SatRecord sat;
        sat.satId = static_cast<std::uint16_t>(draw(shape.satIdRange));
        sat.longitude = static_cast<std::uint16_t>(draw(3600));
        sat.lnbFreLow = static_cast<std::uint16_t>(draw(65536));
        sat.lnbFreHigh = static_cast<std::uint16_t>(draw(65536));
        sat.power012V = draw(2) & 1;
        sat.tone22K = draw(2) & 1;
        sat.diseqc10 = draw(8) & 7;
        sat.diseqc12En = draw(2) & 1;
        sat.lnbType = draw(4) & 3;
        sat.lnbPower = draw(4) & 3;
        sat.position = draw(64) & 63;
        sat.satName = name();
        sat.entryWord = draw(256) << 24;
        builder.AddSat(sat);
    }
    for (std::size_t i = 0; i < shape.tps; ++i) {
        TpRecord tp;
        tp.tpId = static_cast<std::uint16_t>(draw(shape.tpIdRange));
        tp.satId = draw(shape.satIdRange) & 0x3FFF;
        tp.opaque2 = draw(4) & 3;
        tp.frequency = draw(16384) & 0x3FFF;
        tp.polarisation = draw(4) & 3;
        tp.symbolRate = static_cast<std::uint16_t>(draw(65536));
        tp.entryWord = draw(256) << 24;
        builder.AddTp(tp);
    }
    auto program = [&](bool radio) {
        ProgRecord prog;
        prog.satId = static_cast<std::uint16_t>(draw(shape.satIdRange));
        prog.tpId = static_cast<std::uint16_t>(draw(shape.tpIdRange));
        prog.serviceId = static_cast<std::uint16_t>(draw(65536));
        prog.pcrPid = draw(8192) & 0x1FFF;
        prog.scramble = draw(2) & 1;
        prog.track = draw(4) & 3;
        prog.opaque1 = draw(2) & 1;
        prog.opaque13 = draw(8192) & 0x1FFF;
        prog.opaque5 = draw(32) & 31;
        // Some TV-table programs carry no video and count as radio.
        prog.videoPid = radio || draw(5) == 0 ? 0 : (1 + draw(8191)) & 0x1FFF;
        prog.audioPid = draw(8192) & 0x1FFF;
        prog.opaque3 = draw(8) & 7;
        prog.progName = name();
        prog.tailWords = {static_cast<std::uint32_t>(rng()), static_cast<std::uint32_t>(rng())};
        prog.entryWord = (draw(2) << 31);
        prog.unlocked = draw(2) & 1;
        prog.favBits = static_cast<std::uint8_t>(draw(256) & 0x7E);
        return prog;
    };
    for (std::size_t i = 0; i < shape.tv; ++i)
        builder.AddTv(program(false));
    for (std::size_t i = 0; i < shape.radio; ++i)
        builder.AddRadio(program(true));
    return builder;
}

} // namespace korvex::testing
