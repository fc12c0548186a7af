// The open image without a window: what Open adopts and what it refuses, the
// history bracket, "unsaved", and Save.

#include "app/OpenImage.h"
#include "db/Encoders.h"
#include "tests/support/ImageBuilder.h"
#include "tests/ui/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace korvex {
namespace {

using testing::Bytes;
using testing::WriteTestFile;

Bytes SmallImage()
{
    testing::ImageBuilder builder(1);
    SatRecord sat;
    sat.satId = 1;
    sat.satName = testing::Name("Astra");
    builder.AddSat(sat);
    return builder.Build().bytes;
}

Bytes Opened(ProgramState& state)
{
    const FlashImage& image = state.image();
    return Bytes(image.bytes.begin(), image.bytes.begin() + image.flashSize);
}

class OpenImageTest : public ::testing::Test {
protected:
    std::unique_ptr<ProgramState> state_ = std::make_unique<ProgramState>();
    OpenImage document_{*state_};
    QTemporaryDir dir_;
};

TEST_F(OpenImageTest, AdoptsOnlyAFileThatLoadsAndSaysWhyOtherwise)
{
    const Bytes good = SmallImage();
    ASSERT_EQ(document_.Open(WriteTestFile(dir_, QStringLiteral("good.bin"), good)), QString());
    EXPECT_TRUE(document_.IsLoaded());
    EXPECT_FALSE(document_.HasUnsavedEdits());
    EXPECT_EQ(state_->database().numSats, 1u);

    const Bytes tooLarge(kImageCapacity + 1, 0);
    EXPECT_EQ(document_.Open(WriteTestFile(dir_, QStringLiteral("large.bin"), tooLarge)), kBinFileNotRight);
    EXPECT_EQ(document_.Open(WriteTestFile(dir_, QStringLiteral("zeros.bin"), Bytes(64, 0))), kBinFileNotRight);
    const QString missing = dir_.filePath(QStringLiteral("missing.bin"));
    EXPECT_TRUE(document_.Open(missing).startsWith(QStringLiteral("Can't open \"%1\": ").arg(missing)));

    // Nothing refused reached the open image.
    EXPECT_TRUE(document_.IsLoaded());
    EXPECT_EQ(Opened(*state_), good);
}

TEST_F(OpenImageTest, AnActionIsUnsavedUntilSavedAndARefusedOneLeavesNoTrace)
{
    const Bytes good = SmallImage();
    ASSERT_EQ(document_.Open(WriteTestFile(dir_, QStringLiteral("good.bin"), good)), QString());

    // A refused action's bytes are put back.
    document_.Begin();
    state_->image().bytes[0x10] ^= 0xFF;
    document_.Revert();
    EXPECT_EQ(Opened(*state_), good);
    EXPECT_FALSE(document_.HasUnsavedEdits());

    SatRecord renamed = state_->database().sats[0];
    renamed.satName = testing::Name("Hotbird");
    document_.Begin();
    ASSERT_TRUE(EncodeSat(state_->image(), renamed));
    document_.Commit("Edit");
    ASSERT_TRUE(document_.Reload());
    EXPECT_TRUE(document_.HasUnsavedEdits());

    const QString target = dir_.filePath(QStringLiteral("saved.bin"));
    ASSERT_EQ(document_.Save(target), QString());
    EXPECT_FALSE(document_.HasUnsavedEdits());
    QFile saved(target);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), Opened(*state_));

    const QString unwritable = dir_.filePath(QStringLiteral("no-such-folder/saved.bin"));
    EXPECT_TRUE(document_.Save(unwritable).startsWith(QStringLiteral("Can't save \"%1\": ").arg(unwritable)));
}

} // namespace
} // namespace korvex
