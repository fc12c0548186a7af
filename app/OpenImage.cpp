#include "app/OpenImage.h"

#include "db/LoadDatabase.h"
#include "io/AtomicFile.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <system_error>

namespace korvex {

QString LoadImageFile(const QString& path, FlashImage& image, ChannelDatabase& db)
{
    std::error_code why;
    switch (TakeInFile(image, std::filesystem::path(QFile::encodeName(path).toStdString()), &why)) {
    case TakeInResult::TooLarge:
        return kBinFileNotRight;
    case TakeInResult::CannotRead:
        return QStringLiteral("Can't open \"%1\": %2")
            .arg(QDir::toNativeSeparators(path), QString::fromStdString(why.message()));
    case TakeInResult::Taken:
        break;
    }
    if (!LoadDatabase(image, db))
        return kBinFileNotRight;
    return {};
}

QString OpenImage::Open(const QString& path)
{
    if (QString why = LoadImageFile(path, state_.incomingImage(), state_.incomingDatabase()); !why.isEmpty())
        return why;
    state_.AdoptIncoming();
    state_.history().Reset(state_.image());
    loaded_ = true;
    state_.files().openPath = path;
    return {};
}

bool OpenImage::IsLoaded() const
{
    return loaded_ && state_.image().fileOpened != 0;
}

bool OpenImage::Reload()
{
    loaded_ = LoadDatabase(state_.image(), state_.database());
    return loaded_;
}

void OpenImage::Begin()
{
    state_.history().Begin(state_.image());
}

void OpenImage::Commit(const std::string& label)
{
    state_.history().Commit(state_.image(), label);
}

void OpenImage::Revert()
{
    state_.history().Revert(state_.image());
    Reload();
}

bool OpenImage::HasUnsavedEdits() const
{
    return state_.image().fileOpened != 0 && state_.history().Unsaved(state_.image());
}

QString OpenImage::Save(const QString& path)
{
    const FlashImage& image = state_.image();
    // Saving over a file keeps that file once as NAME.bak: the first original
    // stays within reach whatever later saves write.
    const QString error = WriteFileKeepingFirstOriginal(
        path, QByteArrayView(reinterpret_cast<const char*>(image.bytes.data()), image.flashSize));
    if (!error.isEmpty())
        return QStringLiteral("Can't save \"%1\": %2").arg(QDir::toNativeSeparators(path), error);
    state_.history().MarkSaved(image);
    state_.files().openPath = path;
    state_.files().lastSavedPath = path;
    return {};
}

} // namespace korvex
