#pragma once
// Writing a whole file so that it is either completely written or left as it
// was: the bytes go to a temporary file beside the target, which replaces the
// target only once everything has reached the disk.

#include <QByteArrayView>
#include <QString>

namespace korvex {

// An empty string on success, otherwise why the file could not be written,
// in words a user understands.
QString WriteFileAtomically(const QString& path, QByteArrayView bytes);

// Where the first original of a file written over is kept: beside it, with
// ".bak" added to its name.
QString BackupPathOf(const QString& path);

// As WriteFileAtomically; when a file already stands at path and has no
// backup yet, it is first copied to BackupPathOf(path). An existing backup is
// never written over, so that it stays the file as it was before the first
// save over it. When the write fails, a backup made for it is removed again:
// the old file is still there, whole.
QString WriteFileKeepingFirstOriginal(const QString& path, QByteArrayView bytes);

} // namespace korvex
