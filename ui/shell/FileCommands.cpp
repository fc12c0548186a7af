#include "ui/shell/FileCommands.h"

#include "app/Messages.h"
#include "app/OpenImage.h"
#include "app/Platform.h"
#include "app/ProgramState.h"
#include "text/NamesCharset.h"
#include "text/ShownText.h"

#include <QFileInfo>
#include <QLabel>

#include <optional>

namespace korvex {
namespace {

const QString kSaveFilter = QStringLiteral("Bin文件(*.bin)|*.bin|所有文件(*.*)|*.*||");
const QString kProposedSaveName = QStringLiteral("KV2930_FlashMapNew.bin");

// What Open tells in the status line: the file and what it holds.
QString OpenedText(const QString& fileName, const ChannelDatabase& db)
{
    return QStringLiteral("Opened %1: %2, %3, %4 TV and %5 radio %6.")
        .arg(fileName, GroupedCountText(db.numSats, "satellite", "satellites"),
             GroupedCountText(db.numTps, "transponder", "transponders"), GroupedNumber(db.numTv),
             GroupedNumber(db.numRadio),
             db.numTv + db.numRadio == 1 ? QStringLiteral("program") : QStringLiteral("programs"));
}

} // namespace

FileCommands::FileCommands(ProgramState& state, Platform& platform, OpenImage& document, QWidget* window,
                           QLabel* statusLine, Show show)
    : state_(state), platform_(platform), document_(document), window_(window), statusLine_(statusLine),
      show_(std::move(show))
{
}

bool FileCommands::MayDiscardEdits()
{
    if (!document_.HasUnsavedEdits())
        return true;
    const QString text = QStringLiteral("%1 has edits that were not saved. Save them first?")
                             .arg(state_.files().OpenName());
    switch (platform_.AskSaveDiscardCancel(window_, text, QStringLiteral("Korvex"))) {
    case UnsavedAnswer::Save: return Save();
    case UnsavedAnswer::Discard: return true;
    case UnsavedAnswer::Cancel: break;
    }
    return false;
}

void FileCommands::Open()
{
    if (!MayDiscardEdits())
        return;
    const std::optional<QString> path =
        platform_.GetOpenFileName(window_, kImageOpenFilter, state_.files().ImageFolder());
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
    show_.opened();
    statusLine_->setText(OpenedText(state_.files().OpenName(), state_.database()));
    return true;
}

bool FileCommands::Save()
{
    if (!document_.IsLoaded()) {
        ShowWarning(platform_, window_, QStringLiteral("Please open file first!"));
        return false;
    }
    // The name last saved to in this run, once there is one.
    const ImageFiles& files = state_.files();
    const QString proposed = files.lastSavedPath.isEmpty() ? kProposedSaveName : QFileInfo(files.lastSavedPath).fileName();
    const std::optional<QString> path = platform_.GetSaveFileName(window_, proposed, kSaveFilter, files.ImageFolder());
    if (!path)
        return false;
    if (const QString error = document_.Save(*path); !error.isEmpty()) {
        ShowWarning(platform_, window_, error);
        return false;
    }
    show_.saved();
    statusLine_->setText(QStringLiteral("Saved %1.").arg(QFileInfo(*path).fileName()));
    ShowInformation(platform_, window_, QStringLiteral("Save Success!"), QStringLiteral("save"));
    return true;
}

} // namespace korvex
