#include "io/AtomicFile.h"

#include <QSaveFile>

namespace korvex {

QString WriteFileAtomically(const QString& path, QByteArrayView bytes)
{
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
