#include "db/Arrange.h"
#include "db/Encoders.h"
#include "db/ImageHistory.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/LoadedImage.h"

#include <gtest/gtest.h>

#include <random>

namespace korvex {
namespace {

using testing::LoadedImage;

TEST(ImageHistory, UndoAndRedoWalkThroughEveryStepExactly)
{
    std::mt19937 rng(14);
    LoadedImage loaded(testing::RandomImage(rng, {}).Build());
    FlashImage& image = *loaded.image;
    ImageHistory history;
    history.Reset(image);
    const auto start = image.bytes;

    // An edit, a move, a delete and a flag change, each bracketed.
    std::vector<std::array<std::uint8_t, kImageCapacity>> states{start};
    const auto act = [&](const char* label, auto action) {
        history.Begin(image);
        action();
        ASSERT_TRUE(history.Commit(image, label));
        ASSERT_TRUE(loaded.Reload());
        states.push_back(image.bytes);
    };
    act("Edit", [&] {
        ProgRecord prog = loaded.db->tvProgs[3];
        prog.serviceId ^= 0x5555;
        EncodeProg(image, prog);
    });
    act("Move", [&] {
        const std::uint32_t moved[] = {0, 7};
        ReorderPrograms(image, *loaded.db, ProgTable::Tv, OrderMovingTo(loaded.db->numTv, moved, 20));
    });
    act("Delete", [&] {
        const std::uint32_t gone[] = {1, 2, 3};
        DeletePrograms(image, *loaded.db, ProgTable::Radio, gone);
    });
    act("Lock", [&] {
        const ProgramEntry programs[] = {{ProgTable::Tv, 0}, {ProgTable::Tv, 9}};
        ChangeProgramFlags(image, *loaded.db, programs, Lock());
    });
    EXPECT_TRUE(history.Unsaved(image));
    EXPECT_EQ(history.UndoLabel(), "Lock");

    for (std::size_t k = states.size() - 1; k-- > 0;) {
        ASSERT_TRUE(history.Undo(image));
        EXPECT_TRUE(image.bytes == states[k]) << "after undoing to step " << k;
    }
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(history.Unsaved(image)) << "back at the bytes Open took in";
    for (std::size_t k = 1; k < states.size(); ++k) {
        ASSERT_TRUE(history.Redo(image));
        EXPECT_TRUE(image.bytes == states[k]) << "after redoing step " << k;
    }
    EXPECT_FALSE(history.CanRedo());
}

TEST(ImageHistory, ANewStepDropsWhatWasUndoneAndNoChangeIsNoStep)
{
    LoadedImage loaded(testing::ImageBuilder(1).AddTv(ProgRecord{}).Build());
    FlashImage& image = *loaded.image;
    ImageHistory history;
    history.Reset(image);
    history.Begin(image);
    EXPECT_FALSE(history.Commit(image, "Nothing"));
    EXPECT_FALSE(history.CanUndo());

    history.Begin(image);
    image.bytes[0x1000] ^= 1;
    ASSERT_TRUE(history.Commit(image, "First"));
    ASSERT_TRUE(history.Undo(image));
    EXPECT_EQ(history.RedoLabel(), "First");
    history.Begin(image);
    image.bytes[0x1001] ^= 1;
    ASSERT_TRUE(history.Commit(image, "Second"));
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.UndoLabel(), "Second");
}

TEST(ImageHistory, UnsavedFollowsTheBytesNotThePath)
{
    LoadedImage loaded(testing::ImageBuilder(1).AddTv(ProgRecord{}).Build());
    FlashImage& image = *loaded.image;
    ImageHistory history;
    history.Reset(image);
    history.Begin(image);
    image.bytes[0x1000] ^= 0xFF;
    history.Commit(image, "Change");
    EXPECT_TRUE(history.Unsaved(image));
    history.MarkSaved(image);
    EXPECT_FALSE(history.Unsaved(image));
    // Undo survives Save, and undoing makes the image differ from the save.
    history.Undo(image);
    EXPECT_TRUE(history.Unsaved(image));
    // Two different edits that end where the save was: not unsaved.
    history.Begin(image);
    image.bytes[0x1000] ^= 0xF0;
    history.Commit(image, "Half");
    history.Begin(image);
    image.bytes[0x1000] ^= 0x0F;
    history.Commit(image, "Other half");
    EXPECT_FALSE(history.Unsaved(image));
    // Bytes beyond the flash size are never saved and never count.
    image.bytes[0x90000] ^= 1;
    EXPECT_FALSE(history.Unsaved(image));
}

} // namespace
} // namespace korvex
