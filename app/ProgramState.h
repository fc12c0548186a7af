#pragma once
// The one image, the one database decoded from it and the list state, held
// for the whole run by the application object.

#include "codepage/CharsetDetection.h"
#include "db/ChannelDatabase.h"
#include "db/FlashImage.h"
#include "db/ImageHistory.h"
#include "app/ImageFiles.h"
#include "app/ListState.h"

#include <memory>

namespace korvex {

class ProgramState {
public:
    FlashImage& image() { return *image_; }
    ChannelDatabase& database() { return *database_; }
    ListState& list() { return *list_; }
    // The charset the open image's names are shown and stored in.
    CharsetChoice& nameCharset() { return nameCharset_; }
    // Every change the open image received, for undo and redo.
    ImageHistory& history() { return *history_; }
    // Where the open image came from and the user's files are.
    ImageFiles& files() { return files_; }

    // A file being opened is taken in and decoded here, beside the open
    // image, so that a file that cannot be read or is refused costs nothing.
    FlashImage& incomingImage() { return *incomingImage_; }
    ChannelDatabase& incomingDatabase() { return *incomingDatabase_; }
    // Makes the incoming image and its database the open ones. They are
    // copied (about 2 MiB) rather than swapped, so that references to the
    // open image and database stay valid.
    void AdoptIncoming()
    {
        *image_ = *incomingImage_;
        *database_ = *incomingDatabase_;
    }

private:
    std::unique_ptr<FlashImage> image_ = std::make_unique<FlashImage>();
    std::unique_ptr<ChannelDatabase> database_ = std::make_unique<ChannelDatabase>();
    std::unique_ptr<ListState> list_ = std::make_unique<ListState>();
    std::unique_ptr<ImageHistory> history_ = std::make_unique<ImageHistory>();
    CharsetChoice nameCharset_{NameCharset(LocaleCharset()), CharsetSource::Locale};
    ImageFiles files_;
    std::unique_ptr<FlashImage> incomingImage_ = std::make_unique<FlashImage>();
    std::unique_ptr<ChannelDatabase> incomingDatabase_ = std::make_unique<ChannelDatabase>();
};

} // namespace korvex
