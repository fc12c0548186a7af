#include "io/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace korvex {
namespace {

QString SystemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// QSaveFile reports a failed write of its temporary file as "Unknown error",
// which tells a user nothing about a full disk. The bytes therefore go out
// through the temporary file's own descriptor, and reach the disk before the
// commit, so that the system's own reason is kept (no space left on device,
// disk quota exceeded, file too large, input/output error).
QString WriteAndSync(int fd, QByteArrayView bytes)
{
    const char* next = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, static_cast<std::size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return SystemReason(errno);
        }
        next += written;
        left -= written;
    }
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
        return SystemReason(errno);
    return {};
}

} // namespace

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
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    if (const QString reason = WriteAndSync(file.handle(), bytes); !reason.isEmpty()) {
        file.cancelWriting();
        return reason;
    }
    // commit() renames the temporary file over the target; only its success
    // means the file on disk holds the new bytes.
    if (!file.commit())
        return file.errorString().isEmpty() ? QStringLiteral("the file could not be replaced")
                                            : file.errorString();
    return {};
}

QString BackupPathOf(const QString& path)
{
    return path + QStringLiteral(".bak");
}

QString WriteFileKeepingFirstOriginal(const QString& path, QByteArrayView bytes)
{
    const QString backup = BackupPathOf(path);
    const QFileInfo existing(path);
    bool madeBackup = false;
    if (existing.isFile() && !QFileInfo::exists(backup)) {
        QFile original(path);
        if (!original.copy(backup))
            return QStringLiteral("the backup \"%1\" could not be made: %2").arg(backup, original.errorString());
        madeBackup = true;
    }
    const QString reason = WriteFileAtomically(path, bytes);
    if (!reason.isEmpty() && madeBackup)
        QFile::remove(backup);
    return reason;
}

} // namespace korvex
