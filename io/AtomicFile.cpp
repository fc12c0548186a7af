#include "io/AtomicFile.h"

#include <QFileInfo>
#include <QSaveFile>

namespace korvex {

QString WriteFileAtomically(const QString& path, QByteArrayView bytes)
{
    // The temporary file replaces the target by renaming, which the target's
    // own permissions do not stop, and the superuser may write any file. A
    // file that its owner has marked read-only for everyone is kept, for
    // every user.
    const QFileInfo existing(path);
    constexpr auto anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (existing.exists() && existing.isFile() && !(existing.permissions() & anyWrite))
        return QStringLiteral("the file is read-only");

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes.data(), bytes.size()) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    // commit() flushes, syncs and renames; only its success means the file
    // on disk holds the new bytes.
    if (!file.commit())
        return file.errorString().isEmpty() ? QStringLiteral("the file could not be replaced")
                                            : file.errorString();
    return {};
}

} // namespace korvex
