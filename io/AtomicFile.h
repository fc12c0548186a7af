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

} // namespace korvex
