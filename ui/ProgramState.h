#pragma once
// The one image, the one database decoded from it and the list state, held
// for the whole run by the application object.

#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"
#include "ui/ListState.h"

#include <memory>

namespace korvex {

class ProgramState {
public:
    FlashImage& image() { return *image_; }
    ChannelDatabase& database() { return *database_; }
    ListState& list() { return *list_; }

private:
    std::unique_ptr<FlashImage> image_ = std::make_unique<FlashImage>();
    std::unique_ptr<ChannelDatabase> database_ = std::make_unique<ChannelDatabase>();
    std::unique_ptr<ListState> list_ = std::make_unique<ListState>();
};

} // namespace korvex
