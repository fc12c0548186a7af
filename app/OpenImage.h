#pragma once
// The image the user has open, apart from any window: opening a file into
// the scratch image and adopting it only once it loads, decoding it again
// after a change, the history bracket around an action that writes it,
// "unsaved", and saving it. The main window calls it; so does every command
// that changes the image.

#include "app/ProgramState.h"

#include <QString>

#include <string>

namespace korvex {

// What the user is told of a file that is no image of a box.
inline const QString kBinFileNotRight = QStringLiteral("The bin file is not right!");

// Takes the file at path into image and decodes it into db. Empty when it
// loads, otherwise why not, for the user.
QString LoadImageFile(const QString& path, FlashImage& image, ChannelDatabase& db);

class OpenImage {
public:
    explicit OpenImage(ProgramState& state) : state_(state) {}

    // Takes the file at path in and decodes it beside the open image; only a
    // file that loads replaces the open image (and starts its history anew)
    // and becomes the open file.
    // Empty on success, otherwise why the file was not opened, for the user.
    QString Open(const QString& path);

    // True while the buffer holds an image that the loader accepted: only
    // such an image is listed, changed or saved.
    bool IsLoaded() const;

    // Decodes the open image again after a change. An image that no longer
    // passes the loader's checks is no longer loaded, and false is returned.
    bool Reload();

    // The history bracket: Begin before an action writes the image; Commit
    // keeps what it changed as one step (nothing when it changed nothing);
    // Revert puts back whatever a refused action wrote and decodes again.
    void Begin();
    void Commit(const std::string& label);
    void Revert();

    // True while the image differs from what the last Open took in or the
    // last Save wrote.
    bool HasUnsavedEdits() const;

    // Writes the first flashSize bytes to path, keeping a file that stood
    // there once as its first original; path becomes the open file. Empty on success, otherwise why
    // nothing was saved, naming the file.
    QString Save(const QString& path);

private:
    ProgramState& state_;
    bool loaded_ = false;
};

} // namespace korvex
