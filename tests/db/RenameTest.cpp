// Renaming programs writes their 12 name bytes and nothing else, keeps the
// bytes behind a shorter name's zero, refuses what it cannot write without
// writing anything, and is undone byte for byte.

#include "db/ImageHistory.h"
#include "db/RecordCodec.h"
#include "db/Rename.h"
#include "db/WriteGuard.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace korvex {
namespace {

using testing::BuiltImage;
using testing::ImageBuilder;
using testing::LoadedImage;
using testing::Name;

NameBytes Bytes12(std::string_view text)
{
    NameBytes name{};
    std::copy(text.begin(), text.end(), name.begin());
    return name;
}

ProgRecord Prog(const NameBytes& name, std::uint16_t videoPid)
{
    ProgRecord prog;
    prog.satId = 1;
    prog.tpId = 2;
    prog.serviceId = 0x1234;
    prog.videoPid = videoPid;
    prog.audioPid = 0x101;
    prog.progName = name;
    prog.unlocked = 1;
    prog.favBits = 0x7E;
    prog.tailWords = {0xA5A5A5A5, 0x5A5A5A5A};
    return prog;
}

// Three TV programs and one radio program. TV 0's name is followed, behind
// its zero, by bytes an earlier longer name left; TV 2's fills all 12 bytes.
BuiltImage Fixture(int layoutKind)
{
    ImageBuilder builder(layoutKind);
    builder.AddTv(Prog(Bytes12(std::string_view("Sky News\0XYZ", 12)), 0x100));
    builder.AddTv(Prog(Name("Sky One"), 0x100));
    builder.AddTv(Prog(Bytes12("Twelve Bytes"), 0x100));
    builder.AddRadio(Prog(Name("Sky Radio"), 0));
    return builder.Build();
}

void PutName(testing::Bytes& bytes, std::uint32_t recordOffset, const NameBytes& name)
{
    std::copy(name.begin(), name.end(), bytes.begin() + recordOffset + kProgNameOffset);
}

testing::Bytes Snapshot(const FlashImage& image, std::size_t size) { return {image.bytes.begin(), image.bytes.begin() + size}; }

struct RenameCase {
    const char* description;
    std::vector<ProgramRename> renames;
    // The name fields afterwards: TV 0, 1, 2, radio 0.
    std::array<NameBytes, 4> names;
};

TEST(RenamePrograms, WritesOnlyTheNameBytesKeepingWhatLiesBehindTheZero)
{
    const RenameCase cases[] = {
        {"shorter: a zero, then the old bytes",
         {{{ProgTable::Tv, 0}, "News"}},
         {Bytes12(std::string_view("News\0ews\0XYZ", 12)), Name("Sky One"), Bytes12("Twelve Bytes"), Name("Sky Radio")}},
        {"twelve bytes: no zero",
         {{{ProgTable::Tv, 1}, "ABCDEFGHIJKL"}},
         {Bytes12(std::string_view("Sky News\0XYZ", 12)), Bytes12("ABCDEFGHIJKL"), Bytes12("Twelve Bytes"), Name("Sky Radio")}},
        {"a full name made shorter, both tables at once",
         {{{ProgTable::Tv, 2}, "Two"}, {{ProgTable::Radio, 0}, "Radio"}},
         {Bytes12(std::string_view("Sky News\0XYZ", 12)), Name("Sky One"), Bytes12(std::string_view("Two\0ve Bytes", 12)),
          Bytes12(std::string_view("Radio\0dio\0\0\0", 12))}},
        {"an empty name", {{{ProgTable::Tv, 1}, ""}}, {Bytes12(std::string_view("Sky News\0XYZ", 12)),
          Bytes12(std::string_view("\0ky One\0\0\0\0\0", 12)), Bytes12("Twelve Bytes"), Name("Sky Radio")}},
    };
    for (const int layout : {1, 2}) {
        for (const RenameCase& c : cases) {
            SCOPED_TRACE(std::string(c.description) + ", layout " + std::to_string(layout));
            const BuiltImage built = Fixture(layout);
            LoadedImage loaded(built);
            ASSERT_TRUE(loaded.loaded);
            const ChangeOutcome outcome = RenamePrograms(*loaded.image, *loaded.db, c.renames);
            ASSERT_TRUE(outcome.done) << outcome.refusal;

            testing::Bytes expected = built.bytes;
            for (std::size_t k = 0; k < 3; ++k)
                PutName(expected, built.RecordOffset(BlockId::TvPrograms, k), c.names[k]);
            PutName(expected, built.RecordOffset(BlockId::RadioPrograms, 0), c.names[3]);
            EXPECT_TRUE(Snapshot(*loaded.image, expected.size()) == expected);
            EXPECT_TRUE(std::all_of(loaded.image->bytes.begin() + static_cast<std::ptrdiff_t>(expected.size()),
                                    loaded.image->bytes.end(), [](std::uint8_t b) { return b == 0; }));
            ASSERT_TRUE(loaded.Reload());
        }
    }
}

TEST(RenamePrograms, RefusesWithoutWritingAnything)
{
    const BuiltImage built = Fixture(1);
    struct Refusal {
        const char* description;
        std::vector<ProgramRename> renames;
        std::string_view reason;
    };
    const Refusal refusals[] = {
        {"a name over 12 bytes after a good one",
         {{{ProgTable::Tv, 0}, "Fine"}, {{ProgTable::Tv, 1}, "Thirteen Byte"}}, kNameTooLongText},
        {"an entry past the table", {{{ProgTable::Tv, 0}, "Fine"}, {{ProgTable::Radio, 1}, "None"}}, kNoSuchProgramText},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.description);
        LoadedImage loaded(built);
        ASSERT_TRUE(loaded.loaded);
        const ChangeOutcome outcome = RenamePrograms(*loaded.image, *loaded.db, r.renames);
        EXPECT_FALSE(outcome.done);
        EXPECT_EQ(outcome.refusal, r.reason);
        EXPECT_TRUE(Snapshot(*loaded.image, built.bytes.size()) == built.bytes);
    }

