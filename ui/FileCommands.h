#pragma once
// The window's file commands: Open (by the file dialog or by files dropped on
// the window), Save, and the question before unsaved edits are thrown away.
// The image itself is the open image's; this unit talks with the user.

#include <QString>
#include <QStringList>

#include <functional>

class QLabel;
class QWidget;

namespace korvex {

// The file dialog's filter wherever an image file is asked for.
inline const QString kImageOpenFilter = QStringLiteral("bin file (*.bin)|*.bin;*.s|All file (*.*)|*.*||");

class OpenImage;
class Platform;
class ProgramState;

class FileCommands {
public:
    struct Show {
        std::function<void()> opened;  // shows a newly opened image (counters, tree, list)
        std::function<void()> saved;   // shows that the image was saved (the title's mark)
    };

    FileCommands(ProgramState& state, Platform& platform, OpenImage& document, QWidget* window, QLabel* statusLine,
                 Show show);

    // Asks for a file, after the question about unsaved edits, and opens it;
    // Cancel keeps the open image open, listed, editable and savable.
    void Open();
    // Opens the image file at path: the open image is replaced only when the
    // file loads; otherwise the user is told why and nothing changes.
    bool OpenFile(const QString& path);
    // Files dropped on the window: one is opened as Open opens it, after the
    // question about unsaved edits; more are refused.
    void Dropped(const QStringList& paths);
    // Asks for a file name and saves the image there, telling the user how
    // it went. True when the image was saved.
    bool Save();
    // True when there are no unsaved edits, or the user saved them or agreed
    // to lose them; false when the user cancelled or the save failed.
    bool MayDiscardEdits();

private:
    ProgramState& state_;
    Platform& platform_;
    OpenImage& document_;
    QWidget* window_;
    QLabel* statusLine_;
    Show show_;
};

} // namespace korvex
