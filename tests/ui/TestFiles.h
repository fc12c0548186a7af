#pragma once
// Image files the window tests open: bytes written into the test's own
// temporary folder.

#include "tests/support/ImageBuilder.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

namespace korvex::testing {

inline QString WriteTestFile(const QTemporaryDir& dir, const QString& name, const Bytes& bytes)
{
    const QString path = dir.filePath(name);
    // A file an earlier test left, read-only perhaps, is replaced.
    QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write a test file");
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
}

} // namespace korvex::testing
