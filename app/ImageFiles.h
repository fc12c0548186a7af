#pragma once
// Where the user's files are this run, so that each file dialog starts where
// the user expects: those for images in the folder of the image last opened
// or saved, the one for scan tables in the folder of the last scan table.
// Without it every dialog would start wherever the last one of any kind
// ended, and an image could be saved among the system's scan tables.

#include <QFileInfo>
#include <QString>

namespace korvex {

struct ImageFiles {
    // The file the open image was last opened from or saved to; empty before
    // any Open.
    QString openPath;
    // The file last saved to in this run; empty before the first Save.
    QString lastSavedPath;
    // The folder of the last scan table chosen; empty before the first.
    QString scanTableFolder;

    // The folder image dialogs start in; empty before any Open or Save.
    QString ImageFolder() const { return openPath.isEmpty() ? QString() : QFileInfo(openPath).absolutePath(); }
    // The file name of the open image; empty before any Open.
    QString OpenName() const { return openPath.isEmpty() ? QString() : QFileInfo(openPath).fileName(); }
};

} // namespace korvex
