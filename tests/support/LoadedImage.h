#pragma once
// A built image taken into a FlashImage and loaded, for tests that look at
// the decoded database and then at the image bytes.

#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"
#include "db/LoadDatabase.h"
#include "tests/support/ImageBuilder.h"

#include <memory>

namespace korvex::testing {

struct LoadedImage {
    std::unique_ptr<FlashImage> image;
    std::unique_ptr<ChannelDatabase> db = std::make_unique<ChannelDatabase>();
    bool loaded = false;

    explicit LoadedImage(std::span<const std::uint8_t> bytes) : image(MakeFlashImage(bytes))
    {
        loaded = LoadDatabase(*image, *db);
    }
    explicit LoadedImage(const BuiltImage& built) : LoadedImage(built.bytes) {}
    explicit LoadedImage(const ImageBuilder& builder) : LoadedImage(builder.Build()) {}

    bool Reload() { return loaded = LoadDatabase(*image, *db); }
};

} // namespace korvex::testing