    // An image that was never loaded has no guard.
    const auto unloaded = testing::MakeFlashImage(built.bytes);
    const ChannelDatabase empty;
    const ProgramRename one[] = {{{ProgTable::Tv, 0}, "X"}};
    EXPECT_EQ(RenamePrograms(*unloaded, empty, one).refusal, kNotLoadedText);
}

TEST(RenamePrograms, IsOneStepThatUndoGivesBack)
{
    const BuiltImage built = Fixture(2);
    LoadedImage loaded(built);
    ASSERT_TRUE(loaded.loaded);
    ImageHistory history;
    history.Reset(*loaded.image);
    history.Begin(*loaded.image);
    const ProgramRename renames[] = {{{ProgTable::Tv, 0}, "HD News"}, {{ProgTable::Tv, 1}, "One"},
                                     {{ProgTable::Radio, 0}, "Radio"}};
    ASSERT_TRUE(RenamePrograms(*loaded.image, *loaded.db, renames).done);
    ASSERT_TRUE(history.Commit(*loaded.image, "Rename"));
    const testing::Bytes renamed = Snapshot(*loaded.image, built.bytes.size());

    ASSERT_TRUE(history.Undo(*loaded.image));
    EXPECT_TRUE(Snapshot(*loaded.image, built.bytes.size()) == built.bytes);
    EXPECT_FALSE(history.CanUndo());
    ASSERT_TRUE(history.Redo(*loaded.image));
    EXPECT_TRUE(Snapshot(*loaded.image, built.bytes.size()) == renamed);
    ASSERT_TRUE(loaded.Reload());
    EXPECT_EQ(NameView(loaded.db->tvProgs[0].progName), "HD News");
}

} // namespace
} // namespace korvex
