#include "ui/shell/FileCommands.h"

#include "app/Messages.h"
#include "app/OpenImage.h"
#include "app/Platform.h"
#include "app/ProgramState.h"
#include "text/NamesCharset.h"

#include <optional>

namespace korvex {
namespace {

const QString kSaveFilter = QStringLiteral("Bin文件(*.bin)|*.bin|所有文件(*.*)|*.*||");
const QString kProposedSaveName = QStringLiteral("KV2930_FlashMapNew.bin");

} // namespace

FileCommands::FileCommands(ProgramState& state, Platform& platform, OpenImage& document, QWidget* window,
                           std::function<void()> showOpened)
    : state_(state), platform_(platform), document_(document), window_(window), showOpened_(std::move(showOpened))
{
}

bool FileCommands::MayDiscardEdits()
{
    return !document_.HasUnsavedEdits() ||
           platform_.AskYesNo(window_, QStringLiteral("The image has edits that were not saved. Discard them?"),
                              QStringLiteral("Korvex"));
}

void FileCommands::Open()
{
    if (!MayDiscardEdits())
        return;
    const std::optional<QString> path = platform_.GetOpenFileName(window_, kImageOpenFilter, {});
    if (path)
        OpenFile(*path);
}

void FileCommands::Dropped(const QStringList& paths)
{
    if (paths.size() != 1) {
        ShowWarning(platform_, window_, QStringLiteral("Korvex opens one image at a time: drop a single file."));
        return;
    }
    if (MayDiscardEdits())
        OpenFile(paths.front());
}

bool FileCommands::OpenFile(const QString& path)
{
    if (const QString refusal = document_.Open(path); !refusal.isEmpty()) {
        ShowWarning(platform_, window_, refusal);
        return false;
    }
    // Names are read in the charset detected from the new image.
    state_.nameCharset() = NamesCharset(std::nullopt, state_.database());
    showOpened_();
    return true;
}

void FileCommands::Save()
{
    if (!document_.IsLoaded()) {
        ShowWarning(platform_, window_, QStringLiteral("Please open file first!"));
        return;
    }
    const std::optional<QString> path = platform_.GetSaveFileName(window_, kProposedSaveName, kSaveFilter);
    if (!path)
        return;
    if (const QString error = document_.Save(*path); !error.isEmpty()) {
        ShowWarning(platform_, window_, error);
        return;
    }
    ShowInformation(platform_, window_, QStringLiteral("Save Success!"), QStringLiteral("save"));
}

} // namespace korvex
